#include "solver/ClickForce.h"
#include "solver/GravityForce.h"

namespace Zarvo {

Eigen::Vector3d GravityForce::apply(const Eigen::Vector3d&, int)
{
    return gravity;
}

Eigen::Vector3d ClickForce::apply(const Eigen::Vector3d&, int index)
{
    return index == vertex ? force : Eigen::Vector3d::Zero();
}

}  // namespace Zarvo
