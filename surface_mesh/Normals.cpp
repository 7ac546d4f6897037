#include "surface_mesh/Surface_mesh.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace surface_mesh {

namespace {
// Lengths at or below the smallest normalised double count as zero.
constexpr double zero_length = DBL_MIN;
} // namespace

void Surface_mesh::compute_vertex_normals()
{
    if (!vnormals_)
        vnormals_ = obtain_vertex_property<Point>("v:normal");
    if (!vnormals_) {
        report_name_of_other_type("Surface_mesh::compute_vertex_normals", "v:normal");
        return;
    }
    for (const Vertex v : vertices())
        vnormals_[v] = normal_of_vertex(v);
}

Point Surface_mesh::normal_of_vertex(Vertex v) const
{
    Point n(0, 0, 0);
    if (!halfedge(v).is_valid())
        return n;

    const Point& p0 = position(v);
    for (const Halfedge h : outgoing_halfedges(v)) {
        if (is_boundary(h))
            continue;
        const Point a = position(to_vertex(h)) - p0;
        const Point b = position(from_vertex(prev_halfedge(h))) - p0;
        const double d = std::sqrt(dot(a, a) * dot(b, b));
        if (d <= zero_length)
            continue;
        // Rounding can push the cosine of a nearly flat corner past +-1.
        const double c = std::clamp(dot(a, b) / d, -1.0, 1.0);
        const Point m = cross(a, b);
        const double l = norm(m);
        if (l > zero_length)
            n += (std::acos(c) / l) * m;
    }

    const double length = norm(n);
    return length > zero_length ? n * (1.0 / length) : n * 0.0;
}

} // namespace surface_mesh
