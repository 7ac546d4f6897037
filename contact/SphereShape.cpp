#include "contact/SphereShape.h"

#include <stdexcept>

#include "contact/RoundSurface.h"

namespace Zarvo {

SphereShape::SphereShape(const Eigen::Vector3d& center, double radius)
    : center_(center), radius_(radius)
{
    if (!(radius > 0.0))
        throw std::invalid_argument("SphereShape: the radius must be above zero");
}

double SphereShape::distance(const Eigen::Vector3d& point) const
{
    return (point - center_).norm() - radius_;
}

Eigen::Vector3d SphereShape::normal(const Eigen::Vector3d& point) const
{
    const Eigen::Vector3d away = point - center_;
    const double length = away.norm();
    // At the centre every direction is as near to the surface: take up.
    return length > 0.0 ? Eigen::Vector3d(away / length) : Eigen::Vector3d::UnitY();
}

TriangleMesh SphereShape::surface(double) const
{
    return roundSurface(center_, center_, radius_);
}

}  // namespace Zarvo
