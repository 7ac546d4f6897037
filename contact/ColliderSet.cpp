// Contact with static obstacles, by projection after every global solve.
//
// Each local/global pass of a step ends with the estimate of every point
// moved out of the obstacles; the next pass's constraints then see the body
// where contact leaves it, and the step's last projection fixes where it
// ends. Friction acts on the same positions: the tangential part of a
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

#include <stdexcept>
#include <utility>

#include "contact/SweptContact.h"

namespace Zarvo {

namespace {

constexpr int maxPushes = 4;

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
}

void ColliderSet::resolve(const Eigen::Vector3d& start, Eigen::Vector3d& position) const
{
    for (const Collider& collider : colliders_)
        respond(collider, start, position);
    // Leaving one obstacle may have entered another that touches it.
    for (const Collider& collider : colliders_)
        pushOut(collider, position);
}

void ColliderSet::respond(const Collider& collider, const Eigen::Vector3d& start,
                          Eigen::Vector3d& position) const
{
    const std::optional<double> touch = firstContact(collider, start, position, thickness_);
    if (!touch)
        return;
    Eigen::Vector3d contact = start + *touch * (position - start);
    const Eigen::Vector3d normal = collider.normal(contact);
    // A start already too close (an obstacle moved onto the point) counts
    // from the surface it should have kept to.
    const double gap = collider.distance(contact) - thickness_;
    if (gap < 0.0)
        contact -= gap * normal;

    const double depth = (contact - position).dot(normal);
    if (depth > 0.0) {
        position += depth * normal;
        const Eigen::Vector3d slide = position - contact;
        const Eigen::Vector3d tangential = slide - slide.dot(normal) * normal;
        const double length = tangential.norm();
        const double grip = collider.friction * depth;
        position -= length <= grip ? tangential : Eigen::Vector3d(grip / length * tangential);
    }
    pushOut(collider, position);
}

void ColliderSet::pushOut(const Collider& collider, Eigen::Vector3d& position) const
{
    // One move along the normal by the gap reaches the surface of an exact
    // distance; a sampled one (a mesh's field, coarse deep inside) may need
    // a few.
    for (int k = 0; k < maxPushes; ++k) {
        const double gap = collider.distance(position) - thickness_;
        if (!(gap < 0.0))
            return;
        position -= gap * collider.normal(position);
    }
}

}  // namespace Zarvo
