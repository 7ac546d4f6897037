#include "app/Camera.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

// Single-precision results of a few float operations.
constexpr float tolerance = 1e-6f;

float distance(const Camera::Vec3& a, const Camera::Vec3& b)
{
    const float dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void expectNear(const Camera::Vec3& actual, const Camera::Vec3& expected)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

void expectUpUnchanged(const Camera& camera)
{
    EXPECT_EQ(camera.up, (Camera::Vec3{0.0f, 1.0f, 0.0f}));
}

// Eye at the origin looking down -z.
Camera lookingDownMinusZ() { return Camera({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -2.0f}); }

}  // namespace

TEST(Camera, DefaultCameraLooksFromItsEyeToItsCentreWithFixedProjection)
{
    const Camera camera;
    EXPECT_EQ(camera.eye, (Camera::Vec3{-11.5384f, -5.061f, -13.0087f}));
    EXPECT_EQ(camera.center, (Camera::Vec3{-11.3347f, -5.05f, -12.0297f}));
    const float dx = -11.3347f - -11.5384f, dy = -5.05f - -5.061f, dz = -12.0297f - -13.0087f;
    const float inverse = 1.0f / std::sqrt(dx * dx + dy * dy + dz * dz);
    EXPECT_EQ(camera.direction, (Camera::Vec3{dx * inverse, dy * inverse, dz * inverse}));
    expectUpUnchanged(camera);
    EXPECT_EQ(camera.fovy, 45.0f);
    EXPECT_EQ(camera.aspect, 1.0f);
    EXPECT_EQ(camera.zNear, 0.1f);
    EXPECT_EQ(camera.zFar, 100.0f);
}

TEST(Camera, MoveForwardShiftsEyeAndCentreByTheViewDirection)
{
    Camera camera;
    const Camera before = camera;
    camera.moveForward(1.0f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(camera.eye[i] - before.eye[i], before.direction[i], tolerance);
        EXPECT_NEAR(camera.center[i] - before.center[i], before.direction[i], tolerance);
    }
    expectNear(camera.direction, before.direction);
    camera.moveForward(-1.0f);
    expectNear(camera.eye, before.eye);
    expectUpUnchanged(camera);
}

TEST(Camera, StrafeMovesToTheViewersRightAndKeepsTheDirection)
{
    Camera camera = lookingDownMinusZ();
    camera.strafe(1.0f);
    expectNear(camera.eye, {1.0f, 0.0f, 0.0f});
    expectNear(camera.center, {1.0f, 0.0f, -2.0f});
    expectNear(camera.direction, {0.0f, 0.0f, -1.0f});
    camera.strafe(-2.0f);
    expectNear(camera.eye, {-1.0f, 0.0f, 0.0f});
    expectUpUnchanged(camera);
}

TEST(Camera, PositiveTurnAboutUpTurnsTheViewLeftAndPutsTheCentreAtUnitDistance)
{
    Camera camera = lookingDownMinusZ();
    camera.turn(static_cast<float>(M_PI / 2), 0.0f, 1.0f, 0.0f);
    expectNear(camera.direction, {-1.0f, 0.0f, 0.0f});
    expectNear(camera.eye, {0.0f, 0.0f, 0.0f});
    EXPECT_NEAR(distance(camera.eye, camera.center), 1.0f, tolerance);
    expectUpUnchanged(camera);

    Camera other;
    other.turn(0.3f, 0.0f, 1.0f, 0.0f);
    other.pitch(-0.2f);
    EXPECT_NEAR(distance(other.eye, other.center), 1.0f, tolerance);
}

TEST(Camera, PositivePitchRaisesTheView)
{
    Camera camera = lookingDownMinusZ();
    camera.pitch(0.5f);
    expectNear(camera.direction, {0.0f, std::sin(0.5f), -std::cos(0.5f)});
    camera.pitch(-1.0f);
    expectNear(camera.direction, {0.0f, -std::sin(0.5f), -std::cos(0.5f)});
    expectUpUnchanged(camera);
}

TEST(Camera, PitchOntoTheUpAxisIsRefusedAndLeavesAValidCamera)
{
    for (const float angle : {static_cast<float>(M_PI / 2), static_cast<float>(-M_PI / 2)}) {
        Camera camera = lookingDownMinusZ();
        const Camera before = camera;
        camera.pitch(angle);
        EXPECT_EQ(camera.direction, before.direction);
        EXPECT_EQ(camera.center, before.center);
        // Still able to turn, strafe and pitch afterwards.
        camera.pitch(angle * 0.5f);
        camera.strafe(1.0f);
        for (const float component : camera.eye)
            EXPECT_TRUE(std::isfinite(component));
        EXPECT_NEAR(camera.direction[1], std::sin(std::fabs(angle) * 0.5f) * (angle > 0 ? 1.0f : -1.0f), 1e-5f);
    }
    // Many small steps upwards stop short of the vertical instead of flipping over.
    Camera camera = lookingDownMinusZ();
    for (int i = 0; i < 2000; ++i)
        camera.pitch(0.001f);
    EXPECT_LT(camera.direction[2], 0.0f);
    for (const float component : camera.direction)
        EXPECT_TRUE(std::isfinite(component));
}
