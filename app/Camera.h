#pragma once

#include <array>

// A look-at view and its perspective, all in single precision. The window
// moves it in camera mode; each scene overwrites it with its own eye and
// centre. Every move keeps `direction` = normalise(center - eye) and leaves
// `up` at (0, 1, 0). No operation makes eye, centre or direction non-finite:
// a move that would is not made.
class Camera
{
public:
    using Vec3 = std::array<float, 3>;

    // The window's camera before the first scene sets its own.
    Camera();
    // `eye` and `center` in world units; up (0, 1, 0), 45 degrees field of
    // view, aspect 1, near 0.1, far 100. A centre on the eye is replaced by
    // the point one unit down -z from it.
    Camera(const Vec3& eye, const Vec3& center);

    // Loads the view into GL: modelview = identity, then gluLookAt(eye,
    // center, up). Needs a current GL context.
    void lookAt() const;
    // Moves eye and centre by `d` world units along the view direction.
    void moveForward(float d);
    // Moves eye and centre by `d` world units to the viewer's right (along
    // +x while the view is vertical).
    void strafe(float d);
    // Rotates the view direction by `angle` radians (right-handed) about the
    // axis (ax, ay, az) through the eye, which must be a unit vector; the
    // centre then lies at distance 1 from the eye.
    void turn(float angle, float ax, float ay, float az);
    // Tilts the view by `angle` radians about the camera's right vector
    // (positive raises it). The elevation stops at 89 degrees up or down, so
    // the heading never turns over; a view set up steeper than that can only
    // be tilted back towards the horizon.
    void pitch(float angle);

    Vec3 eye{};
    Vec3 center{};
    Vec3 up{0.0f, 1.0f, 0.0f};
    Vec3 direction{};
    float fovy = 45.0f;   // vertical field of view, degrees
    float aspect = 1.0f;  // width / height
    float zNear = 0.1f;
    float zFar = 100.0f;

private:
    // Moves eye and centre by `step`, unless that would leave them non-finite.
    void move(const Vec3& step);
    // normalise(direction x up), or +x while the view is vertical.
    Vec3 right() const;
};
