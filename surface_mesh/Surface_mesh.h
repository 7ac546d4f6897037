#pragma once

#include "surface_mesh/Circulator_range.h"
#include "surface_mesh/Element_range.h"
#include "surface_mesh/Handle.h"
#include "surface_mesh/Property.h"
#include "surface_mesh/Property_container.h"
#include "surface_mesh/Vector.h"

#include <cstdint>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace surface_mesh {

// A halfedge mesh of polygonal faces over shared vertices. Edge e owns the
// halfedges 2e and 2e + 1, which are each other's opposite. Every per-element
// datum lives in a named array ("v:point", "v:normal", "h:texcoord", ...);
// "v:point" holds the positions, 3 contiguous doubles per vertex slot.
class Surface_mesh
{
public:
    struct Vertex_connectivity
    {
        Halfedge halfedge; // outgoing; a boundary halfedge when the vertex is on the boundary
    };

    struct Halfedge_connectivity
    {
        Face face;              // invalid for a boundary halfedge
        Vertex vertex;          // the vertex the halfedge points to
        Halfedge next_halfedge; // neighbours in the same face or boundary loop
        Halfedge prev_halfedge;
    };

    struct Face_connectivity
    {
        Halfedge halfedge; // the one ending at the first vertex given to add_face
    };

    using Vertex_range = Element_range<Vertex>;
    using Halfedge_range = Element_range<Halfedge>;
    using Edge_range = Element_range<Edge>;
    using Face_range = Element_range<Face>;
    using Face_halfedge_range = Circulator_range<Surface_mesh, Circulation::face_halfedges>;
    using Face_vertex_range = Circulator_range<Surface_mesh, Circulation::face_vertices>;
    using Outgoing_halfedge_range = Circulator_range<Surface_mesh, Circulation::vertex_outgoing>;

    Surface_mesh();
    virtual ~Surface_mesh() = default;

    Surface_mesh(const Surface_mesh&) = delete;
    Surface_mesh& operator=(const Surface_mesh&) = delete;

    // Building.

    Vertex add_vertex(const Point& p);

    // Adds the polygon through `vertices` (in order; the face's normal points
    // to the side from which they run counter-clockwise). Refuses, with a
    // line on `messages`, an invalid Face and the mesh unchanged, fewer
    // than three vertices, invalid or unknown vertex handles, a vertex given
    // twice, and any face that would make the mesh non-manifold.
    Face add_face(const std::vector<Vertex>& vertices, std::ostream& messages = std::cerr);

    // Empties the mesh; every array (also those added later) stays, with
    // length 0, so property handles remain valid.
    void clear();

    // Room for nv vertices, ne edges (2 ne halfedges) and nf faces.
    void reserve(unsigned int nv, unsigned int ne, unsigned int nf);

    // Counts. The *_slots counts include deleted elements.

    unsigned int vertex_slots() const { return static_cast<unsigned int>(vprops_.size()); }
    unsigned int halfedge_slots() const { return static_cast<unsigned int>(hprops_.size()); }
    unsigned int edge_slots() const { return static_cast<unsigned int>(eprops_.size()); }
    unsigned int face_slots() const { return static_cast<unsigned int>(fprops_.size()); }
    unsigned int vertex_count() const { return vertex_slots() - deleted_vertices_; }
    unsigned int halfedge_count() const { return halfedge_slots() - 2 * deleted_edges_; }
    unsigned int edge_count() const { return edge_slots() - deleted_edges_; }
    unsigned int face_count() const { return face_slots() - deleted_faces_; }
    bool empty() const { return vertex_count() == 0; }

    // True for a handle of an existing element slot.
    bool is_valid(Vertex v) const { return v.is_valid() && static_cast<unsigned int>(v.idx()) < vertex_slots(); }
    bool is_valid(Halfedge h) const { return h.is_valid() && static_cast<unsigned int>(h.idx()) < halfedge_slots(); }
    bool is_valid(Edge e) const { return e.is_valid() && static_cast<unsigned int>(e.idx()) < edge_slots(); }
    bool is_valid(Face f) const { return f.is_valid() && static_cast<unsigned int>(f.idx()) < face_slots(); }

