// Closest points of a vertex and a triangle and of two edges, and the time
// at which such a pair, moving linearly over a step, first meets.
//
// Four points moving linearly are coplanar where the cubic
//   f(t) = ((x1 - x0) x (x2 - x0)) . (x3 - x0)
// vanishes. Its roots in [0, 1] are found on the intervals between its
// turning points, where it is monotone, by bisection; a turning point is a
// candidate of its own, for features that graze each other without f
// changing sign. The earliest candidate at which the features lie within
// the tolerance is the meeting.
#include "contact/PairGeometry.h"

#include <algorithm>
#include <cmath>

namespace Zarvo {

namespace {

using Eigen::Vector3d;

// Bisections of a root's interval: t to within 2^-52 of the step.
constexpr int bisections = 52;

// Barycentric weights of the point of triangle abc closest to p, by the
// triangle's Voronoi regions.
std::array<double, 3> closestOnTriangle(const Vector3d& p, const Vector3d& a, const Vector3d& b,
                                        const Vector3d& c)
{
    const Vector3d ab = b - a, ac = c - a, ap = p - a;
    const double d1 = ab.dot(ap), d2 = ac.dot(ap);
    if (d1 <= 0.0 && d2 <= 0.0)
        return {1.0, 0.0, 0.0};
    const Vector3d bp = p - b;
    const double d3 = ab.dot(bp), d4 = ac.dot(bp);
    if (d3 >= 0.0 && d4 <= d3)
        return {0.0, 1.0, 0.0};
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) {
        const double v = d1 / (d1 - d3);
        return {1.0 - v, v, 0.0};
    }
    const Vector3d cp = p - c;
    const double d5 = ab.dot(cp), d6 = ac.dot(cp);
    if (d6 >= 0.0 && d5 <= d6)
        return {0.0, 0.0, 1.0};
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) {
        const double w = d2 / (d2 - d6);
        return {1.0 - w, 0.0, w};
    }
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && (d4 - d3) >= 0.0 && (d5 - d6) >= 0.0) {
        const double w = (d4 - d3) / ((d4 - d3) + (d5 - d6));
        return {0.0, 1.0 - w, w};
    }
    const double sum = va + vb + vc;
    if (!(sum > 0.0))  // a degenerate triangle: its first corner stands for it
        return {1.0, 0.0, 0.0};
    const double v = vb / sum, w = vc / sum;
    return {1.0 - v - w, v, w};
}

// Parameters s and t of the closest points p0 + s (p1 - p0) and
// q0 + t (q1 - q0) of two segments, each clamped to [0, 1].
std::pair<double, double> closestOnSegments(const Vector3d& p0, const Vector3d& p1,
                                            const Vector3d& q0, const Vector3d& q1)
{
    const Vector3d d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
    const double a = d1.squaredNorm(), e = d2.squaredNorm(), f = d2.dot(r);
    if (!(a > 0.0) && !(e > 0.0))
        return {0.0, 0.0};
    if (!(a > 0.0))
        return {0.0, std::clamp(f / e, 0.0, 1.0)};
    const double c = d1.dot(r);
    if (!(e > 0.0))
        return {std::clamp(-c / a, 0.0, 1.0), 0.0};
    const double b = d1.dot(d2), denominator = a * e - b * b;
    double s = denominator > 0.0 ? std::clamp((b * f - c * e) / denominator, 0.0, 1.0) : 0.0;
    double t = (b * s + f) / e;
    if (t < 0.0) {
        t = 0.0;
        s = std::clamp(-c / a, 0.0, 1.0);
    } else if (t > 1.0) {
        t = 1.0;
        s = std::clamp((b - c) / a, 0.0, 1.0);
    }
    return {s, t};
}

// Coefficients c[0] + c[1] t + c[2] t^2 + c[3] t^3 of the coplanarity cubic.
std::array<double, 4> coplanarity(const PairPoints& from, const PairPoints& to)
{
    const Vector3d u0 = from[1] - from[0], u1 = (to[1] - to[0]) - u0;
    const Vector3d w0 = from[2] - from[0], w1 = (to[2] - to[0]) - w0;
    const Vector3d r0 = from[3] - from[0], r1 = (to[3] - to[0]) - r0;
    const Vector3d c0 = u0.cross(w0), c1 = u0.cross(w1) + u1.cross(w0), c2 = u1.cross(w1);
    return {c0.dot(r0), c0.dot(r1) + c1.dot(r0), c1.dot(r1) + c2.dot(r0), c2.dot(r1)};
}

