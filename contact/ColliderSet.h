#pragma once

#include <vector>

#include "contact/Collider.h"
#include "contact/Gap.h"
#include "contact/SweptContact.h"
#include "solver/ContactHandler.h"

namespace Zarvo {

// The static obstacles of a scene, kept `thickness` away from the body's
// points, with Coulomb friction: what the solver calls after every global
// solve of a step (ContactHandler).
class ColliderSet : public ContactHandler
{
public:
    // `thickness` must be above zero (std::invalid_argument).
    ColliderSet(std::vector<Collider> colliders, double thickness);

    void prepare(int points) override;
    void startStep(int point, const Eigen::Vector3d& start) override;
    void resolve(int point, const Eigen::Vector3d& start, Eigen::Vector3d& position,
                 bool last) const override;

    double thickness() const { return thickness_; }
    const std::vector<Collider>& colliders() const { return colliders_; }
    // Moves collider `index` by `displacement`; only between steps.
    void move(std::size_t index, const Eigen::Vector3d& displacement);

private:
    void respond(const Collider& collider, Gap& from, Sample& latest,
                 const Eigen::Vector3d& start, Eigen::Vector3d& position, bool last) const;
    void pushOut(const Collider& collider, Eigen::Vector3d& position, Sample& latest) const;
    // Whether a point that started touching the collider and moved from
    // `start` to `end`, behind the tangent plane where it started, has
    // rounded an edge and is free of the collider rather than inside it.
    bool leftOverEdge(const Collider& collider, const Eigen::Vector3d& start,
                      const Eigen::Vector3d& end, double touch) const;

    std::vector<Collider> colliders_;
    double thickness_;
    // Each point's gap to each collider where it starts the step, the same
    // in every pass of the step, found when a pass first needs it; and its
    // latest sample of each collider, kept from step to step while the
    // collider stays where it is: a way the sample shows free needs no
    // march, and a step that starts where it was taken no query. Resolving
    // a point writes only its own.
    mutable std::vector<Gap> starts_;
    mutable std::vector<Sample> latest_;
};

}  // namespace Zarvo
