#pragma once

#include <Eigen/Core>
#include <Eigen/Geometry>

#include "contact/TriangleMesh.h"

namespace Zarvo {

// Triangles of the surface of a capsule around the segment `from`-`to`
// (a ball where the two coincide): rings of latitude whose upper half is
// centred on `to` and lower half on `from`.
TriangleMesh roundSurface(const Eigen::Vector3d& from, const Eigen::Vector3d& to, double radius);

// A unit vector perpendicular to the unit vector `axis`.
Eigen::Vector3d perpendicular(const Eigen::Vector3d& axis);

}  // namespace Zarvo
