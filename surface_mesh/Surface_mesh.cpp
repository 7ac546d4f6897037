#include "surface_mesh/Surface_mesh.h"

#include <algorithm>
#include <iostream>

namespace surface_mesh {

Surface_mesh::Surface_mesh()
{
    vconn_ = add_vertex_property<Vertex_connectivity>("v:connectivity");
    hconn_ = add_halfedge_property<Halfedge_connectivity>("h:connectivity");
    fconn_ = add_face_property<Face_connectivity>("f:connectivity");
    points_ = add_vertex_property<Point>("v:point");
    vdeleted_ = add_vertex_property<bool>("v:deleted", false);
    edeleted_ = add_edge_property<bool>("e:deleted", false);
    fdeleted_ = add_face_property<bool>("f:deleted", false);
}

Vertex Surface_mesh::add_vertex(const Point& p)
{
    vprops_.push_back();
    const Vertex v(static_cast<int>(vertex_slots()) - 1);
    points_[v] = p;
    return v;
}

void Surface_mesh::clear()
{
    vprops_.resize(0);
    hprops_.resize(0);
    eprops_.resize(0);
    fprops_.resize(0);

    vprops_.free_memory();
    hprops_.free_memory();
    eprops_.free_memory();
    fprops_.free_memory();

    deleted_vertices_ = deleted_edges_ = deleted_faces_ = 0;
    garbage_ = false;
}

void Surface_mesh::reserve(unsigned int nv, unsigned int ne, unsigned int nf)
{
    vprops_.reserve(nv);
    hprops_.reserve(2 * static_cast<std::size_t>(ne));
    eprops_.reserve(ne);
    fprops_.reserve(nf);
}

Halfedge Surface_mesh::find_halfedge(Vertex start, Vertex end) const
{
    const Halfedge first = halfedge(start);
    if (!first.is_valid())
        return Halfedge();
    Halfedge h = first;
    while (to_vertex(h) != end) {
        h = next_halfedge(opposite_halfedge(h));
        if (h == first)
            return Halfedge();
    }
    return h;
}

unsigned int Surface_mesh::valence(Vertex v) const
{
    unsigned int count = 0;
    for (const Halfedge h : outgoing_halfedges(v)) {
        static_cast<void>(h);
        ++count;
    }
    return count;
}

Surface_mesh::Vertex_range Surface_mesh::vertices() const
{
    return Vertex_range(static_cast<int>(vertex_slots()), garbage_ ? &vdeleted_.array() : nullptr);
}

Surface_mesh::Halfedge_range Surface_mesh::halfedges() const
{
    return Halfedge_range(static_cast<int>(halfedge_slots()), nullptr);
}

Surface_mesh::Edge_range Surface_mesh::edges() const
{
    return Edge_range(static_cast<int>(edge_slots()), garbage_ ? &edeleted_.array() : nullptr);
}

Surface_mesh::Face_range Surface_mesh::faces() const
{
    return Face_range(static_cast<int>(face_slots()), garbage_ ? &fdeleted_.array() : nullptr);
}

Halfedge Surface_mesh::new_edge(Vertex start, Vertex end)
{
    eprops_.push_back();
    hprops_.push_back();
    hprops_.push_back();
    const Halfedge h0(static_cast<int>(halfedge_slots()) - 2);
    const Halfedge h1 = opposite_halfedge(h0);
    hconn_[h0].vertex = end;
    hconn_[h1].vertex = start;
    return h0;
}

Face Surface_mesh::new_face()
{
    fprops_.push_back();
    return Face(static_cast<int>(face_slots()) - 1);
}

// Rejects what the halfedge construction below cannot take: fewer than three
// corners, handles of no existing vertex, a vertex given twice.
bool Surface_mesh::has_three_distinct_known_vertices(const std::vector<Vertex>& vertices,
                                                     std::ostream& messages)
{
    if (vertices.size() < 3) {
        messages << "Surface_mesh::add_face: fewer than three vertices\n";
        return false;
    }
    auto& sorted = add_face_sorted_indices_;
    sorted.clear();
    for (const Vertex v : vertices) {
        if (!is_valid(v)) {
            messages << "Surface_mesh::add_face: invalid vertex\n";
            return false;
        }
        sorted.push_back(v.idx());
    }
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
        messages << "Surface_mesh::add_face: repeated vertex\n";
        return false;
    }
    return true;
}

