#pragma once

#include <Eigen/Core>

namespace Zarvo {

// Keeps a body's points out of obstacles. Each step, the solver calls
// prepare() once on its own thread, then startStep() for every point, then
// resolve() for every point after every global solve; startStep() and
// resolve() run concurrently for different points and may touch only what
// belongs to their point. The obstacles stay put throughout a step.
class ContactHandler
{
public:
    virtual ~ContactHandler() = default;

    // Makes room for `points` points.
    virtual void prepare(int points) = 0;
    // `start`: where point `point` is at the start of the step.
    virtual void startStep(int point, const Eigen::Vector3d& start) = 0;
    // `position`: where the step has taken point `point` (which started at
    // `start`) so far, moved in place to where the obstacles let it be.
    // `last`: the step ends here, so the point must end outside them; an
    // earlier pass only needs the obstacles' pull for its constraints.
    virtual void resolve(int point, const Eigen::Vector3d& start, Eigen::Vector3d& position,
                         bool last) const = 0;
};

}  // namespace Zarvo
