#pragma once

#include "contact/Shape.h"

namespace Zarvo {

// The points within `radius` of the segment from `from` to `to`: a pole, a
// rail, a rounded bar. A segment of zero length is a ball.
class CapsuleShape : public Shape
{
public:
    // `radius` must be above zero (std::invalid_argument).
    CapsuleShape(const Eigen::Vector3d& from, const Eigen::Vector3d& to, double radius);

    double distance(const Eigen::Vector3d& point) const override;
    Eigen::Vector3d normal(const Eigen::Vector3d& point) const override;
    TriangleMesh surface(double extent) const override;

private:
    // The point of the segment nearest to `point`.
    Eigen::Vector3d nearestOnAxis(const Eigen::Vector3d& point) const;

    Eigen::Vector3d from_;
    Eigen::Vector3d to_;
    double radius_;
};

}  // namespace Zarvo
