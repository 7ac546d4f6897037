#pragma once

#include "constraints/Constraint.h"

namespace Zarvo {

// Keeps a triangle close to its rest shape up to rotation. Two rows: the
// columns of the deformation gradient F = [x1 - x0, x2 - x0] * restShape
// (3 x 2). The projection clamps the singular values of F, measured in the
// current triangle's own plane, to [rangeMin, rangeMax].
//
// A rest triangle with coincident or collinear corners has no plane: its
// restShape and weight come out NaN or infinite, and it must not be added to
// a solver.
class TriangleStrainConstraint : public Constraint
{
public:
    // `indices`: i0, i1, i2; `positions`: 3 x 3, column k the rest position of
    // indices[k]; `weight`: stiffness per unit of rest area.
    TriangleStrainConstraint(const std::vector<int>& indices, const Eigen::Matrix3d& positions,
                             double weight);
    // Field-wise: every field as given, `weight` already the row scale.
    TriangleStrainConstraint(const std::vector<int>& indices, double weight,
                             const Eigen::Matrix2d& restShape, double rangeMin, double rangeMax);

    std::shared_ptr<Constraint> clone() const override;
    // A current triangle with coincident or collinear corners has no plane to
    // project in: it projects onto its current value, which adds no pull.
    void project(const PointRows& positions, PointRows& projections) const override;
    void addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                     int pointCount) override;

    Eigen::Matrix2d restShape;  // inverse rest edge matrix in the rest plane's frame
    double rangeMin;
    double rangeMax;

private:
    using Frame = Eigen::Matrix<double, 3, 2>;
    // Orthonormal in-plane frame `axes` of the triangle p0, p1, p2 and its
    // edges in that frame (`edges` = axesᵀ [p1 - p0, p2 - p0], upper
    // triangular). Returns false when the corners span no plane, in which
    // case the outputs are not finite.
    static bool planarFrame(const Eigen::Vector3d& p0, const Eigen::Vector3d& p1,
                            const Eigen::Vector3d& p2, Frame& axes, Eigen::Matrix2d& edges);
};

}  // namespace Zarvo
