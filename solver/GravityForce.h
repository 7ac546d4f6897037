#pragma once

#include "solver/Force.h"

namespace Zarvo {

// The same acceleration on every point (the scenes use (0, -10, 0): y is up).
class GravityForce : public Force
{
public:
    Eigen::Vector3d apply(const Eigen::Vector3d& position, int index) override;

    Eigen::Vector3d gravity = Eigen::Vector3d::Zero();
};

}  // namespace Zarvo
