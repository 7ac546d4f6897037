#pragma once

#include <array>
#include <vector>

#include <Eigen/Core>

namespace Zarvo {

// Four corner indices into a TetMesh's points, positively oriented:
// det [p1 - p0, p2 - p0, p3 - p0] > 0, so that p0, p1, p2 turn
// counterclockwise seen from p3.
using Tetrahedron = std::array<int, 4>;

// A tetrahedral mesh as read from a file (TetMeshFile.h).
struct TetMesh
{
    // 3 x n: column i is point i, the file's nodes that some tetrahedron
    // uses, in the file's order.
    Eigen::Matrix3Xd points;
    // In the file's order.
    std::vector<Tetrahedron> tetrahedra;
    // Per node of the file, in the order the file lists them: its column in
    // `points`, or -1 for a node that no tetrahedron uses (left out).
    std::vector<int> kept;
};

}  // namespace Zarvo
