#include "contact/PlaneShape.h"

#include <stdexcept>

#include "contact/RoundSurface.h"

namespace Zarvo {

PlaneShape::PlaneShape(const Eigen::Vector3d& point, const Eigen::Vector3d& normal)
    : point_(point)
{
    if (!(normal.norm() > 0.0))
        throw std::invalid_argument("PlaneShape: the normal must not be zero");
    normal_ = normal.normalized();
}

double PlaneShape::distance(const Eigen::Vector3d& point) const
{
    return (point - point_).dot(normal_);
}

Eigen::Vector3d PlaneShape::normal(const Eigen::Vector3d&) const
{
    return normal_;
}

TriangleMesh PlaneShape::surface(double extent) const
{
    const Eigen::Vector3d u = 0.5 * extent * perpendicular(normal_);
    const Eigen::Vector3d v = normal_.cross(u);
    TriangleMesh square;
    square.points = {point_ - u - v, point_ + u - v, point_ + u + v, point_ - u + v};
    square.triangles = {{0, 1, 2}, {0, 2, 3}};
    return square;
}

}  // namespace Zarvo
