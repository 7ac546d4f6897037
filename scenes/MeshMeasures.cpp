#include "scenes/MeshMeasures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

constexpr double shortestEdgeRatio = 1e-4;
constexpr double thinnestTriangleRatio = 1e-4;

bool isFinite(const Point& p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

} // namespace

Eigen::Matrix3Xd vertexPositions(const Surface_mesh& mesh)
{
    Eigen::Matrix3Xd points(3, mesh.vertex_count());
    for (const auto v : mesh.vertices())
        for (int c = 0; c < 3; ++c)
            points(c, v.idx()) = mesh.position(v)[c];
    return points;
}

std::vector<std::array<int, 3>> meshTriangles(const Surface_mesh& mesh)
{
    std::vector<std::array<int, 3>> triangles;
    triangles.reserve(mesh.face_count());
    for (const auto f : mesh.faces()) {
        std::array<int, 3> triangle{};
        std::size_t corners = 0;
        for (const auto v : mesh.vertices(f))
            if (corners++ < triangle.size())
                triangle[corners - 1] = v.idx();
        if (corners == triangle.size())
            triangles.push_back(triangle);
    }
    return triangles;
}

bool allFinite(const Surface_mesh& mesh)
{
    for (const auto v : mesh.vertices())
        if (!isFinite(mesh.position(v)))
            return false;
    return true;
}

int verticesOnNoFace(const Surface_mesh& mesh)
{
    int count = 0;
    for (const auto v : mesh.vertices())
        count += mesh.halfedge(v).is_valid() ? 0 : 1;
    return count;
}

BoundingBox boundingBox(const Surface_mesh& mesh)
{
    bool any = false;
    BoundingBox box;
    for (const auto v : mesh.vertices()) {
        const Point& p = mesh.position(v);
        if (!isFinite(p))
            continue;
        if (!any) {
            box.low = box.high = p;
            any = true;
        }
        for (int c = 0; c < 3; ++c) {
            box.low[c] = std::min(box.low[c], p[c]);
            box.high[c] = std::max(box.high[c], p[c]);
        }
    }
    return box;
}

double boundingBoxDiagonal(const Surface_mesh& mesh)
{
    const BoundingBox box = boundingBox(mesh);
    return norm(box.high - box.low);
}

double meanEdgeLength(const Surface_mesh& mesh)
{
    if (mesh.edge_count() == 0)
        return 0.0;
    double sum = 0.0;
    for (const auto e : mesh.edges())
        sum += norm(mesh.position(mesh.to_vertex(mesh.halfedge(e, 0)))
                    - mesh.position(mesh.to_vertex(mesh.halfedge(e, 1))));
    return sum / mesh.edge_count();
}

bool isDegenerateFace(const Surface_mesh& mesh, surface_mesh::Face f, double size)
{
    const double shortestEdge = shortestEdgeRatio * size;
    std::vector<Point> corners;
    for (const auto v : mesh.vertices(f))
        corners.push_back(mesh.position(v));
    double longest = 0.0;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        const double length = norm(corners[(k + 1) % corners.size()] - corners[k]);
        if (!(length >= shortestEdge))
            return true;
        longest = std::max(longest, length);
    }
    const double area = 0.5 * norm(cross(corners[1] - corners[0], corners[2] - corners[0]));
    return !(area >= thinnestTriangleRatio * longest * longest);
}
