#include "contact/BoxShape.h"

#include <stdexcept>

namespace Zarvo {

BoxShape::BoxShape(const Eigen::Vector3d& min, const Eigen::Vector3d& max)
    : min_(min), max_(max)
{
    if (!(min.array() <= max.array()).all())
        throw std::invalid_argument("BoxShape: min must not exceed max on any axis");
}

double BoxShape::distance(const Eigen::Vector3d& point) const
{
    // Per axis, how far the point is beyond the nearer face (negative inside).
    const Eigen::Vector3d centre = 0.5 * (min_ + max_);
    const Eigen::Vector3d half = 0.5 * (max_ - min_);
    const Eigen::Vector3d beyond = (point - centre).cwiseAbs() - half;
    const double outside = beyond.cwiseMax(0.0).norm();
    const double inside = std::min(beyond.maxCoeff(), 0.0);
    return outside + inside;
}

Eigen::Vector3d BoxShape::normal(const Eigen::Vector3d& point) const
{
    const Eigen::Vector3d away = point - point.cwiseMax(min_).cwiseMin(max_);
    const double length = away.norm();
    if (length > 0.0)
        return away / length;
    // Inside: out through the nearest face (the lowest axis on ties).
    const Eigen::Vector3d centre = 0.5 * (min_ + max_);
    const Eigen::Vector3d beyond = (point - centre).cwiseAbs() - 0.5 * (max_ - min_);
    Eigen::Index axis = 0;
    beyond.maxCoeff(&axis);
    Eigen::Vector3d normal = Eigen::Vector3d::Zero();
    normal[axis] = point[axis] < centre[axis] ? -1.0 : 1.0;
    return normal;
}

TriangleMesh BoxShape::surface(double) const
{
    TriangleMesh box;
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3;
        const int v = (axis + 2) % 3;
        for (const bool high : {false, true}) {
            const int base = static_cast<int>(box.points.size());
            for (const auto& [a, b] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                Eigen::Vector3d corner;
                corner[axis] = high ? max_[axis] : min_[axis];
                corner[u] = a ? max_[u] : min_[u];
                corner[v] = b ? max_[v] : min_[v];
                box.points.push_back(corner);
            }
            // (u, v, axis) is right-handed: counter-clockwise in u, v faces +axis.
            if (high)
                box.triangles.insert(box.triangles.end(), {{base, base + 1, base + 2},
                                                           {base, base + 2, base + 3}});
            else
                box.triangles.insert(box.triangles.end(), {{base, base + 2, base + 1},
                                                           {base, base + 3, base + 2}});
        }
    }
    return box;
}

}  // namespace Zarvo
