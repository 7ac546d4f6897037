#pragma once

#include <array>
#include <vector>

#include <Eigen/Core>

namespace Zarvo {

// Triangles over shared points, counter-clockwise seen from outside: how a
// collider is drawn and written out.
struct TriangleMesh
{
    std::vector<Eigen::Vector3d> points;
    std::vector<std::array<int, 3>> triangles;

    // Appends `other`, renumbering its triangles.
    void append(const TriangleMesh& other);
};

}  // namespace Zarvo
