#include <gtest/gtest.h>

#include "surface_mesh/Surface_mesh.h"

namespace surface_mesh {
namespace {

// Four vertices of a square, split along 0-2 into two triangles.
void makeSquare(Surface_mesh& mesh)
{
    mesh.add_vertex(Point(0, 0, 0));
    mesh.add_vertex(Point(1, 0, 0));
    mesh.add_vertex(Point(1, 1, 0));
    mesh.add_vertex(Point(0, 1, 0));
    mesh.add_face({Vertex(0), Vertex(1), Vertex(2)});
    mesh.add_face({Vertex(0), Vertex(2), Vertex(3)});
}

TEST(Surface_mesh, AddFaceLinksHalfedgesConsistently)
{
    Surface_mesh mesh;
    makeSquare(mesh);
    EXPECT_EQ(mesh.vertex_count(), 4u);
    EXPECT_EQ(mesh.edge_count(), 5u);
    EXPECT_EQ(mesh.face_count(), 2u);
    for (auto h : mesh.halfedges()) {
        EXPECT_EQ(mesh.prev_halfedge(mesh.next_halfedge(h)), h);
        EXPECT_EQ(mesh.opposite_halfedge(mesh.opposite_halfedge(h)), h);
        EXPECT_EQ(mesh.from_vertex(mesh.next_halfedge(h)), mesh.to_vertex(h));
        if (mesh.face(h).is_valid()) {
            EXPECT_EQ(mesh.face(mesh.next_halfedge(h)), mesh.face(h));
        }
    }
    int interior = 0;
    for (auto e : mesh.edges())
        interior += mesh.is_boundary(e) ? 0 : 1;
    EXPECT_EQ(interior, 1);
}

TEST(Surface_mesh, RefusedFacesLeaveTheMeshUnchanged)
{
    Surface_mesh mesh;
    makeSquare(mesh);
    const std::vector<std::vector<Vertex>> refused = {
        {Vertex(0), Vertex(1)},                  // fewer than three
        {Vertex(0), Vertex(1), Vertex(9)},       // out of range
        {Vertex(0), Vertex(1), Vertex(0)},       // repeated
        {Vertex(0), Vertex(1), Vertex(2)},       // edge 0-1 already has this face's side
    };
    for (const auto& face : refused) {
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(mesh.add_face(face).is_valid());
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("Surface_mesh::add_face: "), std::string::npos);
        EXPECT_EQ(mesh.face_count(), 2u);
        EXPECT_EQ(mesh.edge_count(), 5u);
    }
}

TEST(Surface_mesh, ClearKeepsArraysWithLengthZero)
{
    Surface_mesh mesh;
    makeSquare(mesh);
    auto weights = mesh.add_vertex_property<double>("v:weight", 2.0);
    mesh.clear();
    EXPECT_EQ(mesh.vertex_count(), 0u);
    auto found = mesh.find_vertex_property<double>("v:weight");
    ASSERT_TRUE(found);
    EXPECT_TRUE(found.vector().empty());
    (void)weights;
}

TEST(Surface_mesh, NormalsOfAFlatSheetPointAlongItsNormal)
{
    Surface_mesh mesh;
    makeSquare(mesh);
    mesh.compute_vertex_normals();
    auto normals = mesh.find_vertex_property<Point>("v:normal");
    ASSERT_TRUE(normals);
    for (auto v : mesh.vertices()) {
        EXPECT_NEAR(normals[v][0], 0.0, 1e-15);
        EXPECT_NEAR(normals[v][1], 0.0, 1e-15);
        EXPECT_NEAR(normals[v][2], 1.0, 1e-15);
    }
}

}  // namespace
}  // namespace surface_mesh
