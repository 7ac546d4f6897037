#include "solver/GravityForce.h"

namespace Zarvo {

Eigen::Vector3d GravityForce::apply(const Eigen::Vector3d&, int) const
{
    return gravity;
}

}  // namespace Zarvo
