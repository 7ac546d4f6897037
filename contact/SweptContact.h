#pragma once

#include <optional>

#include <Eigen/Core>

#include "contact/Collider.h"

namespace Zarvo {

// Where a point moving in a straight line from `from` to `to` first comes
// within `thickness` of the collider's surface, as the fraction s in [0, 1]
// of the way (0 when it starts that close), or nothing when it never does.
// `fromGap` is the collider's distance at `from` less the thickness.
// Marches along the segment by the collider's distance, which never
// overshoots the surface, so that a fast point cannot jump through a thin
// obstacle; a march that has not settled after a bounded number of
// advances (a point gliding along the surface) reports contact where it
// stands, which only errs early.
std::optional<double> firstContact(const Collider& collider, const Eigen::Vector3d& from,
                                   const Eigen::Vector3d& to, double thickness, double fromGap);

}  // namespace Zarvo
