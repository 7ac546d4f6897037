#include "contact/SweptContact.h"

namespace Zarvo {

namespace {

// A point this close to the thickness, relative to it, touches.
constexpr double touching = 1e-3;
// Advances before a march gives up and reports contact where it stands.
constexpr int maxAdvances = 32;

}  // namespace

std::optional<double> firstContact(const Collider& collider, const Eigen::Vector3d& from,
                                   const Eigen::Vector3d& to, double thickness, double fromGap)
{
    const Eigen::Vector3d motion = to - from;
    const double length = motion.norm();
    double s = 0.0;
    double gap = fromGap;
    for (int k = 0; k < maxAdvances; ++k) {
        if (gap <= touching * thickness)
            return s;
        // The ball of radius `gap` about the current point is free, and it
        // holds the rest of the segment once the step passes its end.
        s += gap / length;
        if (!(s <= 1.0))
            return std::nullopt;
        gap = collider.distance(from + s * motion) - thickness;
    }
    return s;
}

}  // namespace Zarvo
