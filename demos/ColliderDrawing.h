#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <Eigen/Core>

#include "contact/ColliderSet.h"

// How the window shows a body's colliders: each one's surface where the
// arrow keys have moved it, in one plain grey, lit. A plane whose normal
// points up is the floor, which the window's ground shows instead.
//
// Normals are kept per triangle corner: a corner takes the normals of the
// triangles that meet at its point and turn from its own by less than a
// crease angle, so that a ball looks round and the rim of a table or the
// edge of a box stays sharp.
//
// Made on any thread (no GL); draw() needs the GL context.
class ColliderDrawing
{
public:
    ColliderDrawing() = default;
    // `extent`: the size of the square that shows a plane other than the
    // floor, in the body's units.
    ColliderDrawing(std::shared_ptr<const Zarvo::ColliderSet> colliders, double extent);

    // Draws every collider but the floor in the body's coordinates (the
    // caller sets up the transform to the screen); in the planar shadow's
    // pass, with lighting off, in the shadow's colour.
    void draw() const;

    // Where the floor lies on the vertical through `point` (the body's
    // coordinates): the y of the highest upward-facing plane there, or
    // nothing without one.
    std::optional<double> floorHeight(const Eigen::Vector3d& point) const;

private:
    // One collider's triangles, three corners each, unshared.
    struct Surface
    {
        std::size_t collider = 0;
        std::vector<Eigen::Vector3d> corners;
        std::vector<Eigen::Vector3d> normals;
    };

    std::shared_ptr<const Zarvo::ColliderSet> colliders_;
    std::vector<Surface> surfaces_;
};
