#include "contact/CapsuleShape.h"

#include <algorithm>
#include <stdexcept>

#include "contact/RoundSurface.h"

namespace Zarvo {

CapsuleShape::CapsuleShape(const Eigen::Vector3d& from, const Eigen::Vector3d& to, double radius)
    : from_(from), to_(to), radius_(radius)
{
    if (!(radius > 0.0))
        throw std::invalid_argument("CapsuleShape: the radius must be above zero");
}

Eigen::Vector3d CapsuleShape::nearestOnAxis(const Eigen::Vector3d& point) const
{
    const Eigen::Vector3d axis = to_ - from_;
    const double squaredLength = axis.squaredNorm();
    if (!(squaredLength > 0.0))
        return from_;
    const double t = std::clamp((point - from_).dot(axis) / squaredLength, 0.0, 1.0);
    return from_ + t * axis;
}

double CapsuleShape::distance(const Eigen::Vector3d& point) const
{
    return (point - nearestOnAxis(point)).norm() - radius_;
}

Eigen::Vector3d CapsuleShape::normal(const Eigen::Vector3d& point) const
{
    const Eigen::Vector3d away = point - nearestOnAxis(point);
    const double length = away.norm();
    if (length > 0.0)
        return away / length;
    // On the axis every direction across it is as near to the surface.
    const Eigen::Vector3d axis = to_ - from_;
    return axis.norm() > 0.0 ? perpendicular(axis.normalized()) : Eigen::Vector3d::UnitY();
}

TriangleMesh CapsuleShape::surface(double) const
{
    return roundSurface(from_, to_, radius_);
}

}  // namespace Zarvo