    // Navigation, constant time.

    Halfedge halfedge(Vertex v) const { return vconn_[v].halfedge; }
    Halfedge halfedge(Face f) const { return fconn_[f].halfedge; }
    // Halfedge i (0 or 1) of edge e: 2e + i.
    Halfedge halfedge(Edge e, unsigned int i) const { return Halfedge(2 * e.idx() + static_cast<int>(i)); }
    Vertex to_vertex(Halfedge h) const { return hconn_[h].vertex; }
    Vertex from_vertex(Halfedge h) const { return to_vertex(opposite_halfedge(h)); }
    Halfedge next_halfedge(Halfedge h) const { return hconn_[h].next_halfedge; }
    Halfedge prev_halfedge(Halfedge h) const { return hconn_[h].prev_halfedge; }
    Halfedge opposite_halfedge(Halfedge h) const { return Halfedge(h.idx() ^ 1); }
    Face face(Halfedge h) const { return hconn_[h].face; }
    Edge edge(Halfedge h) const { return Edge(h.idx() >> 1); }
    bool is_boundary(Halfedge h) const { return !face(h).is_valid(); }
    // True for an isolated vertex and for one on a boundary loop.
    bool is_boundary(Vertex v) const
    {
        const Halfedge h = halfedge(v);
        return !h.is_valid() || is_boundary(h);
    }
    bool is_boundary(Edge e) const { return is_boundary(halfedge(e, 0)) || is_boundary(halfedge(e, 1)); }

    Halfedge halfedge_of_vertex(Vertex v) const { return halfedge(v); }
    Halfedge halfedge_of_face(Face f) const { return halfedge(f); }
    Halfedge halfedge_of_edge(Edge e, unsigned int i) const { return halfedge(e, i); }
    Face face_of_halfedge(Halfedge h) const { return face(h); }
    Edge edge_of_halfedge(Halfedge h) const { return edge(h); }
    bool is_boundary_halfedge(Halfedge h) const { return is_boundary(h); }
    bool is_boundary_vertex(Vertex v) const { return is_boundary(v); }

    // The halfedge from `start` to `end`, or an invalid one.
    Halfedge find_halfedge(Vertex start, Vertex end) const;

    // Number of edges at v.
    unsigned int valence(Vertex v) const;

    // Iteration (range-for).

    Vertex_range vertices() const;
    Halfedge_range halfedges() const;
    Edge_range edges() const;
    Face_range faces() const;
    // Halfedges of f starting with halfedge(f); their to_vertex are the
    // vertices in the order given to add_face.
    Face_halfedge_range halfedges(Face f) const { return Face_halfedge_range(*this, halfedge(f)); }
    Face_vertex_range vertices(Face f) const { return Face_vertex_range(*this, halfedge(f)); }
    // Halfedges leaving v, starting with halfedge(v); empty for an isolated vertex.
    Outgoing_halfedge_range outgoing_halfedges(Vertex v) const { return Outgoing_halfedge_range(*this, halfedge(v)); }

    // Positions ("v:point").

    Point& position(Vertex v) { return points_[v]; }
    const Point& position(Vertex v) const { return points_[v]; }

    // Named arrays: find (invalid handle when absent or of another type),
    // add (invalid handle and a message when the name is taken), and obtain
    // (find, else add).

    template <typename T> Vertex_property<T> find_vertex_property(const std::string& name) const { return Vertex_property<T>(vprops_.find_property<T>(name)); }
    template <typename T> Halfedge_property<T> find_halfedge_property(const std::string& name) const { return Halfedge_property<T>(hprops_.find_property<T>(name)); }
    template <typename T> Edge_property<T> find_edge_property(const std::string& name) const { return Edge_property<T>(eprops_.find_property<T>(name)); }
    template <typename T> Face_property<T> find_face_property(const std::string& name) const { return Face_property<T>(fprops_.find_property<T>(name)); }

