#pragma once

#include <Eigen/Core>

namespace Zarvo {

// An external action on the solver's points. The solver adds the returned
// vector times timeStep² to the point's prediction: it is an acceleration,
// never divided by a mass. apply() runs concurrently for different points
// and must not write shared state.
class Force
{
public:
    virtual ~Force() = default;

    // The acceleration on point `index`, whose current position is `position`.
    virtual Eigen::Vector3d apply(const Eigen::Vector3d& position, int index) = 0;
};

}  // namespace Zarvo
