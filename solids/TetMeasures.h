#pragma once

#include <vector>

#include <Eigen/Core>
#include <Eigen/SparseCore>

#include "solids/TetMesh.h"

namespace Zarvo {

// The signed volume of the tetrahedron p0 p1 p2 p3: det [p1 - p0, p2 - p0,
// p3 - p0] / 6, positive when p0, p1, p2 turn counterclockwise seen from p3.
double signedVolume(const Eigen::Vector3d& p0, const Eigen::Vector3d& p1,
                    const Eigen::Vector3d& p2, const Eigen::Vector3d& p3);

// The same for a tetrahedron of `points` (3 x n, column i point i).
double signedVolume(const Eigen::Matrix3Xd& points, const Tetrahedron& tetrahedron);

// Lumped masses at unit density: each point gets a quarter of the volume of
// every tetrahedron it is a corner of. An n x n diagonal matrix for the n
// columns of `points`; a point on no tetrahedron has no entry.
Eigen::SparseMatrix<double> lumpedMasses(const Eigen::Matrix3Xd& points,
                                         const std::vector<Tetrahedron>& tetrahedra);

}  // namespace Zarvo
