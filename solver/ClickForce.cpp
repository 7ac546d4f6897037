#include "solver/ClickForce.h"

namespace Zarvo {

Eigen::Vector3d ClickForce::apply(const Eigen::Vector3d&, int index) const
{
    return index == vertex ? force : Eigen::Vector3d::Zero();
}

}  // namespace Zarvo
