#pragma once

#include "constraints/Constraint.h"

namespace Zarvo {

// Resists bending across an interior edge. One row: the cotangent-weighted
// combination sum_k K_k x_k of the hinge's four points, a discrete
// mean-curvature vector. The projection keeps its current direction and gives
// it its rest length; a hinge flat at rest always projects to zero.
//
// Hinge order of `indices`: i0, i1 the shared edge; i2 the third corner of the
// first triangle (p0, p1, p2); i3 that of the second (p0, p1, p3).
//
// A degenerate rest triangle (zero area) gives infinite cotangents and an
// infinite or NaN weight; such a hinge must not be added to a solver.
class BendingIsometricConstraint : public Constraint
{
public:
    // `positions`: 3 x 4, column k the rest position of indices[k];
    // `weight`: bending stiffness (scaled by 3 / (rest area of both triangles)).
    BendingIsometricConstraint(const std::vector<int>& indices, const Eigen::Matrix3Xd& positions,
                               double weight);
    // Field-wise: every field as given, `weight` already the row scale;
    // `laplacianWeights` holds four values.
    BendingIsometricConstraint(const std::vector<int>& indices, double weight,
                               const Eigen::VectorXd& laplacianWeights, double restNorm);

    std::shared_ptr<Constraint> clone() const override;
    void project(const PointRows& positions, PointRows& projections) const override;
    void addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                     int pointCount) override;

    Eigen::VectorXd laplacianWeights;  // K_0 ... K_3, summing to zero
    double restNorm;                   // |sum_k K_k p_k| at rest
};

}  // namespace Zarvo
