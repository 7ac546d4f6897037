#include "contact/RoundSurface.h"

#include <cmath>

namespace Zarvo {

namespace {

// Enough facets that a ball looks round at the size a scene shows it.
constexpr int segments = 32;
constexpr int rings = 16;  // even: the equator is a ring, where the halves part

}  // namespace

Eigen::Vector3d perpendicular(const Eigen::Vector3d& axis)
{
    const Eigen::Vector3d other =
        std::abs(axis.x()) < 0.9 ? Eigen::Vector3d::UnitX() : Eigen::Vector3d::UnitY();
    return axis.cross(other).normalized();
}

TriangleMesh roundSurface(const Eigen::Vector3d& from, const Eigen::Vector3d& to, double radius)
{
    const Eigen::Vector3d along = to - from;
    const Eigen::Vector3d axis =
        along.norm() > 0.0 ? Eigen::Vector3d(along.normalized()) : Eigen::Vector3d::UnitY();
    const Eigen::Vector3d u = perpendicular(axis);
    const Eigen::Vector3d v = axis.cross(u);
    const double pi = std::acos(-1.0);

    TriangleMesh round;
    // Ring r at latitude pi r / rings - pi / 2; the equator appears twice,
    // once for each half, so that the straight part between them is drawn.
    for (int r = 0; r <= rings + 1; ++r) {
        const int latitudeRing = r <= rings / 2 ? r : r - 1;
        const double latitude = pi * latitudeRing / rings - pi / 2;
        const Eigen::Vector3d& centre = r <= rings / 2 ? from : to;
        for (int s = 0; s < segments; ++s) {
            const double longitude = 2 * pi * s / segments;
            const Eigen::Vector3d direction =
                std::cos(latitude) * (std::cos(longitude) * u + std::sin(longitude) * v)
                + std::sin(latitude) * axis;
            round.points.push_back(centre + radius * direction);
        }
    }
    for (int r = 0; r <= rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = r * segments + s;
            const int b = r * segments + (s + 1) % segments;
            const int c = a + segments;
            const int d = b + segments;
            // The first and last rings are the poles: one triangle per facet.
            if (r > 0)
                round.triangles.push_back({a, b, d});
            if (r < rings)
                round.triangles.push_back({a, d, c});
        }
    }
    return round;
}

}  // namespace Zarvo
