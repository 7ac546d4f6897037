// Each shipped mesh against what its scene relies on: the pinned index
// ranges, texture coordinates on every face, a body above the ground and in
// view of the scene camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include <Eigen/Geometry>

#include "scenes/SceneRecipe.h"
#include "scenes/SceneSetup.h"
#include "surface_mesh/Surface_mesh.h"

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

const double groundLevel = -11.0;
// The narrowest common screen (1280 x 1024); wider screens show more.
const double narrowestAspect = 1.25;
// Every vertex inside this part of the view (normalised device coordinates).
// The cloth's pole runs close to the top edge of its fixed camera's view.
const double viewMargin = 0.98;

Eigen::Vector3d position(const Surface_mesh& mesh, int i)
{
    const auto points = mesh.find_vertex_property<Point>("v:point");
    const Point& p = points[surface_mesh::Vertex(i)];
    return {p[0], p[1], p[2]};
}

// Normalised device coordinates of `p` seen by a look-at camera with up
// (0, 1, 0), field of view 45 degrees and the given aspect.
Eigen::Vector3d toScreen(const SceneRecipe& recipe, const Eigen::Vector3d& p, double aspect)
{
    const Eigen::Vector3d eye(recipe.eye[0], recipe.eye[1], recipe.eye[2]);
    const Eigen::Vector3d center(recipe.center[0], recipe.center[1], recipe.center[2]);
    const Eigen::Vector3d forward = (center - eye).normalized();
    const Eigen::Vector3d right = forward.cross(Eigen::Vector3d::UnitY()).normalized();
    const Eigen::Vector3d up = right.cross(forward);
    const Eigen::Vector3d d = p - eye;
    const double depth = d.dot(forward);
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    return {f / aspect * d.dot(right) / depth, f * d.dot(up) / depth, depth};
}

class ShippedMesh : public ::testing::TestWithParam<SceneRecipe (*)()>
{
protected:
    void SetUp() override
    {
        recipe = GetParam()();
        ASSERT_NO_THROW(readSceneMesh(recipe, ZARVO_RESOURCE_DIR, mesh));
        n = static_cast<int>(mesh.vertex_count());
    }

    SceneRecipe recipe;
    Surface_mesh mesh;
    int n = 0;
};

TEST_P(ShippedMesh, PinnedGroupsAreInRangeAndDisjoint)
{
    ASSERT_GE(n, recipe.minimumVertexCount);
    std::set<int> seen;
    for (const auto& group : recipe.handleGroups(n)) {
        for (int id : group) {
            ASSERT_GE(id, 0);
            ASSERT_LT(id, n);
            EXPECT_TRUE(seen.insert(id).second) << "vertex " << id << " pinned twice";
        }
    }
}

TEST_P(ShippedMesh, EveryFaceIsATexturedTriangle)
{
    const auto texCoords = mesh.find_halfedge_property<Point>("h:texcoord");
    ASSERT_TRUE(texCoords);
    for (const auto f : mesh.faces()) {
        int corners = 0;
        const auto start = mesh.halfedge(f);
        auto h = start;
        do {
            // The reader stores (u, v, 1) for each corner it was given.
            EXPECT_EQ(texCoords[h][2], 1.0) << "face " << f.idx() << " lacks texture coordinates";
            h = mesh.next_halfedge(h);
            ++corners;
        } while (h != start);
        EXPECT_EQ(corners, 3);
    }
}

TEST_P(ShippedMesh, BodyRestsAboveTheGroundAndFitsTheSceneCamera)
{
    for (int i = 0; i < n; ++i) {
        const Eigen::Vector3d p = position(mesh, i);
        EXPECT_GT(p.y(), groundLevel + 0.2) << "vertex " << i;
        const Eigen::Vector3d s = toScreen(recipe, p, narrowestAspect);
        EXPECT_GT(s.z(), 1.0) << "vertex " << i << " behind or at the camera";
        EXPECT_LT(std::abs(s.x()), viewMargin) << "vertex " << i << " leaves the view sideways";
        EXPECT_LT(std::abs(s.y()), viewMargin) << "vertex " << i << " leaves the view vertically";
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, ShippedMesh,
                         ::testing::Values(&clothRecipe, &bucklingRecipe, &plateRecipe));

TEST(ClothMesh, PinnedVerticesLieAlongThePole)
{
    Surface_mesh mesh;
    readSceneMesh(clothRecipe(), ZARVO_RESOURCE_DIR, mesh);
    const auto group = clothRecipe().handleGroups(static_cast<int>(mesh.vertex_count())).at(0);
    for (int id : group) {
        const Eigen::Vector3d p = position(mesh, id);
        EXPECT_NEAR(p.y(), 0.0, 1e-6) << "vertex " << id;
        EXPECT_NEAR(p.z(), 0.0, 1e-6) << "vertex " << id;
    }
    // The pinned points are spread along the top edge: the rest of the cloth
    // hangs below them, within their x range.
    const double left = position(mesh, group.front()).x();
    const double right = position(mesh, group.back()).x();
    for (int i = 0; i < static_cast<int>(mesh.vertex_count()); ++i) {
        const Eigen::Vector3d p = position(mesh, i);
        EXPECT_LE(p.y(), 1e-6);
        EXPECT_GE(p.x(), std::min(left, right) - 1e-6);
        EXPECT_LE(p.x(), std::max(left, right) + 1e-6);
    }
}

TEST(CylinderMesh, HeldGroupIsTheLowerEndAndMovedGroupTheUpperEnd)
{
    Surface_mesh mesh;
    readSceneMesh(bucklingRecipe(), ZARVO_RESOURCE_DIR, mesh);
    const int n = static_cast<int>(mesh.vertex_count());
    const auto groups = bucklingRecipe().handleGroups(n);
    double lowest = 1e9;
    double highest = -1e9;
    for (int i = 0; i < n; ++i) {
        lowest = std::min(lowest, position(mesh, i).y());
        highest = std::max(highest, position(mesh, i).y());
    }
    const double ringGap = (highest - lowest) / 20.0;
    for (int id : groups.at(0))
        EXPECT_LT(position(mesh, id).y(), lowest + ringGap) << "held vertex " << id;
    for (int id : groups.at(1))
        EXPECT_GT(position(mesh, id).y(), highest - ringGap) << "moved vertex " << id;
}

TEST(PlateMesh, PinnedGroupsRunAlongTheWallAndThePlateStaysOutsideIt)
{
    Surface_mesh mesh;
    readSceneMesh(plateRecipe(), ZARVO_RESOURCE_DIR, mesh);
    const int n = static_cast<int>(mesh.vertex_count());
    const double wallFace = -10.0;
    for (int i = 0; i < n; ++i)
        EXPECT_GE(position(mesh, i).x(), wallFace - 1e-6) << "vertex " << i << " inside the wall";
    for (const auto& group : plateRecipe().handleGroups(n))
        for (int id : group)
            EXPECT_LT(position(mesh, id).x(), wallFace + 0.5) << "pinned vertex " << id;
}

} // namespace
