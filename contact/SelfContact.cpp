// Self-contact, once a step, on where the step takes the body.
//
// Pairs of features (a vertex and a triangle, two edges) that touch are
// found along the step's motion, each point moving on a straight line from
// where it started to where the solver's passes took it: a pair whose four
// points become coplanar with its features meeting has crossed (a
// continuous test, so that a fast layer cannot jump through another), and
// a pair that ends closer than the thickness touches. Each is kept apart by
// moving its points, weighted by their inverse masses, until the
// separation of its closest points along its normal is the thickness: the
// normal of a crossing pair is that of its features where they met, turned
// to the side they started on. The tangential part of the pair's motion
// over the step is cancelled while within the friction coefficient times
// that push (static friction) and shortened by it otherwise. Velocities
// follow from the corrected positions.
//
// Moving one pair apart can move another together, so the pushes run over
// the contacts a few times, then the obstacles act again on the points
// moved, and the step is checked for crossings afresh, round after round,
// among the pairs with a point fresh: moved since the last search, or in a
// pair it found (every other pair is where that search found it apart, and
// is always judged by the same test, its features in the same order).
// Those found are pushed apart twice more, and after that the points of
// every pair still crossing are put back where they started the step,
// until none crosses. A body that starts a step without crossing itself
// therefore ends it without: what stays is what it started with. A step
// that starts tangled (a body read that way) keeps its tangles; contact
// only keeps them from growing.
//
// Pairs are found in parallel, each thread over its own block of vertices,
// triangles and edges, and pushed on one thread in the order of one
// thread's search, so every thread count gives the same bits.
//
// The search files the features' boxes over the step into hashed uniform
// grids of cells about a triangle's size, rebuilt each step, and looks up
// each vertex's and each edge's box in them: this costs time linear in the
// body and memory linear in it, needs no refitting however much the cloth
// folds, and a body's triangles are alike in size, which is where a grid of
// one cell size serves as well as a tree. A re-check looks up only the
// fresh features: in the first search's grids, with boxes grown by a slack,
// for what has moved less than the slack since (the pushes move points by
// about the thickness), and in small grids of their own for the rest.
//
// Most pairs that come near are then settled without the coplanarity test:
// the distance between two features changes over the step by no more than
// their points move relative to each other, and a pair whose closest
// points' direction at either end of the step separates it at the other end
// too stays apart all the way.
#include "contact/SelfContact.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include <omp.h>

