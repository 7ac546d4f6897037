#include "contact/SweptContact.h"

#include <algorithm>

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
                                  const Eigen::Vector3d& to, double thickness, const Gap& fromGap,
                                  Sample* farthest)
{
    const Eigen::Vector3d motion = to - from;
    const double length = motion.norm();
    Touch touch{0.0, fromGap};
    for (int k = 0; k < maxAdvances; ++k) {
        if (touch.there.gap <= touching * thickness)
            return touch;
        // The ball of radius `gap` about the current point is free, and it
        // holds the rest of the segment once the step passes its end.
        const double sampled = touch.at;
        touch.at += touch.there.gap / length;
        if (!(touch.at <= 1.0)) {
            if (farthest)
                *farthest = {from + sampled * motion, touch.there};
            return std::nullopt;
        }
        touch.there = gapAt(collider, from + touch.at * motion, thickness);
    }
    return touch;
}

bool knownFree(const Sample& known, const Eigen::Vector3d& from, const Gap* fromGap,
               const Eigen::Vector3d& to, double thickness)
{
    const double margin = touching * thickness;
    if (!(known.gap.gap > margin) || (fromGap && !(fromGap->gap > margin)))
        return false;
    const Eigen::Vector3d motion = to - from;
    const double reached = fromGap ? std::min(1.0, fromGap->gap / motion.norm()) : 0.0;
    const Eigen::Vector3d beyond = from + reached * motion;
    // Within `radius` of where `known` was taken every point's gap exceeds
    // the margin, so no march stops there; a segment lies within a ball
    // when both its ends do.
    const double radius = known.gap.gap - margin;
    return (beyond - known.at).norm() < radius && (to - known.at).norm() < radius;
}

}  // namespace Zarvo
