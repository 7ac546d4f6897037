#include "scenes/EmbeddedLattice.h"

EmbeddedLattice::EmbeddedLattice(std::shared_ptr<const Zarvo::FilledSolid> solid)
    : nodes(solid->nodes), solid_(std::move(solid))
{
}

void EmbeddedLattice::moveSurface(surface_mesh::Surface_mesh& mesh) const
{
    using Point = surface_mesh::Vector<double, 3>;
    auto points = mesh.find_vertex_property<Point>("v:point");
    auto& storage = points.vector();
    // Each "v:point" entry is three contiguous doubles: the array is 3 x n.
    Eigen::Map<Eigen::Matrix3Xd> vertices(storage[0].data(), 3,
                                          static_cast<Eigen::Index>(storage.size()));
    solid_->embedding.place(nodes, vertices);
}

int EmbeddedLattice::pulledNode(int vertex) const
{
    return vertex < 0 ? -1 : solid_->embedding.heaviestNode(vertex);
}
