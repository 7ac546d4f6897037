// Shapes against closed forms: where a moving point first touches, and how
// far a mesh's distance field is from the exact distance it samples.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "contact/BoxShape.h"
#include "contact/MeshShape.h"
#include "contact/SphereShape.h"
#include "contact/SweptContact.h"

namespace {

using Eigen::Vector3d;

Zarvo::Collider colliderOf(std::shared_ptr<const Zarvo::Shape> shape)
{
    Zarvo::Collider collider;
    collider.shape = std::move(shape);
    return collider;
}

TEST(SweptContact, APointCrossingABallTouchesItsNearSideAndAMissNever)
{
    const auto ball = colliderOf(std::make_shared<Zarvo::SphereShape>(Vector3d(0, 0, 0), 1.0));
    const double thickness = 0.1;
    const auto firstContact = [&](const Vector3d& from, const Vector3d& to) {
        const auto touch =
            Zarvo::firstContact(ball, from, to, thickness, Zarvo::gapAt(ball, from, thickness));
        return touch ? std::optional<double>(touch->at) : std::nullopt;
    };
    // From x = -2 to 2 along the axis: touches at x = -1.1, a quarter of 3.6 in.
    const auto through = firstContact(Vector3d(-2, 0, 0), Vector3d(2, 0, 0));
    ASSERT_TRUE(through);
    EXPECT_NEAR(*through, 0.9 / 4.0, 1e-3 * thickness / 4.0);
    // Passing 1.2 from the centre, outside the thickness.
    EXPECT_FALSE(firstContact(Vector3d(-2, 1.2, 0), Vector3d(2, 1.2, 0)));
    // Starting within the thickness touches at once, also without moving.
    EXPECT_EQ(firstContact(Vector3d(1.05, 0, 0), Vector3d(1.05, 0, 0)), 0.0);
}

TEST(SweptContact, AWayAKnownSampleShowsFreeIsOneTheMarchFindsFree)
{
    const auto ball = colliderOf(std::make_shared<Zarvo::SphereShape>(Vector3d(0, 0, 0), 1.0));
    const double thickness = 0.1;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0), depth(0.8, 1.0);
    int shownFree = 0;
    for (int k = 0; k < 4000; ++k) {
        // A march past the ball leaves its farthest sample, the true gap there.
        const Vector3d from(-2, 1.3 + 0.1 * unit(random), 0), to(2, from.y(), 0);
        Zarvo::Sample known;
        ASSERT_FALSE(Zarvo::firstContact(ball, from, to, thickness,
                                         Zarvo::gapAt(ball, from, thickness), &known));
        ASSERT_EQ(known.gap.gap, Zarvo::gapAt(ball, known.at, thickness).gap);
        // Ways from in and around the sample's free ball to near where it
        // meets the surface, some of them within the margin of touching.
        const double reach = known.gap.gap;
        const auto scatter = [&] { return Vector3d(unit(random), unit(random), unit(random)); };
        const Vector3d start = known.at + 1.5 * reach * scatter();
        const Vector3d end =
            known.at - depth(random) * reach * known.gap.normal + 0.05 * reach * scatter();
        const Zarvo::Gap startGap = Zarvo::gapAt(ball, start, thickness);
        const bool marchFree = !Zarvo::firstContact(ball, start, end, thickness, startGap);
        for (const Zarvo::Gap* gap : {static_cast<const Zarvo::Gap*>(nullptr), &startGap})
            if (Zarvo::knownFree(known, start, gap, end, thickness)) {
                EXPECT_TRUE(marchFree) << "from " << start.transpose() << " to " << end.transpose();
                ++shownFree;
            }
    }
    EXPECT_GT(shownFree, 1000);
}

// The unit cube's surface: 8 corners (bit k of the index: coordinate k),
// 12 triangles, outward.
Zarvo::TriangleMesh cube()
{
    Zarvo::TriangleMesh cube;
    for (int i = 0; i < 8; ++i)
        cube.points.emplace_back(i & 1, (i >> 1) & 1, (i >> 2) & 1);
    cube.triangles = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                      {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    return cube;
}

TEST(MeshShape, AClosedMeshsFieldIsWithinATenthOfTheThicknessOfTheExactDistance)
{
    const double thickness = 0.02;
    const Zarvo::BoxShape exact(Vector3d(0, 0, 0), Vector3d(1, 1, 1));
    const Zarvo::MeshShape field(cube(), true, thickness);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-0.1, 1.1);
    int near = 0;
    for (int k = 0; k < 20000 && near < 500; ++k) {
        const Vector3d p(coordinate(random), coordinate(random), coordinate(random));
        const double d = exact.distance(p);
        // Out to twice the thickness, and in as far as a step pushes a point.
        if (d > 2 * thickness || d < -thickness)
            continue;
        ++near;
        EXPECT_NEAR(field.distance(p), d, 0.1 * thickness) << p.transpose();
        if (d > 0.5 * thickness) {
            EXPECT_GT(field.normal(p).dot(exact.normal(p)), 0.9) << p.transpose();
        }
    }
    EXPECT_EQ(near, 500);
    // Far away the field knows only that the point is far.
    EXPECT_GT(field.distance(Vector3d(5, 0.5, 0.5)), 2 * thickness);
    // Deep inside, a coarse field still points the way out.
    EXPECT_NEAR(field.distance(Vector3d(0.5, 0.6, 0.2)), -0.2, 0.03);
    EXPECT_LT(field.normal(Vector3d(0.5, 0.6, 0.2)).z(), -0.9);
}

TEST(MeshShape, AnOpenMeshIsASurfaceWithoutAnInside)
{
    // Two triangles of the square z = 0 over [0, 1]^2.
    Zarvo::TriangleMesh square;
    square.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    square.triangles = {{0, 1, 2}, {0, 2, 3}};
    const Zarvo::MeshShape wall(square, false, 0.02);
    EXPECT_NEAR(wall.distance(Vector3d(0.5, 0.5, 0.03)), 0.03, 1e-3);
    EXPECT_NEAR(wall.distance(Vector3d(0.5, 0.5, -0.03)), 0.03, 1e-3);
    EXPECT_NEAR(wall.normal(Vector3d(0.5, 0.5, -0.03)).z(), -1.0, 1e-3);
}

}  // namespace
