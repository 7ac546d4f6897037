#include "solver/MeshAdapters.h"

#include <algorithm>
#include <cmath>

namespace Zarvo {

using surface_mesh::Halfedge;
using surface_mesh::Surface_mesh;
using surface_mesh::Vertex;

namespace {

Eigen::Vector3d positionOf(const Surface_mesh& mesh, int index)
{
    const auto& p = mesh.position(Vertex(index));
    return Eigen::Vector3d(p[0], p[1], p[2]);
}

void callWith(const Surface_mesh& mesh, const ElementCallback& callback,
              const std::vector<int>& indices)
{
    Eigen::Matrix3Xd positions(3, static_cast<Eigen::Index>(indices.size()));
    for (std::size_t j = 0; j < indices.size(); ++j)
        positions.col(static_cast<Eigen::Index>(j)) = positionOf(mesh, indices[j]);
    callback(indices, positions);
}

}  // namespace

Eigen::Map<Eigen::Matrix3Xd> pointsView(Surface_mesh& mesh)
{
    auto& storage = mesh.obtain_vertex_property<surface_mesh::Point>("v:point").vector();
    return Eigen::Map<Eigen::Matrix3Xd>(storage.empty() ? nullptr : storage[0].data(), 3,
                                        static_cast<Eigen::Index>(mesh.vertex_count()));
}

void forEachEdge(const Surface_mesh& mesh, const ElementCallback& callback)
{
    for (auto e : mesh.edges())
        callWith(mesh, callback,
                 {mesh.to_vertex(mesh.halfedge(e, 0)).idx(), mesh.to_vertex(mesh.halfedge(e, 1)).idx()});
}

void forEachFace(const Surface_mesh& mesh, const ElementCallback& callback)
{
    for (auto f : mesh.faces()) {
        std::vector<int> corners;
        const Halfedge first = mesh.halfedge(f);
        Halfedge h = first;
        do {
            corners.push_back(mesh.to_vertex(h).idx());
            h = mesh.next_halfedge(h);
        } while (h != first);
        callWith(mesh, callback, corners);
    }
}

void forEachInteriorEdge(const Surface_mesh& mesh, const ElementCallback& callback)
{
    for (auto e : mesh.edges()) {
        const Halfedge h0 = mesh.halfedge(e, 0);
        const Halfedge h1 = mesh.halfedge(e, 1);
        if (!mesh.face(h0).is_valid() || !mesh.face(h1).is_valid())
            continue;
        callWith(mesh, callback,
                 {mesh.to_vertex(h1).idx(), mesh.to_vertex(h0).idx(),
                  mesh.to_vertex(mesh.next_halfedge(h0)).idx(),
                  mesh.to_vertex(mesh.next_halfedge(h1)).idx()});
    }
}

void buildMassMatrix(const Surface_mesh& mesh, Eigen::SparseMatrix<double>& masses)
{
    const auto n = static_cast<Eigen::Index>(mesh.vertex_count());
    masses = Eigen::SparseMatrix<double>(n, n);
    std::vector<Eigen::Triplet<double>> triplets;
    for (auto f : mesh.faces()) {
        const Halfedge h = mesh.halfedge(f);
        const int v0 = mesh.to_vertex(h).idx();
        const int v1 = mesh.to_vertex(mesh.next_halfedge(h)).idx();
        const int v2 = mesh.to_vertex(mesh.next_halfedge(mesh.next_halfedge(h))).idx();
        const Eigen::Vector3d p0 = positionOf(mesh, v0);
        const Eigen::Vector3d p1 = positionOf(mesh, v1);
        const Eigen::Vector3d p2 = positionOf(mesh, v2);
        const double a = (p2 - p0).norm();
        const double b = (p0 - p1).norm();
        const double c = (p1 - p2).norm();
        // Heron's formula, factors multiplied in this order. For collinear
        // corners rounding can make the product slightly negative; such a
        // face has no area rather than a NaN mass.
        const double s = (a + (b + c)) * 0.5;
        const double area = std::sqrt(std::max(0.0, s * (s - b) * (s - c) * (s - a)));
        const double value = area * 0.3333333333333333;
        triplets.emplace_back(v0, v0, value);
        triplets.emplace_back(v1, v1, value);
        triplets.emplace_back(v2, v2, value);
    }
    masses.setFromTriplets(triplets.begin(), triplets.end());
}

}  // namespace Zarvo
