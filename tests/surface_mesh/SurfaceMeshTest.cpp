#include "MeshChecks.h"

#include "surface_mesh/Surface_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace surface_mesh;

namespace {

// Vertices 0..count-1 on the unit circle in the xy plane.
std::vector<Vertex> add_ring(Surface_mesh& mesh, int count)
{
    std::vector<Vertex> vertices;
    for (int i = 0; i < count; ++i)
        vertices.push_back(mesh.add_vertex(Point(std::cos(i * 0.5), std::sin(i * 0.5), 0)));
    return vertices;
}

// The indices of the elements a range visits, in order.
template <typename Range> std::vector<int> indices(const Range& range)
{
    std::vector<int> visited;
    for (const auto x : range)
        visited.push_back(x.idx());
    return visited;
}

struct Counts
{
    unsigned int v, e, h, f;
    bool operator==(const Counts& o) const { return v == o.v && e == o.e && h == o.h && f == o.f; }
};

Counts counts(const Surface_mesh& mesh)
{
    return {mesh.vertex_count(), mesh.edge_count(), mesh.halfedge_count(), mesh.face_count()};
}

// A closed fan of `count` triangles around an added centre vertex (index
// count), so the centre is an interior vertex.
void make_closed_fan(Surface_mesh& mesh, int count)
{
    const auto ring = add_ring(mesh, count);
    const Vertex centre = mesh.add_vertex(Point(0, 0, 1));
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(mesh.add_face({centre, ring[i], ring[(i + 1) % count]}).is_valid());
}

// A mesh in the state that deleting elements leaves: flags set, garbage held.
struct Mesh_holding_garbage : Surface_mesh
{
    void hold_garbage() { garbage_ = true; }
};

} // namespace

TEST(SurfaceMesh, NewMeshCreatesItsArraysInOrder)
{
    Surface_mesh mesh;
    EXPECT_EQ(mesh.vertex_properties(), (std::vector<std::string>{"v:connectivity", "v:point", "v:deleted"}));
    EXPECT_EQ(mesh.halfedge_properties(), std::vector<std::string>{"h:connectivity"});
    EXPECT_EQ(mesh.edge_properties(), std::vector<std::string>{"e:deleted"});
    EXPECT_EQ(mesh.face_properties(), (std::vector<std::string>{"f:connectivity", "f:deleted"}));
    EXPECT_TRUE(mesh.empty());
}