    template <typename T> Vertex_property<T> add_vertex_property(const std::string& name, const T& value = T()) { return Vertex_property<T>(vprops_.add_property<T>(name, value)); }
    template <typename T> Halfedge_property<T> add_halfedge_property(const std::string& name, const T& value = T()) { return Halfedge_property<T>(hprops_.add_property<T>(name, value)); }
    template <typename T> Edge_property<T> add_edge_property(const std::string& name, const T& value = T()) { return Edge_property<T>(eprops_.add_property<T>(name, value)); }
    template <typename T> Face_property<T> add_face_property(const std::string& name, const T& value = T()) { return Face_property<T>(fprops_.add_property<T>(name, value)); }

    template <typename T> Vertex_property<T> obtain_vertex_property(const std::string& name, const T& value = T()) { return Vertex_property<T>(obtain(vprops_, name, value)); }
    template <typename T> Halfedge_property<T> obtain_halfedge_property(const std::string& name, const T& value = T()) { return Halfedge_property<T>(obtain(hprops_, name, value)); }
    template <typename T> Edge_property<T> obtain_edge_property(const std::string& name, const T& value = T()) { return Edge_property<T>(obtain(eprops_, name, value)); }
    template <typename T> Face_property<T> obtain_face_property(const std::string& name, const T& value = T()) { return Face_property<T>(obtain(fprops_, name, value)); }

    // Names of the arrays of each kind, in order of creation.
    std::vector<std::string> vertex_properties() const { return vprops_.property_names(); }
    std::vector<std::string> halfedge_properties() const { return hprops_.property_names(); }
    std::vector<std::string> edge_properties() const { return eprops_.property_names(); }
    std::vector<std::string> face_properties() const { return fprops_.property_names(); }

    // Normals ("v:normal").

    // Stores normal_of_vertex of every vertex in "v:normal" (created on the
    // first call, or taken over from a reader). When "v:normal" names an
    // array of another type, stores nothing and says so on standard error.
    void compute_vertex_normals();

    // The angle-weighted mean of the unit normals of the face corners at v,
    // normalised; the zero vector when v has no faces or all its corners are
    // degenerate.
    Point normal_of_vertex(Vertex v) const;

private:
    template <typename T>
    static Property_array<T>* obtain(Property_container& container, const std::string& name, const T& value)
    {
        Property_array<T>* array = container.find_property<T>(name);
        return array != nullptr ? array : container.add_property<T>(name, value);
    }

    bool has_three_distinct_known_vertices(const std::vector<Vertex>& vertices, std::ostream& messages);
    Halfedge new_edge(Vertex start, Vertex end);
    Face new_face();
    void link(Halfedge a, Halfedge b)
    {
        hconn_[a].next_halfedge = b;
        hconn_[b].prev_halfedge = a;
    }
    void adjust_outgoing_halfedge(Vertex v);

    Property_container vprops_;
    Property_container hprops_;
    Property_container eprops_;
    Property_container fprops_;

    Vertex_property<Vertex_connectivity> vconn_;
    Halfedge_property<Halfedge_connectivity> hconn_;
    Face_property<Face_connectivity> fconn_;
    Vertex_property<bool> vdeleted_;
    Edge_property<bool> edeleted_;
    Face_property<bool> fdeleted_;
    Vertex_property<Point> points_;

    Vertex_property<Point> vnormals_;

protected:
    // Deletion bookkeeping. Nothing here deletes elements; a derived mesh
    // that does sets the element's "v:deleted", "e:deleted" or "f:deleted"
    // flag, counts it below and sets garbage_; from then on, iteration
    // skips flagged elements.
    std::uint32_t deleted_vertices_ = 0;
    std::uint32_t deleted_edges_ = 0;
    std::uint32_t deleted_faces_ = 0;
    bool garbage_ = false;

private:
    // Scratch lists of add_face, kept so that a call allocates nothing once
    // they have grown.
    std::vector<Halfedge> add_face_halfedges_;
    std::vector<bool> add_face_is_new_;
    std::vector<bool> add_face_needs_adjust_;
    std::vector<std::pair<Halfedge, Halfedge>> add_face_next_cache_;
    std::vector<int> add_face_sorted_indices_;
};

} // namespace surface_mesh
