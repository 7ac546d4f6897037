#pragma once

#include "constraints/Constraint.h"

namespace Zarvo {

// Pins each of its points to a target position. One row per point, with the
// fixed row scale 10; the rows never depend on `targets`, so a scene may
// overwrite `targets` between steps without re-assembling the solver.
class HandleConstraint : public Constraint
{
public:
    // `indices`: k points; `targets`: 3 x k, column j the target of indices[j].
    // Throws std::invalid_argument, naming both sizes, when `targets` does
    // not have k columns.
    HandleConstraint(const std::vector<int>& indices, const Eigen::Matrix3Xd& targets);

    void project(const PointRows& positions, PointRows& projections) const override;
    void addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                     int pointCount) override;

    Eigen::Matrix3Xd targets;  // 3 x k, one column per entry of indices
};

}  // namespace Zarvo
