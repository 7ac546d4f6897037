#pragma once

namespace surface_mesh {

// A mesh element handle: one signed 32-bit index, -1 when invalid. The tag
// keeps vertex, halfedge, edge and face handles apart as distinct types.
template <typename Tag>
class Handle
{
public:
    constexpr explicit Handle(int idx = -1) : idx_(idx) {}

    constexpr int idx() const { return idx_; }
    constexpr bool is_valid() const { return idx_ >= 0; }

    constexpr bool operator==(Handle other) const { return idx_ == other.idx_; }
    constexpr bool operator!=(Handle other) const { return idx_ != other.idx_; }
    constexpr bool operator<(Handle other) const { return idx_ < other.idx_; }

private:
    int idx_;
};

struct Vertex_tag;
struct Halfedge_tag;
struct Edge_tag;
struct Face_tag;

using Vertex = Handle<Vertex_tag>;
using Halfedge = Handle<Halfedge_tag>;
using Edge = Handle<Edge_tag>;
using Face = Handle<Face_tag>;

} // namespace surface_mesh
