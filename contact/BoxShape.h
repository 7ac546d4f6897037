#pragma once

#include "contact/Shape.h"

namespace Zarvo {

// A solid axis-aligned box.
class BoxShape : public Shape
{
public:
    // `min` must not exceed `max` on any axis (std::invalid_argument); a box
    // flat along an axis is a solid rectangle.
    BoxShape(const Eigen::Vector3d& min, const Eigen::Vector3d& max);

    double distance(const Eigen::Vector3d& point) const override;
    Eigen::Vector3d normal(const Eigen::Vector3d& point) const override;
    // Four points per face, so that each face is drawn flat.
    TriangleMesh surface(double extent) const override;

private:
    Eigen::Vector3d min_;
    Eigen::Vector3d max_;
};

}  // namespace Zarvo
