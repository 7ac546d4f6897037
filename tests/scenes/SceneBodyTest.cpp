// Each scene's body built from the shipped files, stepped without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "scenes/SceneRecipe.h"
#include "scenes/SceneSetup.h"
#include "surface_mesh/Surface_mesh.h"

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

struct Scene
{
    explicit Scene(const SceneRecipe& recipe)
    {
        readSceneMesh(recipe, ZARVO_RESOURCE_DIR, mesh);
        body = buildSceneBody(recipe, mesh, [this](const std::vector<int>& ids,
                                                    const Eigen::Matrix3Xd&) {
            triangleCorners += ids.size() == 3 ? 3 : 0;
        });
    }

    Eigen::Matrix3Xd positions() const
    {
        const auto points = mesh.find_vertex_property<Point>("v:point");
        Eigen::Matrix3Xd result(3, mesh.vertex_count());
        for (int i = 0; i < result.cols(); ++i) {
            const Point& p = points[surface_mesh::Vertex(i)];
            result.col(i) = Eigen::Vector3d(p[0], p[1], p[2]);
        }
        return result;
    }

    void run(int steps)
    {
        for (int k = 0; k < steps; ++k)
            body.solver->step();
    }

    // One solver step with the mouse pushing vertex `picked`.
    void stepWithClick(int picked)
    {
        body.clickForce->vertex = picked;
        body.solver->step();
        body.clickForce->vertex = -1;
    }

    Surface_mesh mesh;
    SceneBody body;
    std::size_t triangleCorners = 0;
};

// Largest distance of a pinned vertex from its handle target.
double handleError(const Scene& scene)
{
    const Eigen::Matrix3Xd p = scene.positions();
    double worst = 0.0;
    for (const auto& handle : scene.body.handles)
        for (std::size_t k = 0; k < handle->indices.size(); ++k)
            worst = std::max(worst, (p.col(handle->indices[k]) - handle->targets.col(k)).norm());
    return worst;
}

TEST(SceneBodies, EveryBodyStaysFiniteAndHeldWhileStepped)
{
    for (auto recipe : {clothRecipe, bucklingRecipe, plateRecipe}) {
        Scene scene(recipe());
        EXPECT_EQ(scene.triangleCorners, 3 * scene.mesh.face_count());
        scene.run(30);
        scene.stepWithClick(static_cast<int>(scene.mesh.vertex_count()) / 2);
        scene.run(30);
        EXPECT_TRUE(scene.positions().allFinite()) << recipe().meshFile;
        EXPECT_LT(handleError(scene), 0.05) << recipe().meshFile;
    }
}

TEST(ClothBody, StartsInFoldsAlongThePole)
{
    Scene scene(clothRecipe());
    const Eigen::Matrix3Xd p = scene.positions();
    const auto& handle = *scene.body.handles.at(0);
    ASSERT_EQ(handle.indices, (std::vector<int>{0, 5, 10, 15, 20, 25, 30, 35, 40}));
    for (std::size_t k = 0; k < handle.indices.size(); ++k) {
        const Eigen::Vector3d offset = handle.targets.col(k) - p.col(handle.indices[k]);
        EXPECT_EQ(offset, Eigen::Vector3d(0, 0, k % 2 == 1 ? 0.1 : 0.0)) << "pinned point " << k;
    }
}

TEST(ClothBody, HangsBelowThePoleAndGathersWithItsHandle)
{
    Scene scene(clothRecipe());
    scene.run(60);
    Eigen::Matrix3Xd p = scene.positions();
    EXPECT_LT(p.row(1).maxCoeff(), 0.05) << "cloth rises above the pole";
    EXPECT_LT(p.row(1).mean(), -3.0) << "cloth does not hang down";
    EXPECT_GT(p.row(1).minCoeff(), -10.8) << "cloth reaches the ground";

    // Five gathers scale the pinned points' x by 0.8 each, about x = 0.
    const auto& handle = *scene.body.handles.at(0);
    const Eigen::Matrix3Xd before = handle.targets;
    Eigen::Matrix3d gather = Eigen::Matrix3d::Identity();
    gather(0, 0) = 0.8;
    for (int press = 0; press < 5; ++press) {
        moveHandle(*scene.body.handles.at(0), gather, Eigen::Vector3d::Zero());
        scene.run(10);
    }
    scene.run(40);
    EXPECT_NEAR(handle.targets(0, 0), before(0, 0) * 0.32768, 1e-12);
    EXPECT_EQ(handle.targets.bottomRows(2), before.bottomRows(2));
    p = scene.positions();
    EXPECT_LT(handleError(scene), 0.05);
    EXPECT_TRUE(p.allFinite());
}

// Largest relative departure of the shell's middle third from its start radius.
double radialDeviation(const Scene& scene, const Eigen::Matrix3Xd& start)
{
    const Eigen::Vector3d axis = start.rowwise().mean();
    const double low = start.row(1).minCoeff();
    const double high = start.row(1).maxCoeff();
    const Eigen::Matrix3Xd p = scene.positions();
    double worst = 0.0;
    for (int i = 0; i < p.cols(); ++i) {
        if (start(1, i) < low + (high - low) / 3 || start(1, i) > high - (high - low) / 3)
            continue;
        const double r0 = std::hypot(start(0, i) - axis.x(), start(2, i) - axis.z());
        const double r = std::hypot(p(0, i) - axis.x(), p(2, i) - axis.z());
        worst = std::max(worst, std::abs(r - r0) / r0);
    }
    return worst;
}

