#pragma once

#include <Eigen/Core>

#include "constraints/Constraint.h"
#include "solver/ContactHandler.h"

namespace Zarvo {

// Keeps a body from passing through itself. Once a step, after its last
// pass has kept the points out of the obstacles, the solver calls finish()
// from every thread of the step's region: it may hold worksharing loops and
// barriers, and must end at one.
class SelfContactHandler
{
public:
    virtual ~SelfContactHandler() = default;

    // The points of the body it was made for.
    virtual int pointCount() const = 0;

    // `start`: 3 x n, where the points started the step; `estimate`: n x 3,
    // where the step takes them, moved in place to where the body does not
    // cross itself. `obstacles`, when not null, keeps the points out of the
    // obstacles (its resolve() with `last` set) and must still do so for
    // every point moved.
    virtual void finish(const Eigen::Map<Eigen::Matrix3Xd>& start, PointRows& estimate,
                        const ContactHandler* obstacles) = 0;
};

}  // namespace Zarvo
