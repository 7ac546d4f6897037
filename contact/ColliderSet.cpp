// Contact with static obstacles, by projection after every global solve.
//
// Each local/global pass of a step ends with the estimate of every point
// moved out of the obstacles, onto the plane tangent to the surface where
// it touches; the next pass's constraints then see the body where contact
// leaves it. The step's last projection also pushes every point out of
// whatever the tangent plane left it inside, which fixes where it ends. A
// point's distance and normal at its start are found at most once a step,
// and not at all when it starts where the last step's final query left it;
// and each point keeps its latest sample of each collider, whose free ball
// spares the march of a way that stays inside it. So a point resting on an
// obstacle costs distance queries only in the last pass, and one well clear
// of it none. Friction acts on the same positions: the tangential part of a
// point's motion since it touched is cancelled while it is within mu times
// the normal correction (static friction), and otherwise shortened by that
// much (sliding), which over a step of length h is the Coulomb impulse
// mu |f_n| h. Velocities follow from the corrected positions, so a point at
// rest on a surface stays at rest.
//
// Why not solve each contact's Signorini-Coulomb conditions inside the
// local step, keeping the factor fixed: that adds per-contact unknowns to
// every pass and a choice of which rows a contact takes over, for a gain in
// stiff frictional stacking that a draped or hanging cloth does not need.
// Projection needs no change to the factorized system (contact never
// refactorizes), costs one pass over the points per global solve, and
// treats every shape through its distance alone.
//
// Contact is found along each point's motion over the step, not only where
// the step ends (firstContact): a point that would cross a thin obstacle in
// one step stops at its near side. Each point is resolved on its own, in
// the colliders' order, so every thread count gives the same bits.
#include "contact/ColliderSet.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "contact/SweptContact.h"

namespace Zarvo {

namespace {

constexpr int maxPushes = 4;
// A point that left the surface over an edge is back in touch within this
// many thicknesses of where it started, going back along its way.
constexpr double edgeReach = 2.0;

// A sample that shows nothing: it equals no place and frees no way; and a
// start's gap not yet found.
const Sample unknown{Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN()),
                     {-std::numeric_limits<double>::infinity(), Eigen::Vector3d::Zero()}};
const Gap unfound{std::numeric_limits<double>::quiet_NaN(), Eigen::Vector3d::Zero()};

}  // namespace

ColliderSet::ColliderSet(std::vector<Collider> colliders, double thickness)
    : colliders_(std::move(colliders)), thickness_(thickness)
{
    if (!(thickness > 0.0))
        throw std::invalid_argument("ColliderSet: the thickness must be above zero");
}

void ColliderSet::move(std::size_t index, const Eigen::Vector3d& displacement)
{
    colliders_.at(index).offset += displacement;
    for (std::size_t k = index; k < latest_.size(); k += colliders_.size())
        latest_[k] = unknown;
}

void ColliderSet::prepare(int points)
{
    starts_.resize(static_cast<std::size_t>(points) * colliders_.size());
    latest_.resize(starts_.size(), unknown);
}

void ColliderSet::startStep(int point, const Eigen::Vector3d& start)
{
    const std::size_t first = static_cast<std::size_t>(point) * colliders_.size();
    for (std::size_t c = 0; c < colliders_.size(); ++c) {
        const Sample& known = latest_[first + c];
        starts_[first + c] = known.at == start ? known.gap : unfound;
    }
}

void ColliderSet::resolve(int point, const Eigen::Vector3d& start, Eigen::Vector3d& position,
                          bool last) const
{
    const std::size_t first = static_cast<std::size_t>(point) * colliders_.size();
    for (std::size_t c = 0; c < colliders_.size(); ++c)
        respond(colliders_[c], starts_[first + c], latest_[first + c], start, position, last);
    // Leaving one obstacle may have entered another that touches it.
    if (last && colliders_.size() > 1)
        for (std::size_t c = 0; c < colliders_.size(); ++c)
            pushOut(colliders_[c], position, latest_[first + c]);
}

void ColliderSet::respond(const Collider& collider, Gap& from, Sample& latest,
                          const Eigen::Vector3d& start, Eigen::Vector3d& position, bool last) const
{
    if (std::isnan(from.gap)) {
        if (knownFree(latest, start, nullptr, position, thickness_))
            return;
        from = gapAt(collider, start, thickness_);
    }
    if (knownFree(latest, start, &from, position, thickness_))
        return;
    const std::optional<Touch> touch =
        firstContact(collider, start, position, thickness_, from, &latest);
    if (!touch)
        return;
    const Eigen::Vector3d& normal = touch->there.normal;
    // The plane that stops the point is the tangent plane at the thickness:
    // a point touching a little short of it (or already too close, as when
    // an obstacle moved onto it) counts from there.
    const Eigen::Vector3d contact =
        start + touch->at * (position - start) - touch->there.gap * normal;

    const double depth = (contact - position).dot(normal);
    // Only where the step ends is it worth a query whether the point has
    // rounded an edge; earlier passes keep it on the tangent plane.
    if (depth > 0.0 && !(last && leftOverEdge(collider, start, position, touch->at))) {
        position += depth * normal;
        const Eigen::Vector3d slide = position - contact;
        const Eigen::Vector3d tangential = slide - slide.dot(normal) * normal;
        const double length = tangential.norm();
        const double grip = collider.friction * depth;
        position -= length <= grip ? tangential : Eigen::Vector3d(grip / length * tangential);
    }
    // The tangent plane at the contact is the surface only for a flat one.
    if (last)
        pushOut(collider, position, latest);
}

bool ColliderSet::leftOverEdge(const Collider& collider, const Eigen::Vector3d& start,
                               const Eigen::Vector3d& end, double touch) const
{
    // Only a point that starts in touch can leave the surface's tangent
    // plane behind by rounding an edge; one that touches on its way in hit
    // the surface.
    if (touch > 0.0)
        return false;
    const Gap endGap = gapAt(collider, end, thickness_);
    if (!(endGap.gap >= 0.0))
        return false;
    // Outside at both ends: it rounded an edge (a table's rim) unless its
    // way passes through the obstacle (a thin one), which a march back from
    // the end finds touching far from the start.
    const std::optional<Touch> back = firstContact(collider, end, start, thickness_, endGap);
    return !back || (1.0 - back->at) * (end - start).norm() <= edgeReach * thickness_;
}

void ColliderSet::pushOut(const Collider& collider, Eigen::Vector3d& position, Sample& latest) const
{
    // One move along the normal by the gap reaches the surface of an exact
    // distance; a sampled one (a mesh's field, coarse deep inside) may need
    // a few.
    for (int k = 0; k < maxPushes; ++k) {
        Eigen::Vector3d normal;
        const double gap = collider.distance(position, normal) - thickness_;
        if (!(gap < 0.0)) {
            latest = {position, {gap, normal}};
            return;
        }
        position -= gap * normal;
    }
}

}  // namespace Zarvo
