#include "SelfIntersections.h"

#include <iterator>
#include <stdexcept>
#include <utility>

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>

int intersectingTrianglePairs(const Eigen::Matrix3Xd& points,
                              const std::vector<std::array<int, 3>>& triangles)
{
    using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
    using Mesh = CGAL::Surface_mesh<Kernel::Point_3>;
    Mesh mesh;
    std::vector<Mesh::Vertex_index> vertices;
    for (Eigen::Index i = 0; i < points.cols(); ++i)
        vertices.push_back(mesh.add_vertex(Kernel::Point_3(points(0, i), points(1, i), points(2, i))));
    for (const auto& t : triangles)
        if (mesh.add_face(vertices[t[0]], vertices[t[1]], vertices[t[2]]) == Mesh::null_face())
            throw std::invalid_argument("intersectingTrianglePairs: the triangles are not a surface");
    std::vector<std::pair<Mesh::Face_index, Mesh::Face_index>> pairs;
    CGAL::Polygon_mesh_processing::self_intersections(mesh, std::back_inserter(pairs));
    return static_cast<int>(pairs.size());
}
