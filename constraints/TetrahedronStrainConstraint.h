#pragma once

#include "constraints/Constraint.h"

namespace Zarvo {

// Keeps a tetrahedron close to its rest shape up to rotation. Three rows: the
// columns of the deformation gradient F = [x1 - x0, x2 - x0, x3 - x0] *
// restShape. The projection clamps the singular values of F to
// [rangeMin, rangeMax] and flips the smallest one when F is a reflection, so
// an inverted element is pushed back to a properly oriented shape.
//
// The rest corners must be positively oriented (det [p1 - p0, p2 - p0,
// p3 - p0] > 0): a flat rest tetrahedron gives an infinite restShape and a
// negatively oriented one a NaN weight; neither may be added to a solver.
class TetrahedronStrainConstraint : public Constraint
{
public:
    // `indices`: i0 ... i3; `positions`: 3 x 4, column k the rest position of
    // indices[k]; `weight`: stiffness per unit of rest volume.
    TetrahedronStrainConstraint(const std::vector<int>& indices,
                                const Eigen::Matrix<double, 3, 4>& positions, double weight);
    // Field-wise: every field as given, `weight` already the row scale.
    TetrahedronStrainConstraint(const std::vector<int>& indices, double weight,
                                const Eigen::Matrix3d& restShape, double rangeMin, double rangeMax);

    std::shared_ptr<Constraint> clone() const override;
    void project(const PointRows& positions, PointRows& projections) const override;
    void addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                     int pointCount) override;

    Eigen::Matrix3d restShape;  // inverse rest edge matrix
    double rangeMin;
    double rangeMax;
};

}  // namespace Zarvo
