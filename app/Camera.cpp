#include "app/Camera.h"

#include <cmath>

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

using Vec3 = Camera::Vec3;

// A tilt is refused once the horizontal part of the view direction falls
// below this length: the right vector would then be undefined or too short
// to normalise reliably in single precision.
constexpr float minHorizontalLength = 1e-3f;

Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 subtract(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 scale(const Vec3& v, float s) { return {v[0] * s, v[1] * s, v[2] * s}; }

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float length(const Vec3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

Vec3 normalise(const Vec3& v) { return scale(v, 1.0f / length(v)); }

}  // namespace

Camera::Camera() : Camera({-11.5384f, -5.061f, -13.0087f}, {-11.3347f, -5.05f, -12.0297f}) {}

Camera::Camera(const Vec3& eye, const Vec3& center)
    : eye(eye), center(center), direction(normalise(subtract(center, eye)))
{
}

void Camera::lookAt() const
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], up[0], up[1], up[2]);
}

void Camera::moveForward(float d)
{
    const Vec3 step = scale(direction, d);
    eye = add(eye, step);
    center = add(center, step);
    direction = normalise(subtract(center, eye));
}

void Camera::strafe(float d)
{
    const Vec3 step = scale(normalise(cross(direction, up)), d);
    eye = add(eye, step);
    center = add(center, step);
    direction = normalise(subtract(center, eye));
}

void Camera::turn(float angle, float ax, float ay, float az)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    const Vec3& v = direction;
    direction = {(t * ax * ax + c) * v[0] + (t * ax * ay - s * az) * v[1] + (t * ax * az + s * ay) * v[2],
                 (t * ax * ay + s * az) * v[0] + (t * ay * ay + c) * v[1] + (t * ay * az - s * ax) * v[2],
                 (t * ax * az - s * ay) * v[0] + (t * ay * az + s * ax) * v[1] + (t * az * az + c) * v[2]};
    center = add(eye, direction);
}

void Camera::pitch(float angle)
{
    const Vec3 right = cross(direction, up);
    if (length(right) < minHorizontalLength)
        return;
    const Camera before = *this;
    const Vec3 axis = normalise(right);
    turn(angle, axis[0], axis[1], axis[2]);
    if (length(cross(direction, up)) < minHorizontalLength)
        *this = before;
}
