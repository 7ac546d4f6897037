#pragma once

#include "constraints/Constraint.h"

namespace Zarvo {

// Keeps the distance between two points at its rest length L. One row: the
// edge vector divided by L; its projection is the unit vector along the
// current edge, so stretching and compression are penalised alike.
//
// Rest points that coincide (L = 0) give an infinite invRestLength and
// non-finite rows; such edges must not be added to a solver.
class EdgeStrainConstraint : public Constraint
{
public:
    // `indices`: i0, i1; `positions`: 3 x 2, column k the rest position of
    // indices[k]; `weight`: stiffness per unit of rest length.
    EdgeStrainConstraint(const std::vector<int>& indices, const Eigen::Matrix<double, 3, 2>& positions,
                         double weight);
    // Field-wise: every field as given, `weight` already the row scale.
    EdgeStrainConstraint(const std::vector<int>& indices, double weight, double invRestLength,
                         double breakLength);

    std::shared_ptr<Constraint> clone() const override;
    // A current edge of length zero has no direction: it projects onto its
    // current value (the zero vector), which pulls in no direction.
    void project(const PointRows& positions, PointRows& projections) const override;
    void addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                     int pointCount) override;
    void removeFromSystem(Eigen::SparseMatrix<double>& matrix, Eigen::SparseMatrix<double>& matrixT,
                          Eigen::SparseMatrix<double>& system) override;
    // True when the current length exceeds breakLength (twice the rest length).
    bool isBroken(const PointRows& positions) const override;

    double invRestLength;
    double breakLength;
};

}  // namespace Zarvo
