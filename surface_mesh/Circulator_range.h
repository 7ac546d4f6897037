#pragma once

#include "surface_mesh/Handle.h"

namespace surface_mesh {

enum class Circulation {
    face_halfedges,    // halfedges of a face, h -> next(h)
    face_vertices,     // to_vertex of each halfedge of a face
    vertex_outgoing,   // halfedges leaving a vertex, h -> next(opp(h))
};

// One turn around a face or a vertex, for range-for, starting at `start`;
// empty when `start` is invalid. Mesh is Surface_mesh (a parameter only so
// that this header needs no definition of it).
template <typename Mesh, Circulation kind>
class Circulator_range
{
public:
    class iterator
    {
    public:
        iterator(const Mesh* mesh, Halfedge h, bool active) : mesh_(mesh), h_(h), active_(active) {}

        auto operator*() const
        {
            if constexpr (kind == Circulation::face_vertices)
                return mesh_->to_vertex(h_);
            else
                return h_;
        }

        // The start is both the first position and, after one turn, the end;
        // `active` tells the two apart.
        bool operator==(const iterator& other) const { return h_ == other.h_ && active_ == other.active_; }
        bool operator!=(const iterator& other) const { return !(*this == other); }

        iterator& operator++()
        {
            if constexpr (kind == Circulation::vertex_outgoing)
                h_ = mesh_->next_halfedge(mesh_->opposite_halfedge(h_));
            else
                h_ = mesh_->next_halfedge(h_);
            active_ = false;
            return *this;
        }

    private:
        const Mesh* mesh_;
        Halfedge h_;
        bool active_;
    };

    Circulator_range(const Mesh& mesh, Halfedge start) : mesh_(&mesh), start_(start) {}

    iterator begin() const { return iterator(mesh_, start_, start_.is_valid()); }
    iterator end() const { return iterator(mesh_, start_, false); }

private:
    const Mesh* mesh_;
    Halfedge start_;
};

} // namespace surface_mesh
