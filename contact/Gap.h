#pragma once

#include <Eigen/Core>

#include "contact/Collider.h"

namespace Zarvo {

// How far a point is from keeping its thickness to a collider (the
// collider's distance there less the thickness), and the collider's normal
// there.
struct Gap
{
    double gap;
    Eigen::Vector3d normal;
};

// The collider's gap at `point`.
inline Gap gapAt(const Collider& collider, const Eigen::Vector3d& point, double thickness)
{
    Gap gap;
    gap.gap = collider.distance(point, gap.normal) - thickness;
    return gap;
}

}  // namespace Zarvo
