#include "MeshChecks.h"

#include <gtest/gtest.h>

using namespace surface_mesh;

std::string captured_stderr(const std::function<void()>& action)
{
    testing::internal::CaptureStderr();
    action();
    return testing::internal::GetCapturedStderr();
}

std::string connectivity_error(const Surface_mesh& mesh)
{
    const std::string at = " at halfedge ";
    for (const Halfedge h : mesh.halfedges()) {
        const std::string where = at + std::to_string(h.idx());
        const Halfedge next = mesh.next_halfedge(h);
        if (!mesh.is_valid(next) || !mesh.is_valid(mesh.prev_halfedge(h)))
            return "unlinked" + where;
        if (mesh.prev_halfedge(next) != h)
            return "prev(next(h)) != h" + where;
        if (mesh.from_vertex(next) != mesh.to_vertex(h))
            return "next does not continue from to_vertex" + where;
        if (mesh.face(next) != mesh.face(h))
            return "loop changes face" + where;
        if (!mesh.is_valid(mesh.to_vertex(h)))
            return "no vertex" + where;
    }
    for (const Face f : mesh.faces()) {
        unsigned int corners = 0;
        for (const Halfedge h : mesh.halfedges(f)) {
            if (mesh.face(h) != f)
                return "face loop " + std::to_string(f.idx()) + " leaves its face";
            if (++corners > mesh.halfedge_slots())
                return "face loop " + std::to_string(f.idx()) + " does not close";
        }
        if (corners < 3)
            return "face " + std::to_string(f.idx()) + " has fewer than three corners";
    }
    for (const Vertex v : mesh.vertices()) {
        unsigned int count = 0;
        bool any_boundary = false;
        for (const Halfedge h : mesh.outgoing_halfedges(v)) {
            if (mesh.from_vertex(h) != v)
                return "outgoing halfedge of vertex " + std::to_string(v.idx()) + " starts elsewhere";
            any_boundary = any_boundary || mesh.is_boundary(h);
            if (++count > mesh.halfedge_slots())
                return "fan of vertex " + std::to_string(v.idx()) + " does not close";
        }
        if (any_boundary && !mesh.is_boundary(v))
            return "boundary vertex " + std::to_string(v.idx()) + " stores an interior halfedge";
    }
    return {};
}
