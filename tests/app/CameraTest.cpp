#include "app/Camera.h"

#include <cmath>
#include <limits>

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

namespace {

const float limit = 89.0f * static_cast<float>(M_PI) / 180.0f;

float elevation(const Camera& camera)
{
    const auto& d = camera.direction;
    return std::atan2(d[1], std::sqrt(d[0] * d[0] + d[2] * d[2]));
}

// Direction of the horizontal part of the view, radians about up.
float heading(const Camera& camera) { return std::atan2(camera.direction[0], camera.direction[2]); }

void expectFinite(const Camera& camera)
{
    for (const Camera::Vec3* v : {&camera.eye, &camera.center, &camera.direction})
        for (const float component : *v)
            EXPECT_TRUE(std::isfinite(component));
}

}  // namespace

TEST(Camera, PitchStopsShortOfVerticalAndKeepsTheHeadingForEveryStepSize)
{
    for (const float step : {0.001f, 0.003f, 0.02f, 0.1f, 0.5f, 1.4f, 3.0f, 10.0f}) {
        for (const float sign : {1.0f, -1.0f}) {
            // Heading -z, slightly to the side, as the start views are.
            Camera camera({0.0f, 0.0f, 0.0f}, {0.3f, 0.0f, -1.0f});
            const Camera::Vec3 start = camera.direction;
            const float startHeading = heading(camera);
            for (int i = 0; i < 2000; ++i) {
                camera.pitch(sign * step);
                ASSERT_GT(camera.direction[0] * start[0] + camera.direction[2] * start[2], 0.0f)
                    << "step " << sign * step << ", drag " << i;
                ASSERT_LE(std::fabs(elevation(camera)), limit + 1e-5f) << "step " << sign * step;
                // Tilting leaves the heading where it was, up to rounding.
                ASSERT_NEAR(heading(camera), startHeading, 1e-4f) << "step " << sign * step;
            }
            EXPECT_NEAR(elevation(camera), sign * limit, 1e-5f) << "step " << sign * step;
            expectFinite(camera);
            expectUpUnchanged(camera);
        }
    }
}

TEST(Camera, ViewSetUpBeyondTheLimitTiltsBackButNoFurther)
{
    for (const float sign : {1.0f, -1.0f}) {
        Camera steep({0.0f, 0.0f, 0.0f}, {0.0f, sign, -0.001f});
        const float start = elevation(steep);
        steep.pitch(sign * 0.1f);
        EXPECT_EQ(elevation(steep), start);
        steep.pitch(-sign * 0.1f);
        EXPECT_NEAR(elevation(steep), start - sign * 0.1f, 1e-5f);
        EXPECT_LT(steep.direction[2], 0.0f);

        // Exactly vertical: no heading to keep, yet every operation stays finite.
        Camera vertical({0.0f, 0.0f, 0.0f}, {0.0f, sign * 2.0f, 0.0f});
        vertical.strafe(1.0f);
        expectNear(vertical.eye, {1.0f, 0.0f, 0.0f});
        vertical.pitch(-sign * 0.5f);
        EXPECT_NEAR(elevation(vertical), sign * (static_cast<float>(M_PI / 2) - 0.5f), 1e-5f);
        vertical.moveForward(1.0f);
        vertical.turn(0.3f, 0.0f, 1.0f, 0.0f);
        expectFinite(vertical);
    }
}

TEST(Camera, EyeOnTheCentreLooksDownMinusZ)
{
    Camera camera({1.0f, 2.0f, 3.0f}, {1.0f, 2.0f, 3.0f});
    expectNear(camera.direction, {0.0f, 0.0f, -1.0f});
    expectNear(camera.center, {1.0f, 2.0f, 2.0f});
    camera.strafe(1.0f);
    camera.moveForward(-2.0f);
    camera.pitch(0.2f);
    expectNear(camera.eye, {2.0f, 2.0f, 5.0f});
    expectFinite(camera);
}

TEST(Camera, MovesThatWouldLeaveNonFiniteNumbersAreNotMade)
{
    Camera camera;
    const Camera before = camera;
    camera.moveForward(std::numeric_limits<float>::infinity());
    camera.strafe(-std::numeric_limits<float>::infinity());
    camera.pitch(std::numeric_limits<float>::quiet_NaN());
    camera.turn(std::numeric_limits<float>::infinity(), 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(camera.eye, before.eye);
    EXPECT_EQ(camera.center, before.center);
    EXPECT_EQ(camera.direction, before.direction);
}