double evaluate(const std::array<double, 4>& c, double t)
{
    return ((c[3] * t + c[2]) * t + c[1]) * t + c[0];
}

// The root of the cubic in [low, high], over which it is monotone and
// changes sign.
double bisect(const std::array<double, 4>& c, double low, double high)
{
    const bool rising = evaluate(c, low) < 0.0;
    for (int k = 0; k < bisections; ++k) {
        const double middle = 0.5 * (low + high);
        ((evaluate(c, middle) < 0.0) == rising ? low : high) = middle;
    }
    return 0.5 * (low + high);
}

// Where the cubic may touch zero in [0, 1], ascending: its roots and its
// turning points. At most six.
int candidateTimes(const std::array<double, 4>& c, std::array<double, 6>& times)
{
    // Turning points: roots of 3 c3 t^2 + 2 c2 t + c1 in (0, 1).
    std::array<double, 4> bounds{0.0, 0.0, 0.0, 1.0};
    int count = 1;
    const double qa = 3.0 * c[3], qb = 2.0 * c[2], qc = c[1];
    if (qa != 0.0) {
        const double discriminant = qb * qb - 4.0 * qa * qc;
        if (discriminant >= 0.0) {
            const double root = std::sqrt(discriminant);
            // The root of larger magnitude first, without cancellation.
            const double q = -0.5 * (qb + std::copysign(root, qb));
            for (const double t : {q / qa, q != 0.0 ? qc / q : 0.0})
                if (t > 0.0 && t < 1.0)
                    bounds[count++] = t;
        }
    } else if (qb != 0.0) {
        const double t = -qc / qb;
        if (t > 0.0 && t < 1.0)
            bounds[count++] = t;
    }
    if (count == 3 && bounds[2] < bounds[1])
        std::swap(bounds[1], bounds[2]);
    bounds[count] = 1.0;

    int found = 0;
    if (evaluate(c, 0.0) == 0.0)
        times[found++] = 0.0;
    for (int k = 0; k < count; ++k) {
        const double low = bounds[k], high = bounds[k + 1];
        const double fLow = evaluate(c, low), fHigh = evaluate(c, high);
        if (k > 0)
            times[found++] = low;
        if ((fLow < 0.0 && fHigh > 0.0) || (fLow > 0.0 && fHigh < 0.0))
            times[found++] = bisect(c, low, high);
        else if (fHigh == 0.0 && high == 1.0)
            times[found++] = 1.0;
    }
    return found;
}

}  // namespace

PairWeights closestWeights(PairKind kind, const PairPoints& x)
{
    if (kind == PairKind::VertexTriangle) {
        const auto b = closestOnTriangle(x[0], x[1], x[2], x[3]);
        return {1.0, -b[0], -b[1], -b[2]};
    }
    const auto [s, t] = closestOnSegments(x[0], x[1], x[2], x[3]);
    return {1.0 - s, s, t - 1.0, -t};
}

Vector3d separation(const PairWeights& weights, const PairPoints& x)
{
    return weights[0] * x[0] + weights[1] * x[1] + weights[2] * x[2] + weights[3] * x[3];
}

Vector3d featureNormal(PairKind kind, const PairPoints& x)
{
    Vector3d normal = kind == PairKind::VertexTriangle ? Vector3d((x[2] - x[1]).cross(x[3] - x[1]))
                                                       : Vector3d((x[1] - x[0]).cross(x[3] - x[2]));
    if (kind == PairKind::EdgeEdge && !(normal.squaredNorm() > 0.0))
        normal = separation(closestWeights(kind, x), x);
    const double length = normal.norm();
    return length > 0.0 ? Vector3d(normal / length) : Vector3d::Zero();
}

PairPoints pointsAt(const PairPoints& from, const PairPoints& to, double t)
{
    PairPoints x;
    for (int k = 0; k < 4; ++k)
        x[k] = from[k] + t * (to[k] - from[k]);
    return x;
}

std::optional<double> firstMeeting(PairKind kind, const PairPoints& from, const PairPoints& to,
                                   double tolerance)
{
    std::array<double, 6> times{};
    const int count = candidateTimes(coplanarity(from, to), times);
    for (int k = 0; k < count; ++k) {
        const PairPoints x = pointsAt(from, to, times[k]);
        if (separation(closestWeights(kind, x), x).norm() <= tolerance)
            return times[k];
    }
    return std::nullopt;
}

}  // namespace Zarvo
