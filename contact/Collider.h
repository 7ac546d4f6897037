#pragma once

#include <memory>

#include <Eigen/Core>

#include "contact/Shape.h"

namespace Zarvo {

// One obstacle of a scene: its shape, placed by `offset` (the arrow keys
// move it between steps), and the Coulomb friction coefficient between it
// and the body.
struct Collider
{
    std::shared_ptr<const Shape> shape;
    double friction = 0.0;
    Eigen::Vector3d offset = Eigen::Vector3d::Zero();

    // The shape's distance and normal at a point of the body's space.
    double distance(const Eigen::Vector3d& point) const { return shape->distance(point - offset); }
    Eigen::Vector3d normal(const Eigen::Vector3d& point) const { return shape->normal(point - offset); }
    double distance(const Eigen::Vector3d& point, Eigen::Vector3d& normal) const
    {
        return shape->distance(point - offset, normal);
    }
};

}  // namespace Zarvo