Face Surface_mesh::add_face(const std::vector<Vertex>& vertices, std::ostream& messages)
{
    if (!has_three_distinct_known_vertices(vertices, messages))
        return Face();

    const std::size_t n = vertices.size();
    auto& halfedges = add_face_halfedges_;
    auto& is_new = add_face_is_new_;
    auto& needs_adjust = add_face_needs_adjust_;
    auto& next_cache = add_face_next_cache_;
    halfedges.resize(n);
    is_new.assign(n, false);
    needs_adjust.assign(n, false);
    next_cache.clear();
    next_cache.reserve(3 * n);

    // Test for topological errors first, so a refusal leaves the mesh as it was.
    for (std::size_t i = 0, ii = 1; i < n; ++i, ++ii, ii %= n) {
        if (!is_boundary(vertices[i])) {
            messages << "Surface_mesh::add_face: complex vertex\n";
            return Face();
        }
        halfedges[i] = find_halfedge(vertices[i], vertices[ii]);
        is_new[i] = !halfedges[i].is_valid();
        if (!is_new[i] && !is_boundary(halfedges[i])) {
            messages << "Surface_mesh::add_face: complex edge\n";
            return Face();
        }
    }

    // Two consecutive existing halfedges that are not yet neighbours: move the
    // patch between them elsewhere on the boundary loop.
    for (std::size_t i = 0, ii = 1; i < n; ++i, ++ii, ii %= n) {
        if (is_new[i] || is_new[ii])
            continue;
        const Halfedge inner_prev = halfedges[i];
        const Halfedge inner_next = halfedges[ii];
        if (next_halfedge(inner_prev) == inner_next)
            continue;

        Halfedge boundary_prev = opposite_halfedge(inner_next);
        do {
            boundary_prev = opposite_halfedge(next_halfedge(boundary_prev));
        } while (!is_boundary(boundary_prev) || boundary_prev == inner_prev);

        const Halfedge boundary_next = next_halfedge(boundary_prev);
        if (boundary_next == inner_next) {
            messages << "Surface_meshT::add_face: patch re-linking failed\n";
            return Face();
        }

        const Halfedge patch_start = next_halfedge(inner_prev);
        const Halfedge patch_end = prev_halfedge(inner_next);
        next_cache.emplace_back(boundary_prev, patch_start);
        next_cache.emplace_back(patch_end, boundary_next);
        next_cache.emplace_back(inner_prev, inner_next);
    }

    for (std::size_t i = 0, ii = 1; i < n; ++i, ++ii, ii %= n)
        if (is_new[i])
            halfedges[i] = new_edge(vertices[i], vertices[ii]);

    const Face f = new_face();
    fconn_[f].halfedge = halfedges[n - 1];

    for (std::size_t i = 0, ii = 1; i < n; ++i, ++ii, ii %= n) {
        const Vertex v = vertices[ii];
        const Halfedge inner_prev = halfedges[i];
        const Halfedge inner_next = halfedges[ii];
        const int id = (is_new[i] ? 1 : 0) | (is_new[ii] ? 2 : 0);

        if (id != 0) {
            const Halfedge outer_prev = opposite_halfedge(inner_next);
            const Halfedge outer_next = opposite_halfedge(inner_prev);
            switch (id) {
            case 1: {
                const Halfedge boundary_prev = prev_halfedge(inner_next);
                next_cache.emplace_back(boundary_prev, outer_next);
                vconn_[v].halfedge = outer_next;
                break;
            }
            case 2: {
                const Halfedge boundary_next = next_halfedge(inner_prev);
                next_cache.emplace_back(outer_prev, boundary_next);
                vconn_[v].halfedge = boundary_next;
                break;
            }
            default: {
                if (!halfedge(v).is_valid()) {
                    vconn_[v].halfedge = outer_next;
                    next_cache.emplace_back(outer_prev, outer_next);
                } else {
                    const Halfedge boundary_next = halfedge(v);
                    const Halfedge boundary_prev = prev_halfedge(boundary_next);
                    next_cache.emplace_back(boundary_prev, outer_next);
                    next_cache.emplace_back(outer_prev, boundary_next);
                }
                break;
            }
            }
            next_cache.emplace_back(inner_prev, inner_next);
        } else {
            needs_adjust[ii] = (halfedge(v) == inner_next);
        }
        hconn_[inner_prev].face = f;
    }

    for (const auto& [a, b] : next_cache)
        link(a, b);

    for (std::size_t i = 0; i < n; ++i)
        if (needs_adjust[i])
            adjust_outgoing_halfedge(vertices[i]);

    return f;
}

// Keeps the invariant that a boundary vertex stores a boundary halfedge.
void Surface_mesh::adjust_outgoing_halfedge(Vertex v)
{
    const Halfedge first = halfedge(v);
    if (!first.is_valid())
        return;
    Halfedge h = first;
    do {
        if (is_boundary(h)) {
            vconn_[v].halfedge = h;
            return;
        }
        h = next_halfedge(opposite_halfedge(h));
    } while (h != first);
}

} // namespace surface_mesh
