#pragma once

#include <Eigen/Core>

#include "contact/TriangleMesh.h"

namespace Zarvo {

// A static obstacle's geometry in its own frame: a distance to its surface
// and the direction in which that distance grows. Queries run concurrently
// from the solver's threads; a shape never changes once made.
class Shape
{
public:
    virtual ~Shape() = default;

    // Distance from `point` to the surface: negative inside a solid shape,
    // never more than the true distance outside it, so that a point can
    // advance by it without crossing the surface. A surface without an
    // inside (an open mesh) gives the unsigned distance.
    virtual double distance(const Eigen::Vector3d& point) const = 0;
    // Unit direction of steepest increase of distance() at `point`: the
    // outward normal of the nearest surface point.
    virtual Eigen::Vector3d normal(const Eigen::Vector3d& point) const = 0;
    // Both at once, for shapes that find them together more cheaply.
    virtual double distance(const Eigen::Vector3d& point, Eigen::Vector3d& normal) const
    {
        normal = this->normal(point);
        return distance(point);
    }
    // Triangles that show the surface; an unbounded shape shows a piece
    // `extent` across around its reference point.
    virtual TriangleMesh surface(double extent) const = 0;
};

}  // namespace Zarvo
