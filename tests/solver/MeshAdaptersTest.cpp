#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "SolverTestSupport.h"
#include "solver/MeshAdapters.h"

namespace Zarvo {
namespace {

using surface_mesh::Point;
using surface_mesh::Surface_mesh;
using surface_mesh::Vertex;

struct Recorder
{
    std::vector<std::vector<int>> indices;
    std::vector<Eigen::Matrix3Xd> positions;
    ElementCallback callback()
    {
        return [this](const std::vector<int>& ids, const Eigen::Matrix3Xd& p) {
            indices.push_back(ids);
            positions.push_back(p);
        };
    }
};

// Two triangles (0, 1, 2) and (0, 3, 1) sharing the edge 0-1.
void makeHinge(Surface_mesh& mesh)
{
    mesh.add_vertex(Point(0, 0, 0));
    mesh.add_vertex(Point(1, 0, 0));
    mesh.add_vertex(Point(0.5, 1, 0));
    mesh.add_vertex(Point(0.5, -1, 0));
    mesh.add_face({Vertex(0), Vertex(1), Vertex(2)});
    mesh.add_face({Vertex(0), Vertex(3), Vertex(1)});
}

TEST(MeshAdapters, EqualateralTriangleGivesEachCornerAThirdOfItsArea)
{
    Surface_mesh mesh;
    mesh.add_vertex(Point(0, 0, 0));
    mesh.add_vertex(Point(1, 0, 0));
    mesh.add_vertex(Point(0.5, std::sqrt(3.0) / 2, 0));
    mesh.add_vertex(Point(5, 5, 5));  // on no face
    mesh.add_face({Vertex(0), Vertex(1), Vertex(2)});
    Eigen::SparseMatrix<double> masses;
    buildMassMatrix(mesh, masses);
    ASSERT_EQ(masses.rows(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(masses.coeff(i, i), std::sqrt(3.0) / 4 / 3, 1e-15);
    EXPECT_EQ(masses.nonZeros(), 3);

    // Heron's formula in its documented order gives this triangle an area
    // of 2.0000000000000018; times the double nearest 1/3 that is
    // 0.6666666666666672, where dividing by 3 would give ...673.
    Surface_mesh thin;
    thin.add_vertex(Point(0, 0, 0));
    thin.add_vertex(Point(1, 0, 0));
    thin.add_vertex(Point(0, 4, 0));
    thin.add_face({Vertex(0), Vertex(1), Vertex(2)});
    buildMassMatrix(thin, masses);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(masses.coeff(i, i), 0.6666666666666672);
}

TEST(MeshAdapters, MassesSumAroundSharedVerticesAndUseOnlyThreeCornersOfAQuad)
{
    surface_mesh::Surface_mesh grid;
    testing::makeGrid(grid, 3, 1.0);
    Eigen::SparseMatrix<double> masses;
    buildMassMatrix(grid, masses);
    EXPECT_NEAR(masses.coeff(4, 4), 6 * 0.5 / 3, 1e-15);  // centre: six half-unit triangles
    EXPECT_NEAR(Eigen::MatrixXd(masses).sum(), 4.0, 1e-13);

    Surface_mesh quad;
    quad.add_vertex(Point(0, 0, 0));
    quad.add_vertex(Point(2, 0, 0));
    quad.add_vertex(Point(2, 2, 0));
    quad.add_vertex(Point(0, 2, 0));
    quad.add_face({Vertex(0), Vertex(1), Vertex(2), Vertex(3)});
    buildMassMatrix(quad, masses);
    Recorder faces;
    forEachFace(quad, faces.callback());
    ASSERT_EQ(faces.indices.size(), 1u);
    EXPECT_EQ(faces.indices[0].size(), 4u);
    EXPECT_EQ(masses.nonZeros(), 3);
    EXPECT_NEAR(Eigen::MatrixXd(masses).sum(), 2.0 * 3 / 3, 1e-14);
}

TEST(MeshAdapters, CollinearFaceHasNoMassRatherThanNaN)
{
    // Collinear corners whose Heron product rounds to -1.3e-14 in two of the
    // three orders the face may be walked in; each order is one triangle here.
    const Point corners[] = {Point(0, 0, 0), Point(0.3, 0.7, 1.1), Point(0.9, 2.1, 3.3)};
    Surface_mesh mesh;
    for (int first = 0; first < 3; ++first) {
        std::vector<Vertex> face;
        for (int k = 0; k < 3; ++k)
            face.push_back(mesh.add_vertex(corners[(first + k) % 3]));
        mesh.add_face(face);
    }
    Eigen::SparseMatrix<double> masses;
    buildMassMatrix(mesh, masses);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(masses.coeff(i, i), 0.0) << "vertex " << i;
}

TEST(MeshAdapters, WalksPassIndicesAndPositionsInTheirDocumentedOrder)
{
    Surface_mesh mesh;
    makeHinge(mesh);
    Recorder edges, faces, hinges;
    forEachEdge(mesh, edges.callback());
    forEachFace(mesh, faces.callback());
    forEachInteriorEdge(mesh, hinges.callback());

    ASSERT_EQ(edges.indices.size(), mesh.edge_count());
    for (std::size_t e = 0; e < edges.indices.size(); ++e) {
        const surface_mesh::Edge edge(static_cast<int>(e));
        EXPECT_EQ(edges.indices[e], (std::vector<int>{mesh.to_vertex(mesh.halfedge(edge, 0)).idx(),
                                                      mesh.to_vertex(mesh.halfedge(edge, 1)).idx()}));
    }
    // Each face is walked from its own halfedge, around the face's cycle.
    const std::vector<std::vector<int>> cycles = {{0, 1, 2}, {0, 3, 1}};
    ASSERT_EQ(faces.indices.size(), 2u);
    for (std::size_t f = 0; f < 2; ++f) {
        const auto& ids = faces.indices[f];
        ASSERT_EQ(ids.size(), 3u);
        const auto start = std::find(ids.begin(), ids.end(), 0) - ids.begin();
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(ids[(start + k) % 3], cycles[f][k]) << "face " << f;
    }

    // The edge's ends, then the corner of the face that runs from the first
    // end to the second, then the other face's corner: face (0, 1, 2) runs
    // 0 -> 1 and face (0, 3, 1) runs 1 -> 0.
    ASSERT_EQ(hinges.indices.size(), 1u);
    const auto& hinge = hinges.indices[0];
    EXPECT_TRUE(hinge == (std::vector<int>{0, 1, 2, 3}) || hinge == (std::vector<int>{1, 0, 3, 2}))
        << hinge[0] << " " << hinge[1] << " " << hinge[2] << " " << hinge[3];
    for (int j = 0; j < 4; ++j) {
        const auto& p = mesh.position(Vertex(hinge[j]));
        EXPECT_EQ(hinges.positions[0].col(j), Eigen::Vector3d(p[0], p[1], p[2]));
    }
}

TEST(MeshAdapters, SingleTriangleHasNoHingeAndEmptyCallbackThrows)
{
    Surface_mesh mesh;
    mesh.add_vertex(Point(0, 0, 0));
    mesh.add_vertex(Point(1, 0, 0));
    mesh.add_vertex(Point(0, 1, 0));
    mesh.add_face({Vertex(0), Vertex(1), Vertex(2)});
    Recorder hinges;
    forEachInteriorEdge(mesh, hinges.callback());
    EXPECT_TRUE(hinges.indices.empty());
    EXPECT_THROW(forEachEdge(mesh, ElementCallback()), std::bad_function_call);
    EXPECT_THROW(forEachFace(mesh, ElementCallback()), std::bad_function_call);
}

TEST(MeshAdapters, PointsViewSharesTheMeshArray)
{
    Surface_mesh mesh;
    makeHinge(mesh);
    auto view = pointsView(mesh);
    ASSERT_EQ(view.cols(), 4);
    view(1, 2) = 7.0;
    EXPECT_EQ(mesh.position(Vertex(2))[1], 7.0);
}

}  // namespace
}  // namespace Zarvo
