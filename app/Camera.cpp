#include "app/Camera.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

using Vec3 = Camera::Vec3;

// The view stops this far short of straight up and straight down: there the
// right vector (direction x up) vanishes and the heading would be lost.
constexpr float maxElevation = 89.0f * static_cast<float>(M_PI) / 180.0f;
// Shorter vectors are not normalised: their direction is mostly rounding.
constexpr float minNormalisableLength = 1e-6f;
// Where a vector cannot give a direction: looking down -z, right along +x.
constexpr Vec3 defaultDirection{0.0f, 0.0f, -1.0f};
constexpr Vec3 defaultRight{1.0f, 0.0f, 0.0f};

Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 subtract(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 scale(const Vec3& v, float s) { return {v[0] * s, v[1] * s, v[2] * s}; }

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// Angle between v and the horizontal plane, positive upwards; well
// conditioned up to the vertical, unlike asin of the y component.
float elevationOf(const Vec3& v) { return std::atan2(v[1], std::sqrt(v[0] * v[0] + v[2] * v[2])); }

bool finite(const Vec3& v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// v x (1 / |v|), or `fallback` when v is too short or not finite to give a
// direction.
Vec3 normaliseOr(const Vec3& v, const Vec3& fallback)
{
    const float l = length(v);
    if (!std::isfinite(l) || l < minNormalisableLength)
        return fallback;
    return scale(v, 1.0f / l);
}

}  // namespace

Camera::Camera() : Camera({-11.5384f, -5.061f, -13.0087f}, {-11.3347f, -5.05f, -12.0297f}) {}

Camera::Camera(const Vec3& eye, const Vec3& center) : eye(eye), center(center)
{
    const Vec3 view = subtract(center, eye);
    direction = normaliseOr(view, defaultDirection);
    // A centre on the eye gives no view: look one unit down the default direction.
    if (length(view) < minNormalisableLength)
        this->center = add(eye, direction);
}

void Camera::lookAt() const
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], up[0], up[1], up[2]);
}

void Camera::moveForward(float d)
{
    move(scale(direction, d));
}

void Camera::strafe(float d)
{
    move(scale(right(), d));
}

void Camera::move(const Vec3& step)
{
    const Vec3 movedEye = add(eye, step);
    const Vec3 movedCenter = add(center, step);
    if (!finite(movedEye) || !finite(movedCenter))
        return;
    eye = movedEye;
    center = movedCenter;
    direction = normaliseOr(subtract(center, eye), direction);
}

void Camera::turn(float angle, float ax, float ay, float az)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    const Vec3& v = direction;
    const Vec3 turned = {(t * ax * ax + c) * v[0] + (t * ax * ay - s * az) * v[1] + (t * ax * az + s * ay) * v[2],
                         (t * ax * ay + s * az) * v[0] + (t * ay * ay + c) * v[1] + (t * ay * az - s * ax) * v[2],
                         (t * ax * az - s * ay) * v[0] + (t * ay * az + s * ax) * v[1] + (t * az * az + c) * v[2]};
    if (!finite(turned) || length(turned) < minNormalisableLength)
        return;
    direction = turned;
    center = add(eye, direction);
}

void Camera::pitch(float angle)
{
    if (!std::isfinite(angle))
        return;
    // A camera set up beyond the limit may move back towards it, not further.
    const float elevation = elevationOf(direction);
    const float lowest = std::min(-maxElevation, elevation);
    const float highest = std::max(maxElevation, elevation);
    const float wanted = elevation + angle;
    const float step = wanted < lowest ? lowest - elevation : wanted > highest ? highest - elevation : angle;
    const Vec3 axis = right();
    turn(step, axis[0], axis[1], axis[2]);
}

Camera::Vec3 Camera::right() const
{
    return normaliseOr(cross(direction, up), defaultRight);
}