TEST(ShellBody, BucklesWhenItsUpperEndIsPushedDownNineTimes)
{
    Scene resting(bucklingRecipe());
    Scene pushed(bucklingRecipe());
    // The moved handle counts down from the end of the vertex list.
    const int n = static_cast<int>(pushed.mesh.vertex_count());
    std::vector<int> moved;
    for (const int top : {n - 1, n - 1601})
        for (int k = 0; k < 82; ++k)
            moved.push_back(top - k);
    EXPECT_EQ(pushed.body.handles.at(1)->indices, moved);

    const Eigen::Matrix3Xd start = pushed.positions();
    for (int press = 0; press < 9; ++press) {
        moveHandle(*pushed.body.handles.at(1), Eigen::Matrix3d::Identity(),
                   Eigen::Vector3d(0, -0.08, 0));
        pushed.run(5);
        resting.run(5);
    }
    pushed.run(60);
    resting.run(60);
    ASSERT_TRUE(pushed.positions().allFinite());
    EXPECT_LT(radialDeviation(resting, start), 0.02);
    EXPECT_GT(radialDeviation(pushed, start), 0.08) << "the pushed shell keeps its shape";
}

TEST(PlateBody, HoldsUnderGravityAndBendsUnderAClick)
{
    Scene scene(plateRecipe());
    const Eigen::Matrix3Xd start = scene.positions();
    scene.run(60);
    const Eigen::Matrix3Xd rest = scene.positions();
    EXPECT_LT((rest - start).row(1).cwiseAbs().maxCoeff(), 0.5) << "the plate sags away";

    // Push the free corner farthest from the wall.
    Eigen::Index corner = 0;
    start.row(0).maxCoeff(&corner);
    scene.stepWithClick(static_cast<int>(corner));
    const double pushedDown = rest(1, corner) - scene.positions()(1, corner);
    // One click dips the far corner by about 0.08 (a drag repeats it every
    // tick); the bound catches a click that does not reach the plate.
    EXPECT_GT(pushedDown, 0.05) << "the click does not bend the plate";
    scene.run(150);
    EXPECT_LT(std::abs(scene.positions()(1, corner) - rest(1, corner)), 0.1 * pushedDown)
        << "the plate does not spring back";
}

TEST(TexCoords, EachVertexTakesItsLastFaceHalfedgeScaled)
{
    // Two triangles on the diagonal 0-2 of a square, and vertex 4 on no face.
    Surface_mesh mesh;
    for (int i = 0; i < 5; ++i)
        mesh.add_vertex(Point(i % 2, i / 2, 0));
    mesh.add_face({surface_mesh::Vertex(0), surface_mesh::Vertex(1), surface_mesh::Vertex(2)});
    mesh.add_face({surface_mesh::Vertex(0), surface_mesh::Vertex(2), surface_mesh::Vertex(3)});
    auto texCoords = mesh.add_halfedge_property<Point>("h:texcoord");
    for (const auto h : mesh.halfedges())
        texCoords[h] = Point(h.idx(), 10 * h.idx(), 0);

    // Halfedges taken in order, the later one winning: the highest face
    // halfedge into each vertex.
    std::vector<int> winner(mesh.vertex_count(), -1);
    for (const auto h : mesh.halfedges())
        if (!mesh.is_boundary(h))
            winner[mesh.to_vertex(h).idx()] = std::max(winner[mesh.to_vertex(h).idx()], h.idx());
    const auto result = vertexTexCoords(mesh, 2.5);
    ASSERT_EQ(result.size(), 5u);
    for (int v = 0; v < 4; ++v)
        EXPECT_EQ(result[v], std::make_pair(2.5 * winner[v], 25.0 * winner[v])) << "vertex " << v;
    EXPECT_EQ(result[4], std::make_pair(0.0, 0.0));
}

TEST(Picking, NearestVertexWithinTheRadiusWinsAndTiesGoToTheLowerIndex)
{
    Scene scene(clothRecipe());
    const Eigen::Matrix3Xd p = scene.positions();
    EXPECT_EQ(nearestVertex(scene.mesh, p.col(7) + Eigen::Vector3d(0.01, 0.02, 0.05), 0.1), 7);
    EXPECT_EQ(nearestVertex(scene.mesh, (p.col(0) + p.col(1)) / 2, 0.1), 0);
    EXPECT_EQ(nearestVertex(scene.mesh, p.col(7) + Eigen::Vector3d(0, 0, -0.4), 0.1), -1);
    EXPECT_EQ(nearestVertex(scene.mesh, p.col(7) + Eigen::Vector3d(0, 0, -0.4), 1.0), 7);
    EXPECT_EQ(nearestVertex(scene.mesh, Eigen::Vector3d(0, 50, 0), 1.0), -1);
}

} // namespace
