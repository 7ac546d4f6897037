#pragma once

#include <vector>

#include "contact/Collider.h"
#include "contact/Gap.h"
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
    void respond(const Collider& collider, const Gap& from, const Eigen::Vector3d& start,
                 Eigen::Vector3d& position, bool last) const;
    void pushOut(const Collider& collider, Eigen::Vector3d& position) const;
    // Whether a point that started touching the collider and moved from
    // `start` to `end`, behind the tangent plane where it started, has
    // rounded an edge and is free of the collider rather than inside it.
    bool leftOverEdge(const Collider& collider, const Eigen::Vector3d& start,
                      const Eigen::Vector3d& end, double touch) const;

    std::vector<Collider> colliders_;
    double thickness_;
    // Each point's gap to each collider where it starts the step: the same
    // in every pass of the step.
    std::vector<Gap> starts_;
};

}  // namespace Zarvo
