#pragma once

#include "contact/Shape.h"

namespace Zarvo {

// The half-space behind a plane: solid on the side opposite its normal.
class PlaneShape : public Shape
{
public:
    // `normal` need not be unit length but must not be zero
    // (std::invalid_argument).
    PlaneShape(const Eigen::Vector3d& point, const Eigen::Vector3d& normal);

    double distance(const Eigen::Vector3d& point) const override;
    Eigen::Vector3d normal(const Eigen::Vector3d& point) const override;
    // A square `extent` on a side, centred on the plane's point.
    TriangleMesh surface(double extent) const override;

private:
    Eigen::Vector3d point_;
    Eigen::Vector3d normal_;
};

}  // namespace Zarvo
