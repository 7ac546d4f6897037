#include "demos/DisplayFrame.h"

#include <gtest/gtest.h>

#include "surface_mesh/IO.h"

namespace {

using surface_mesh::Surface_mesh;
using Point = surface_mesh::Vector<double, 3>;

Eigen::Vector3d at(const Surface_mesh& mesh, int v)
{
    const Point& p = mesh.position(surface_mesh::Vertex(v));
    return Eigen::Vector3d(p[0], p[1], p[2]);
}

// The shipped cloth, each vertex moved by x -> scale x + shift.
void readCloth(Surface_mesh& mesh, double scale, const Eigen::Vector3d& shift)
{
    ASSERT_TRUE(surface_mesh::read_mesh(mesh, ZARVO_RESOURCES_DIR "/cloth_mesh.obj"));
    for (const auto v : mesh.vertices()) {
        const Eigen::Vector3d moved = scale * at(mesh, v.idx()) + shift;
        mesh.position(v) = Point(moved.x(), moved.y(), moved.z());
    }
}

}  // namespace

TEST(DisplayFrame, ABodyInCentimetresShowsAsInMetresAboveTheMiddleOfTheGround)
{
    Surface_mesh metres, centimetres;
    readCloth(metres, 1.0, Eigen::Vector3d::Zero());
    readCloth(centimetres, 100.0, Eigen::Vector3d(250, 4000, -75));
    const DisplayFrame frameM = displayFrameAround(metres);
    const DisplayFrame frameCm = displayFrameAround(centimetres);
    EXPECT_NEAR(frameCm.scale, frameM.scale / 100, 1e-12);

    Eigen::Vector3d low = Eigen::Vector3d::Constant(1e300), high = -low;
    for (int v = 0; v < static_cast<int>(metres.vertex_count()); ++v) {
        const Eigen::Vector3d shown = frameM.toDisplay(at(metres, v));
        EXPECT_LT((frameCm.toDisplay(at(centimetres, v)) - shown).norm(), 1e-9) << v;
        EXPECT_LT((frameCm.toMesh(shown) - at(centimetres, v)).norm(), 1e-9) << v;
        low = low.cwiseMin(shown);
        high = high.cwiseMax(shown);
    }
    // The cloth's diagonal, its lowest point 2.5 above the ground at y = -11,
    // its middle over the ground's.
    EXPECT_NEAR((high - low).norm(), 13.124404748406688, 1e-9);
    EXPECT_NEAR(low.y(), -8.5, 1e-9);
    EXPECT_NEAR(low.x() + high.x(), 0.0, 1e-9);
    EXPECT_NEAR(low.z() + high.z(), 0.0, 1e-9);
}
