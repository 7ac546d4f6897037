#include "contact/SweptContact.h"

namespace Zarvo {

namespace {

// A point this close to the thickness, relative to it, touches: near
// enough that the surface's tangent plane there stands for it, and far
// enough that a point gliding along the surface stops marching at once.
constexpr double touching = 0.1;
// Advances before a march gives up and reports contact where it stands.
constexpr int maxAdvances = 32;

}  // namespace

std::optional<Touch> firstContact(const Collider& collider, const Eigen::Vector3d& from,
                                  const Eigen::Vector3d& to, double thickness, const Gap& fromGap)
{
    const Eigen::Vector3d motion = to - from;
    const double length = motion.norm();
    Touch touch{0.0, fromGap};
    for (int k = 0; k < maxAdvances; ++k) {
        if (touch.there.gap <= touching * thickness)
            return touch;
        // The ball of radius `gap` about the current point is free, and it
        // holds the rest of the segment once the step passes its end.
        touch.at += touch.there.gap / length;
        if (!(touch.at <= 1.0))
            return std::nullopt;
        touch.there = gapAt(collider, from + touch.at * motion, thickness);
    }
    return touch;
}

}  // namespace Zarvo
