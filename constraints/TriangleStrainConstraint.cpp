#include "constraints/TriangleStrainConstraint.h"

#include <Eigen/SVD>

#include <cmath>

namespace Zarvo {

TriangleStrainConstraint::TriangleStrainConstraint(const std::vector<int>& indices,
                                                   const Eigen::Matrix3d& positions, double weight)
    : Constraint(indices, weight), rangeMin(1.0), rangeMax(1.0)
{
    Frame axes;
    Eigen::Matrix2d edges;
    planarFrame(positions.col(0), positions.col(1), positions.col(2), axes, edges);
    const double det = edges(0, 0) * edges(1, 1) - edges(0, 1) * edges(1, 0);
    Eigen::Matrix2d adjugate;
    adjugate << edges(1, 1), -edges(0, 1), -edges(1, 0), edges(0, 0);
    restShape = (1.0 / det) * adjugate;
    this->weight *= std::sqrt(0.5 * det);
}

TriangleStrainConstraint::TriangleStrainConstraint(const std::vector<int>& indices, double weight,
                                                   const Eigen::Matrix2d& restShape,
                                                   double rangeMin, double rangeMax)
    : Constraint(indices, 1.0), restShape(restShape), rangeMin(rangeMin), rangeMax(rangeMax)
{
    this->weight = weight;
}

std::shared_ptr<Constraint> TriangleStrainConstraint::clone() const
{
    return std::make_shared<TriangleStrainConstraint>(indices, weight, restShape, rangeMin,
                                                      rangeMax);
}

bool TriangleStrainConstraint::planarFrame(const Eigen::Vector3d& p0, const Eigen::Vector3d& p1,
                                           const Eigen::Vector3d& p2, Frame& axes,
                                           Eigen::Matrix2d& edges)
{
    Frame e;
    e.col(0) = p1 - p0;
    e.col(1) = p2 - p0;
    const double length1 = e.col(0).norm();
    axes.col(0) = e.col(0) / length1;
    const Eigen::Vector3d across = e.col(1) - e.col(1).dot(axes.col(0)) * axes.col(0);
    const double length2 = across.norm();
    axes.col(1) = across / length2;
    edges = axes.transpose() * e;
    return length1 > 0.0 && length2 > 0.0 && edges.allFinite();
}

void TriangleStrainConstraint::project(const PointRows& positions, PointRows& projections) const
{
    const Eigen::Vector3d x0 = positions.row(indices[0]).transpose();
    const Eigen::Vector3d x1 = positions.row(indices[1]).transpose();
    const Eigen::Vector3d x2 = positions.row(indices[2]).transpose();

    Frame axes;
    Eigen::Matrix2d edges;
    Frame target;
    if (planarFrame(x0, x1, x2, axes, edges)) {
        const Eigen::Matrix2d gradient = edges * restShape;
        const Eigen::JacobiSVD<Eigen::Matrix2d> svd(gradient, Eigen::ComputeFullU | Eigen::ComputeFullV);
        Eigen::Vector2d sigma = svd.singularValues();
        for (int k = 0; k < 2; ++k)
            sigma[k] = std::max(rangeMin, std::min(sigma[k], rangeMax));
        const Eigen::Matrix2d clamped = svd.matrixU() * sigma.asDiagonal() * svd.matrixV().transpose();
        target = weight * axes * clamped;
    } else {
        Frame e;
        e.col(0) = x1 - x0;
        e.col(1) = x2 - x0;
        target = weight * e * restShape;
    }
    projections.row(firstRow) = target.col(0).transpose();
    projections.row(firstRow + 1) = target.col(1).transpose();
}

void TriangleStrainConstraint::addTriplets(std::vector<Eigen::Triplet<double>>& triplets,
                                           int& nextRow, int)
{
    firstRow = nextRow;
    const Eigen::Matrix2d& m = restShape;
    for (int j = 0; j < 2; ++j) {
        const int row = firstRow + j;
        triplets.emplace_back(row, indices[0], -(m(0, j) + m(1, j)) * weight);
        triplets.emplace_back(row, indices[1], m(0, j) * weight);
        triplets.emplace_back(row, indices[2], m(1, j) * weight);
    }
    nextRow += 2;
}

}  // namespace Zarvo
