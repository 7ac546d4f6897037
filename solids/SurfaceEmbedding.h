#pragma once

#include <array>
#include <vector>

#include <Eigen/Core>

namespace Zarvo {

// How a surface's vertices follow a tetrahedral lattice: each vertex is a
// fixed combination of the four corners of the tetrahedron it lies in, by
// its barycentric weights there at rest (all in [0, 1], summing to 1).
class SurfaceEmbedding
{
public:
    // Appends the vertex that follows lattice nodes `corners` by `weights`.
    void add(const std::array<int, 4>& corners, const std::array<double, 4>& weights);

    int vertexCount() const { return static_cast<int>(corners_.size()); }
    const std::array<int, 4>& corners(int vertex) const { return corners_[vertex]; }
    const std::array<double, 4>& weights(int vertex) const { return weights_[vertex]; }

    // Where the vertices are when the lattice's nodes are at `nodes` (3 x m):
    // vertex i into column i of `vertices` (3 x vertexCount()), each the sum
    // of its weighted corners in corner order, so the same nodes give the
    // same bits.
    void place(const Eigen::Ref<const Eigen::Matrix3Xd>& nodes,
               Eigen::Ref<Eigen::Matrix3Xd> vertices) const;

    // The node that carries most of `vertex` (the first of equal weights):
    // the mouse pulls it when the vertex is picked.
    int heaviestNode(int vertex) const;

    // The nodes that hold `vertices` in place, each once, in the order
    // first met: every corner of a vertex's tetrahedron with a weight above
    // zero. Pinning them pins the vertices exactly.
    std::vector<int> holdingNodes(const std::vector<int>& vertices) const;

private:
    std::vector<std::array<int, 4>> corners_;
    std::vector<std::array<double, 4>> weights_;
};

}  // namespace Zarvo
