#pragma once

#include "contact/Shape.h"

namespace Zarvo {

// A solid ball.
class SphereShape : public Shape
{
public:
    // `radius` must be above zero (std::invalid_argument).
    SphereShape(const Eigen::Vector3d& center, double radius);

    double distance(const Eigen::Vector3d& point) const override;
    Eigen::Vector3d normal(const Eigen::Vector3d& point) const override;
    TriangleMesh surface(double extent) const override;

private:
    Eigen::Vector3d center_;
    double radius_;
};

}  // namespace Zarvo
