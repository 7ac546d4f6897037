#pragma once

#include <array>
#include <optional>

#include <Eigen/Core>
#include <Eigen/Geometry>

namespace Zarvo {

// Two features of one surface that may touch: a vertex and a triangle, with
// points {vertex, a, b, c}, or two edges, with points {p0, p1, q0, q1}.
enum class PairKind { VertexTriangle, EdgeEdge };

using PairPoints = std::array<Eigen::Vector3d, 4>;

// Weights over a pair's four points that give the vector from the second
// feature's closest point to the first's, s = sum of w[k] x[k]: the first
// feature's weights sum to 1, the second's to -1.
using PairWeights = std::array<double, 4>;

// The weights of the pair's closest points at `x`.
PairWeights closestWeights(PairKind kind, const PairPoints& x);

// s for `weights` at `x`.
Eigen::Vector3d separation(const PairWeights& weights, const PairPoints& x);

// The unit normal of the pair's features at `x`: the triangle's for a
// vertex and a triangle, the edges' common normal for two edges (the
// closest points' direction when the edges are parallel), or zero when
// neither is defined.
Eigen::Vector3d featureNormal(PairKind kind, const PairPoints& x);

// The pair's points a fraction `t` of the way from `from` to `to`.
PairPoints pointsAt(const PairPoints& from, const PairPoints& to, double t);

// The earliest fraction t of the way, 0 <= t <= 1, at which the pair, each
// point moving on a straight line from `from` to `to`, meets: its four
// points are coplanar and its features within `tolerance` of each other.
// Nothing when they never meet.
std::optional<double> firstMeeting(PairKind kind, const PairPoints& from, const PairPoints& to,
                                   double tolerance);

}  // namespace Zarvo
