#pragma once

#include <Eigen/Core>

namespace Zarvo {

// Keeps a body's points out of obstacles. The solver calls resolve() for
// every point after every global solve of a step, concurrently for different
// points; it must not write shared state, and it sees the same obstacles
// throughout a step.
class ContactHandler
{
public:
    virtual ~ContactHandler() = default;

    // `start`: the point's position at the start of the step; `position`:
    // where the step has taken it so far, moved in place to where the
    // obstacles let it be.
    virtual void resolve(const Eigen::Vector3d& start, Eigen::Vector3d& position) const = 0;
};

}  // namespace Zarvo