TEST(SurfaceMesh, TwoTrianglesShareTheirCommonEdge)
{
    Surface_mesh mesh;
    const auto v = add_ring(mesh, 4);
    const Face f0 = mesh.add_face({v[0], v[1], v[2]});
    const Face f1 = mesh.add_face({v[0], v[2], v[3]});
    ASSERT_TRUE(f0.is_valid());
    ASSERT_TRUE(f1.is_valid());
    EXPECT_EQ(counts(mesh), (Counts{4, 5, 10, 2}));
    EXPECT_EQ(mesh.to_vertex(mesh.halfedge(f0)), v[0]);
    EXPECT_EQ(indices(mesh.vertices(f0)), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(indices(mesh.vertices(f1)), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(connectivity_error(mesh), "");

    const Halfedge shared = mesh.find_halfedge(v[2], v[0]);
    ASSERT_TRUE(shared.is_valid());
    EXPECT_EQ(mesh.face(shared), f0);
    EXPECT_EQ(mesh.face(mesh.opposite_halfedge(shared)), f1);
    EXPECT_EQ(mesh.edge(shared), mesh.edge(mesh.opposite_halfedge(shared)));
    EXPECT_EQ(mesh.halfedge(mesh.edge(shared), 0).idx() / 2, mesh.edge(shared).idx());
    EXPECT_FALSE(mesh.is_boundary(mesh.edge(shared)));
    for (const Vertex x : mesh.vertices()) {
        EXPECT_TRUE(mesh.is_boundary(x));
        EXPECT_TRUE(mesh.is_boundary(mesh.halfedge(x)));
    }
    EXPECT_EQ(mesh.valence(v[0]), 3u);
    EXPECT_EQ(mesh.valence(v[1]), 2u);
}

TEST(SurfaceMesh, RefusedFacesLeaveTheMeshUnchangedWithTheirMessage)
{
    Surface_mesh mesh;
    make_closed_fan(mesh, 5);
    const Vertex centre(5);
    const Vertex extra = mesh.add_vertex(Point(3, 3, 3));
    const Vertex extra2 = mesh.add_vertex(Point(4, 3, 3));
    EXPECT_FALSE(mesh.is_boundary(centre));
    // Two triangles meeting at w[0] only: a third over the first one's
    // boundary would close a fan around w[0] that leaves the second nowhere.
    const auto w = add_ring(mesh, 5);
    mesh.add_face({w[0], w[1], w[2]});
    mesh.add_face({w[0], w[3], w[4]});
    ASSERT_EQ(connectivity_error(mesh), "");
    const Counts before = counts(mesh);
    const auto links = [&] {
        std::vector<int> all;
        for (const Halfedge h : mesh.halfedges())
            all.insert(all.end(), {mesh.next_halfedge(h).idx(), mesh.prev_halfedge(h).idx(), mesh.face(h).idx()});
        for (const Vertex v : mesh.vertices())
            all.push_back(mesh.halfedge(v).idx());
        return all;
    };
    const auto links_before = links();

    struct Case
    {
        std::vector<Vertex> face;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{centre, extra, extra2}, "Surface_mesh::add_face: complex vertex\n"},
        {{Vertex(0), Vertex(1), extra}, "Surface_mesh::add_face: complex edge\n"},
        {{Vertex(0), Vertex(1)}, "Surface_mesh::add_face: fewer than three vertices\n"},
        {{}, "Surface_mesh::add_face: fewer than three vertices\n"},
        {{Vertex(0), Vertex(-1), extra}, "Surface_mesh::add_face: invalid vertex\n"},
        {{Vertex(0), extra, Vertex(99)}, "Surface_mesh::add_face: invalid vertex\n"},
        {{extra, extra2, extra}, "Surface_mesh::add_face: repeated vertex\n"},
        {{w[0], w[1], w[2]}, "Surface_mesh::add_face: complex edge\n"},
        {{w[1], w[0], w[2]}, "Surface_meshT::add_face: patch re-linking failed\n"},
    };
    for (const auto& c : cases) {
        Face f(0);
        EXPECT_EQ(captured_stderr([&] { f = mesh.add_face(c.face); }), c.message);
        EXPECT_FALSE(f.is_valid());
        EXPECT_EQ(counts(mesh), before);
        EXPECT_EQ(links(), links_before);
    }
}

TEST(SurfaceMesh, FaceJoiningSeparateFansAtAVertexKeepsLinksConsistent)
{
    // Vertex 0 carries three separate fans; the new face merges two of them
    // and moves the third elsewhere on the boundary loop of vertex 0.
    Surface_mesh mesh;
    const auto w = add_ring(mesh, 7);
    ASSERT_TRUE(mesh.add_face({w[0], w[1], w[2]}).is_valid());
    ASSERT_TRUE(mesh.add_face({w[0], w[3], w[4]}).is_valid());
    ASSERT_TRUE(mesh.add_face({w[0], w[5], w[6]}).is_valid());
    ASSERT_TRUE(mesh.add_face({w[0], w[2], w[3]}).is_valid());
    EXPECT_EQ(connectivity_error(mesh), "");
    EXPECT_TRUE(mesh.is_boundary(w[0]));
    EXPECT_EQ(mesh.valence(w[0]), 6u);
}

TEST(SurfaceMesh, FacesAddedInAnyOrderCloseAFanAndKeepLinksConsistent)
{
    // Faces of a closed fan, added so that later faces bridge earlier patches.
    for (const auto& order : std::vector<std::vector<int>>{{0, 1, 2, 3, 4, 5}, {0, 2, 4, 1, 3, 5}, {5, 3, 1, 0, 4, 2}}) {
        Surface_mesh mesh;
        const auto ring = add_ring(mesh, 6);
        const Vertex centre = mesh.add_vertex(Point(0, 0, 1));
        for (const int i : order) {
            ASSERT_TRUE(mesh.add_face({centre, ring[i], ring[(i + 1) % 6]}).is_valid());
            ASSERT_EQ(connectivity_error(mesh), "");
        }
        EXPECT_FALSE(mesh.is_boundary(centre));
        EXPECT_EQ(mesh.valence(centre), 6u);
        EXPECT_EQ(counts(mesh), (Counts{7, 12, 24, 6}));
    }
}

TEST(SurfaceMesh, IsolatedVertexIsBoundaryWithAnEmptyFan)
{
    Surface_mesh mesh;
    const Vertex v = mesh.add_vertex(Point(1, 2, 3));
    EXPECT_FALSE(mesh.halfedge(v).is_valid());
    EXPECT_TRUE(mesh.is_boundary(v));
    EXPECT_EQ(mesh.valence(v), 0u);
    EXPECT_EQ(mesh.position(v), Point(1, 2, 3));
}

TEST(SurfaceMesh, ClearKeepsEveryArrayWithLengthZero)
{
    Surface_mesh mesh;
    make_closed_fan(mesh, 4);
    auto normals = mesh.obtain_vertex_property<Point>("v:normal");
    auto texcoords = mesh.obtain_halfedge_property<Point>("h:texcoord");
    mesh.compute_vertex_normals();
    mesh.clear();
    EXPECT_EQ(counts(mesh), (Counts{0, 0, 0, 0}));
    EXPECT_EQ(normals.vector().size(), 0u);
    EXPECT_EQ(texcoords.vector().size(), 0u);
    EXPECT_EQ(mesh.find_vertex_property<Point>("v:normal").vector().data(), normals.vector().data());

    const Vertex v = mesh.add_vertex(Point(1, 1, 1));
    EXPECT_EQ(normals.vector().size(), 1u);
    EXPECT_EQ(normals[v], Point(0, 0, 0));
    mesh.compute_vertex_normals();
    EXPECT_EQ(normals[v], Point(0, 0, 0));
}

TEST(SurfaceMesh, PropertyAccessFindsAddsAndObtainsByNameAndType)
{
    Surface_mesh mesh;
    mesh.add_vertex(Point(1, 2, 3));
    EXPECT_FALSE(mesh.find_vertex_property<Point>("v:color"));
    auto colors = mesh.obtain_vertex_property<Point>("v:color", Point(1, 0, 0));
    ASSERT_TRUE(colors);
    EXPECT_EQ(colors[Vertex(0)], Point(1, 0, 0));
    EXPECT_TRUE(mesh.obtain_vertex_property<Point>("v:color"));
    EXPECT_FALSE(mesh.find_vertex_property<bool>("v:point"));

    Vertex_property<bool> wrong;
    EXPECT_EQ(captured_stderr([&] { wrong = mesh.obtain_vertex_property<bool>("v:point"); }),
              "[Property_container] A property with name \"v:point\" already exists. Returning invalid property.\n");
    EXPECT_FALSE(wrong);

    auto points = mesh.find_vertex_property<Point>("v:point");
    EXPECT_EQ(points.vector().size(), 1u);
    EXPECT_EQ(points[Vertex(0)], Point(1, 2, 3));
    auto weights = mesh.add_face_property<double>("f:weight", 0.5);
    EXPECT_TRUE(weights);
    EXPECT_TRUE(mesh.add_edge_property<int>("e:mark"));
}

TEST(SurfaceMesh, CirculatorsWalkPolygonsInGivenOrderAndFansOnce)
{
    Surface_mesh mesh;
    const auto v = add_ring(mesh, 9);
    const Face pentagon = mesh.add_face({v[4], v[0], v[1], v[2], v[3]});
    const Face quad = mesh.add_face({v[4], v[3], v[5], v[6]});
    ASSERT_TRUE(pentagon.is_valid());
    ASSERT_TRUE(quad.is_valid());
    EXPECT_EQ(indices(mesh.vertices(pentagon)), (std::vector<int>{4, 0, 1, 2, 3}));
    EXPECT_EQ(indices(mesh.vertices(quad)), (std::vector<int>{4, 3, 5, 6}));

    std::vector<int> neighbours;
    for (const Halfedge h : mesh.outgoing_halfedges(v[4])) {
        EXPECT_EQ(mesh.from_vertex(h), v[4]);
        neighbours.push_back(mesh.to_vertex(h).idx());
    }
    std::sort(neighbours.begin(), neighbours.end());
    EXPECT_EQ(neighbours, (std::vector<int>{0, 3, 6}));
    EXPECT_TRUE(mesh.outgoing_halfedges(v[8]).begin() == mesh.outgoing_halfedges(v[8]).end());
    EXPECT_EQ(connectivity_error(mesh), "");
}

TEST(SurfaceMesh, DeletedFlagsAreReadOnlyWhileTheMeshHoldsGarbage)
{
    Mesh_holding_garbage mesh;
    const auto v = add_ring(mesh, 5);
    mesh.add_face({v[0], v[1], v[2]});
    mesh.add_face({v[0], v[2], v[3]});
    auto vdeleted = mesh.find_vertex_property<bool>("v:deleted");
    auto edeleted = mesh.find_edge_property<bool>("e:deleted");
    auto fdeleted = mesh.find_face_property<bool>("f:deleted");
    vdeleted[v[0]] = vdeleted[v[2]] = vdeleted[v[4]] = true;
    edeleted[Edge(0)] = edeleted[Edge(4)] = true;
    fdeleted[Face(1)] = true;
    EXPECT_EQ(indices(mesh.vertices()), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(indices(mesh.edges()), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(indices(mesh.faces()), (std::vector<int>{0, 1}));

    // Flagged elements are skipped at the start, between live ones and at the end.
    mesh.hold_garbage();
    EXPECT_EQ(indices(mesh.vertices()), (std::vector<int>{1, 3}));
    EXPECT_EQ(indices(mesh.edges()), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(indices(mesh.faces()), (std::vector<int>{0}));
    vdeleted[v[1]] = vdeleted[v[3]] = true;
    EXPECT_TRUE(mesh.vertices().begin() == mesh.vertices().end());
}

TEST(SurfaceMesh, ReserveSizesEveryArrayOnce)
{
    Surface_mesh mesh;
    auto marks = mesh.add_edge_property<int>("e:mark");
    const auto storage = [&] {
        return std::vector<const void*>{
            mesh.find_vertex_property<Point>("v:point").vector().data(),
            mesh.find_halfedge_property<Surface_mesh::Halfedge_connectivity>("h:connectivity").vector().data(),
            marks.vector().data(),
            mesh.find_face_property<Surface_mesh::Face_connectivity>("f:connectivity").vector().data()};
    };
    // Exactly what a closed fan of 6 triangles needs: no array may move.
    mesh.reserve(7, 12, 6);
    const auto reserved = storage();
    make_closed_fan(mesh, 6);
    EXPECT_EQ(counts(mesh), (Counts{7, 12, 24, 6}));
    EXPECT_EQ(storage(), reserved);
    EXPECT_EQ(connectivity_error(mesh), "");
}
