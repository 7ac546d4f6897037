#pragma once

#include "solver/Force.h"

namespace Zarvo {

// The mouse push: `force` on point `vertex` only (-1 = no point). The scene
// sets `vertex` between steps, so a pick acts for exactly one step.
class ClickForce : public Force
{
public:
    Eigen::Vector3d apply(const Eigen::Vector3d& position, int index) override;

    Eigen::Vector3d force = Eigen::Vector3d::Zero();
    int vertex = -1;
};

}  // namespace Zarvo