namespace Zarvo {

namespace {

using Eigen::AlignedBox3d;
using Eigen::Vector3d;

// Features this much of the thickness apart where they are coplanar meet.
constexpr double meetingTolerance = 1e-3;
// Runs of pushes over the contacts found at first, and rounds of pushes
// for crossings found afterwards, before crossing pairs are put back.
constexpr int sweeps = 4;
constexpr int pushRounds = 2;
// Rounds of putting back before the whole body is: only a body far out of
// hand gets there, and it then ends the step where it started.
constexpr int mostRounds = 64;

std::vector<std::array<int, 2>> edgesOf(const std::vector<std::array<int, 3>>& triangles)
{
    std::vector<std::array<int, 2>> edges;
    edges.reserve(3 * triangles.size());
    for (const auto& t : triangles)
        for (int k = 0; k < 3; ++k)
            edges.push_back({std::min(t[k], t[(k + 1) % 3]), std::max(t[k], t[(k + 1) % 3])});
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

// Whether a pair whose closest points at one end of the step lie along
// `axis` (from the second feature to the first) stays more than `tolerance`
// apart all the way to `other`, its points at the step's other end: a
// point's reach along the axis is linear over the step, so the first
// feature's lowest less the second's highest is concave in time and least at
// an end, and at the first end it is at least their distance (the plane
// through the closest points separates two convex features).
bool stayApart(const PairPoints& other, int split, const Vector3d& axis, double tolerance)
{
    double low = other[0].dot(axis), high = other[split].dot(axis);
    for (int k = 1; k < 4; ++k) {
        const double reach = other[k].dot(axis);
        if (k < split)
            low = std::min(low, reach);
        else
            high = std::max(high, reach);
    }
    return low - high > tolerance;
}

// Whether the pair stays more than `tolerance` apart over the whole step
// along the direction of its closest points at either end (`endSeparation`
// is that at the end), which spares most pairs that only come near.
bool apartAllTheWay(PairKind kind, const PairPoints& from, const PairPoints& to,
                    const Vector3d& endSeparation, double tolerance)
{
    const int split = kind == PairKind::VertexTriangle ? 1 : 2;
    const double endDistance = endSeparation.norm();
    if (endDistance > tolerance && stayApart(from, split, endSeparation / endDistance, tolerance))
        return true;
    const Vector3d startSeparation = separation(closestWeights(kind, from), from);
    const double startDistance = startSeparation.norm();
    return startDistance > tolerance &&
           stayApart(to, split, startSeparation / startDistance, tolerance);
}

bool shares(const std::array<int, 3>& triangle, int point)
{
    return triangle[0] == point || triangle[1] == point || triangle[2] == point;
}

}  // namespace

SelfContact::SelfContact(std::vector<std::array<int, 3>> triangles, std::vector<double> inverseMasses,
                         double thickness, double friction)
    : triangles_(std::move(triangles)),
      inverseMasses_(std::move(inverseMasses)),
      thickness_(thickness),
      friction_(friction),
      slack_(thickness)
{
    if (!(thickness > 0.0))
        throw std::invalid_argument("SelfContact: the thickness must be above zero");
    if (!(friction >= 0.0))
        throw std::invalid_argument("SelfContact: the friction must be 0 or more");
    for (const auto& triangle : triangles_)
        for (const int point : triangle)
            if (point < 0 || point >= static_cast<int>(inverseMasses_.size()))
                throw std::out_of_range("SelfContact: a triangle names a point that has no mass");
    edges_ = edgesOf(triangles_);
}

AlignedBox3d SelfContact::sweptBox(const Eigen::Map<Eigen::Matrix3Xd>& start, int point) const
{
    AlignedBox3d box(start.col(point));
    box.extend(positions_.col(point));
    return box;
}

namespace {

AlignedBox3d inflated(AlignedBox3d box, double reach)
{
    box.min().array() -= reach;
    box.max().array() += reach;
    return box;
}

void sortUnique(std::vector<int>& values)
{
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

}  // namespace

void SelfContact::fileFeatures(const Eigen::Map<Eigen::Matrix3Xd>& start, double reach,
                                bool crossingsOnly)
{
    const int points = static_cast<int>(positions_.cols());
    const int triangles = static_cast<int>(triangles_.size());
    const int edges = static_cast<int>(edges_.size());
    if (crossingsOnly) {
#pragma omp single
        {
            // What moved since the last search, and what has strayed from
            // the cells the first search filed it in.
            freshVertices_.clear();
            for (int v = 0; v < points; ++v)
                if (fresh_[v]) {
                    freshVertices_.push_back(v);
                    if ((positions_.col(v) - searched_.col(v)).cwiseAbs().maxCoeff() > slack_)
                        escaped_[v] = 1;
                }
            const auto list = [&](const auto& features, std::vector<int>& fresh,
                                  std::vector<int>& escaped, std::vector<char>& escapedFeature) {
                fresh.clear();
                escaped.clear();
                for (int f = 0; f < static_cast<int>(features.size()); ++f) {
                    if (any(fresh_, features[f]))
                        fresh.push_back(f);
                    escapedFeature[f] = any(escaped_, features[f]);
                    if (escapedFeature[f])
                        escaped.push_back(f);
                }
            };
            list(triangles_, freshTriangles_, escapedTriangles_, escapedTriangle_);
            list(edges_, freshEdges_, escapedEdges_, escapedEdge_);
            escapedVertices_.clear();
            for (int v = 0; v < points; ++v)
                if (escaped_[v])
                    escapedVertices_.push_back(v);
        }
    }
    // Every box at the first search; at a re-check only those that moved.
    const auto file = [&](int count, const std::vector<int>& fresh, auto&& boxOf) {
        const int n = crossingsOnly ? static_cast<int>(fresh.size()) : count;
#pragma omp for schedule(static) nowait
        for (int k = 0; k < n; ++k)
            boxOf(crossingsOnly ? fresh[k] : k);
    };
    file(points, freshVertices_, [&](int v) { vertexBoxes_[v] = sweptBox(start, v); });
    file(triangles, freshTriangles_, [&](int t) {
        AlignedBox3d box = sweptBox(start, triangles_[t][0]);
        box.extend(sweptBox(start, triangles_[t][1]));
        box.extend(sweptBox(start, triangles_[t][2]));
        triangleBoxes_[t] = box;
    });
    file(edges, freshEdges_, [&](int e) {
        AlignedBox3d box = sweptBox(start, edges_[e][0]);
        box.extend(sweptBox(start, edges_[e][1]));
        edgeBoxes_[e] = box;
    });
#pragma omp barrier
#pragma omp single
    {
        if (crossingsOnly) {
            escapedVertexGrid_.build(vertexBoxes_, cell_, &escapedVertices_);
            escapedTriangleGrid_.build(triangleBoxes_, cell_, &escapedTriangles_);
            escapedEdgeGrid_.build(edgeBoxes_, cell_, &escapedEdges_);
        } else {
            // Cells as large as a triangle's box is on average, counted on
            // one thread so that the grids are the same on any number.
            double sum = 0.0;
            int finite = 0;
            for (const AlignedBox3d& box : triangleBoxes_)
                if (box.sizes().allFinite()) {
                    sum += box.sizes().maxCoeff();
                    ++finite;
                }
            cell_ = std::max(finite > 0 ? sum / finite : 0.0, reach);
            vertexGrid_.build(vertexBoxes_, cell_);
            triangleGrid_.build(triangleBoxes_, cell_);
            edgeGrid_.build(edgeBoxes_, cell_);
            searched_ = positions_;
            std::fill(escaped_.begin(), escaped_.end(), 0);
            std::fill(escapedTriangle_.begin(), escapedTriangle_.end(), 0);
            std::fill(escapedEdge_.begin(), escapedEdge_.end(), 0);
        }
    }
}

void SelfContact::findContacts(const Eigen::Map<Eigen::Matrix3Xd>& start, bool crossingsOnly)
{
    const double reach = crossingsOnly ? meetingTolerance * thickness_ : thickness_;
    fileFeatures(start, reach, crossingsOnly);
    Found& found = found_[omp_get_thread_num()];
    found.vertexTriangle.clear();
    found.triangleVertex.clear();
    found.edgeEdge.clear();
    if (!crossingsOnly) {
        const int points = static_cast<int>(positions_.cols());
#pragma omp for schedule(static) nowait
        for (int v = 0; v < points; ++v)
            findAtVertex(v, start, reach, false, found);
        const int edges = static_cast<int>(edges_.size());
#pragma omp for schedule(static)
        for (int e = 0; e < edges; ++e)
            findAtEdge(e, start, reach, false, found);
        return;
    }
    // A re-check starts from the fresh features only.
    const int vertices = static_cast<int>(freshVertices_.size());
#pragma omp for schedule(static) nowait
    for (int k = 0; k < vertices; ++k)
        findAtVertex(freshVertices_[k], start, reach, true, found);
    const int triangles = static_cast<int>(freshTriangles_.size());
#pragma omp for schedule(static) nowait
    for (int k = 0; k < triangles; ++k)
        findAtTriangle(freshTriangles_[k], start, reach, found);
    const int edges = static_cast<int>(freshEdges_.size());
#pragma omp for schedule(static)
    for (int k = 0; k < edges; ++k)
        findAtEdge(freshEdges_[k], start, reach, true, found);
}

// A feature that has not escaped lies within the slack of the box the first
// search filed it by, so a box grown by the slack finds it in that search's
// grid; one that has escaped is in the re-check's own.
template <class Accept>
void SelfContact::lookUp(const BoxGrid& searched, const BoxGrid& escaped,
                         const std::vector<char>& escapedFeature, const AlignedBox3d& box,
                         double reach, bool crossingsOnly, int from, Accept&& accept,
                         Found& found) const
{
    found.candidates.clear();
    const auto take = [&](int f) { found.candidates.push_back(f); };
    if (!crossingsOnly) {
        searched.forEachOverlapping(inflated(box, reach), from, accept, take);
    } else {
        searched.forEachOverlapping(
            inflated(box, reach + slack_), from,
            [&](int f) { return !escapedFeature[f] && accept(f); }, take);
        escaped.forEachOverlapping(inflated(box, reach), from, accept, take);
    }
    sortUnique(found.candidates);
}

void SelfContact::findAtVertex(int vertex, const Eigen::Map<Eigen::Matrix3Xd>& start, double reach,
                               bool crossingsOnly, Found& found) const
{
    // Few triangles near a vertex are its own: those are left out after the
    // look-up, which reads the triangles' corners only for what it finds.
    lookUp(triangleGrid_, escapedTriangleGrid_, escapedTriangle_, vertexBoxes_[vertex], reach,
           crossingsOnly, 0, [](int) { return true; }, found);
    Contact contact;
    for (const int t : found.candidates) {
        const auto& triangle = triangles_[t];
        if (!shares(triangle, vertex) &&
            touch(PairKind::VertexTriangle, {vertex, triangle[0], triangle[1], triangle[2]}, start,
                  crossingsOnly, contact))
            found.vertexTriangle.push_back(contact);
    }
}

void SelfContact::findAtTriangle(int triangle, const Eigen::Map<Eigen::Matrix3Xd>& start,
                                 double reach, Found& found) const
{
    // The vertices that are not fresh near a fresh triangle; the fresh ones
    // found it themselves.
    const auto& corners = triangles_[triangle];
    lookUp(vertexGrid_, escapedVertexGrid_, escaped_, triangleBoxes_[triangle], reach, true, 0,
           [&](int v) { return !fresh_[v] && !shares(corners, v); }, found);
    Contact contact;
    for (const int v : found.candidates)
        if (touch(PairKind::VertexTriangle, {v, corners[0], corners[1], corners[2]}, start, true,
                  contact))
            found.triangleVertex.push_back(contact);
}

void SelfContact::findAtEdge(int edge, const Eigen::Map<Eigen::Matrix3Xd>& start, double reach,
                             bool crossingsOnly, Found& found) const
{
    const int a = edges_[edge][0], b = edges_[edge][1];
    // Each pair once: from its first edge, or re-checking from its fresh
    // one, and from the first of two fresh ones. Edges with a corner in
    // common meet there.
    lookUp(edgeGrid_, escapedEdgeGrid_, escapedEdge_, edgeBoxes_[edge], reach, crossingsOnly,
           crossingsOnly ? 0 : edge + 1,
           [&](int other) {
               if (crossingsOnly && other < edge && any(fresh_, edges_[other]))
                   return false;
               const int c = edges_[other][0], d = edges_[other][1];
               return c != a && c != b && d != a && d != b;
           },
           found);
    // The test rounds differently with the edges swapped: a pair is always
    // tested with its first edge first, so that every search judges it
    // alike.
    Contact contact;
    for (const int other : found.candidates) {
        const int c = edges_[other][0], d = edges_[other][1];
        const std::array<int, 4> points =
            edge < other ? std::array<int, 4>{a, b, c, d} : std::array<int, 4>{c, d, a, b};
        if (touch(PairKind::EdgeEdge, points, start, crossingsOnly, contact))
            found.edgeEdge.push_back(contact);
    }
}

bool SelfContact::touch(PairKind kind, const std::array<int, 4>& points,
                        const Eigen::Map<Eigen::Matrix3Xd>& start, bool crossingsOnly,
                        Contact& contact) const
{
    PairPoints from, to;
    for (int k = 0; k < 4; ++k) {
        from[k] = start.col(points[k]);
        to[k] = positions_.col(points[k]);
    }
    // The features' distance stays the same when all four points move
    // alike, so over the step it changes by no more than the farthest a
    // point of the one moves relative to the first point plus the farthest
    // of the other: a cloth falling as a whole moves no pair.
    const int split = kind == PairKind::VertexTriangle ? 1 : 2;
    const Vector3d common = to[0] - from[0];
    double farthest[2] = {0.0, 0.0};
    for (int k = 1; k < 4; ++k) {
        double& feature = farthest[k < split ? 0 : 1];
        feature = std::max(feature, (to[k] - from[k] - common).norm());
    }
    const double motion = farthest[0] + farthest[1];
    // The features' boxes are no farther apart than the features.
    AlignedBox3d first(to[0]), second(to[split]);
    for (int k = 1; k < 4; ++k)
        (k < split ? first : second).extend(to[k]);
    const double boxGap = (first.min() - second.max()).cwiseMax(second.min() - first.max()).cwiseMax(0.0).norm();
    if (!(boxGap - motion <= thickness_))
        return false;

    const PairWeights endWeights = closestWeights(kind, to);
    const Vector3d endSeparation = separation(endWeights, to);
    const double endDistance = endSeparation.norm();
    if (!(endDistance - motion <= thickness_))
        return false;

    contact.kind = kind;
    contact.points = points;
    contact.crossing = true;
    const double tolerance = meetingTolerance * thickness_;
    if (endDistance - motion <= tolerance && !apartAllTheWay(kind, from, to, endSeparation, tolerance)) {
        if (const std::optional<double> at = firstMeeting(kind, from, to, tolerance)) {
            const PairPoints there = pointsAt(from, to, *at);
            contact.weights = closestWeights(kind, there);
            Vector3d normal = featureNormal(kind, there);
            const double side = normal.dot(separation(contact.weights, from));
            const double wrongSide = normal.dot(separation(contact.weights, to));
            if (side < 0.0 || (side == 0.0 && wrongSide > 0.0))
                normal = -normal;
            contact.normal = normal;
            return normal.squaredNorm() > 0.0;
        }
    }
    if (crossingsOnly || !(endDistance < thickness_))
        return false;
    contact.crossing = false;
    contact.weights = endWeights;
    if (endDistance > 0.0) {
        contact.normal = endSeparation / endDistance;
    } else {
        // Touching exactly: apart along the features' normal, to the side
        // they started on.
        contact.normal = featureNormal(kind, to);
        if (contact.normal.dot(separation(endWeights, from)) < 0.0)
            contact.normal = -contact.normal;
    }
    return contact.normal.squaredNorm() > 0.0;
}

template <class Act>
std::size_t SelfContact::forEachContact(Act&& act)
{
    std::size_t count = 0;
    for (auto list : {&Found::vertexTriangle, &Found::triangleVertex, &Found::edgeEdge})
        for (const Found& found : found_)
            for (const Contact& contact : found.*list) {
                act(contact);
                ++count;
            }
    return count;
}

void SelfContact::push(const Contact& contact, const Eigen::Map<Eigen::Matrix3Xd>& start)
{
    PairPoints now, from;
    double weighed = 0.0;
    for (int k = 0; k < 4; ++k) {
        now[k] = positions_.col(contact.points[k]);
        from[k] = start.col(contact.points[k]);
        weighed += contact.weights[k] * contact.weights[k] * inverseMasses_[contact.points[k]];
    }
    const double depth = thickness_ - contact.normal.dot(separation(contact.weights, now));
    if (!(depth > 0.0) || !(weighed > 0.0))
        return;
    // Moving point k by inverseMass_k w_k c / weighed moves the separation
    // by exactly c.
    Vector3d change = depth * contact.normal;
    const Vector3d motion = separation(contact.weights, now) + change - separation(contact.weights, from);
    const Vector3d tangential = motion - motion.dot(contact.normal) * contact.normal;
    const double length = tangential.norm();
    const double grip = friction_ * depth;
    change -= length <= grip ? tangential : Vector3d(grip / length * tangential);
    for (int k = 0; k < 4; ++k) {
        const int point = contact.points[k];
        const double share = inverseMasses_[point] * contact.weights[k] / weighed;
        if (share != 0.0) {
            positions_.col(point) += share * change;
            moved_[point] = 1;
            fresh_[point] = 1;
        }
    }
}

std::size_t SelfContact::revert(const Eigen::Map<Eigen::Matrix3Xd>& start)
{
    std::size_t reverted = 0;
    forEachContact([&](const Contact& contact) {
        for (const int point : contact.points)
            if (positions_.col(point) != start.col(point)) {
                positions_.col(point) = start.col(point);
                fresh_[point] = 1;
                ++reverted;
            }
    });
    return reverted;
}

void SelfContact::markFresh(const Contact& contact)
{
    for (const int point : contact.points)
        fresh_[point] = 1;
}

void SelfContact::keepOutOfObstacles(const Eigen::Map<Eigen::Matrix3Xd>& start,
                                     const ContactHandler* obstacles)
{
    const int points = static_cast<int>(positions_.cols());
#pragma omp for schedule(static)
    for (int i = 0; i < points; ++i) {
        if (!moved_[i])
            continue;
        moved_[i] = 0;
        if (obstacles) {
            Vector3d position = positions_.col(i);
            obstacles->resolve(i, start.col(i), position, true);
            positions_.col(i) = position;
        }
    }
}

void SelfContact::finish(const Eigen::Map<Eigen::Matrix3Xd>& start, PointRows& estimate,
                         const ContactHandler* obstacles)
{
    const int points = static_cast<int>(start.cols());
#pragma omp single
    {
        positions_.resize(3, points);
        moved_.assign(points, 0);
        fresh_.assign(points, 0);
        escaped_.resize(points);
        escapedTriangle_.resize(triangles_.size());
        escapedEdge_.resize(edges_.size());
        vertexBoxes_.resize(points);
        triangleBoxes_.resize(triangles_.size());
        edgeBoxes_.resize(edges_.size());
        found_.resize(omp_get_num_threads());
    }
#pragma omp for schedule(static)
    for (int i = 0; i < points; ++i)
        positions_.col(i) = estimate.row(i).transpose();

    findContacts(start, false);
#pragma omp single
    {
        // A crossing pair is searched again however the pushes leave it.
        forEachContact([&](const Contact& contact) {
            if (contact.crossing)
                markFresh(contact);
        });
        for (int k = 0; k < sweeps; ++k)
            forEachContact([&](const Contact& contact) { push(contact, start); });
    }
    keepOutOfObstacles(start, obstacles);

    for (int round = 0;; ++round) {
        findContacts(start, true);
#pragma omp single
        {
            std::fill(fresh_.begin(), fresh_.end(), 0);
            forEachContact([&](const Contact& contact) { markFresh(contact); });
            if (round < pushRounds) {
                settled_ = forEachContact([&](const Contact& contact) { push(contact, start); }) == 0;
            } else if (round < mostRounds) {
                settled_ = revert(start) == 0;
            } else {
                positions_ = start;
                settled_ = true;
            }
        }
        if (settled_)
            break;
        keepOutOfObstacles(start, obstacles);
    }

#pragma omp for schedule(static)
    for (int i = 0; i < points; ++i)
        estimate.row(i) = positions_.col(i).transpose();
}

}  // namespace Zarvo
