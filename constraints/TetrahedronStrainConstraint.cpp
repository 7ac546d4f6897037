#include "constraints/TetrahedronStrainConstraint.h"

#include <Eigen/LU>
#include <Eigen/SVD>

#include <cmath>

namespace Zarvo {

TetrahedronStrainConstraint::TetrahedronStrainConstraint(
    const std::vector<int>& indices, const Eigen::Matrix<double, 3, 4>& positions, double weight)
    : Constraint(indices, weight), rangeMin(1.0), rangeMax(1.0)
{
    Eigen::Matrix3d restEdges;
    for (int k = 0; k < 3; ++k)
        restEdges.col(k) = positions.col(k + 1) - positions.col(0);
    // Fixed-size 3 x 3 inverse: cofactors times 1 / det.
    restShape = restEdges.inverse();
    this->weight *= std::sqrt(restEdges.determinant() * (1.0 / 6.0));
}

TetrahedronStrainConstraint::TetrahedronStrainConstraint(const std::vector<int>& indices,
                                                         double weight,
                                                         const Eigen::Matrix3d& restShape,
                                                         double rangeMin, double rangeMax)
    : Constraint(indices, 1.0), restShape(restShape), rangeMin(rangeMin), rangeMax(rangeMax)
{
    this->weight = weight;
}

std::shared_ptr<Constraint> TetrahedronStrainConstraint::clone() const
{
    return std::make_shared<TetrahedronStrainConstraint>(indices, weight, restShape, rangeMin,
                                                         rangeMax);
}

void TetrahedronStrainConstraint::project(const PointRows& positions, PointRows& projections) const
{
    Eigen::Matrix3d edges;
    for (int k = 0; k < 3; ++k)
        edges.col(k) = (positions.row(indices[k + 1]) - positions.row(indices[0])).transpose();
    const Eigen::Matrix3d gradient = edges * restShape;

    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(gradient, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Vector3d sigma = svd.singularValues();
    for (int k = 0; k < 3; ++k)
        sigma[k] = std::max(rangeMin, std::min(sigma[k], rangeMax));
    // A reflection is turned into the nearest proper shape by flipping only
    // the smallest singular value.
    if (svd.matrixU().determinant() * svd.matrixV().determinant() < 0.0)
        sigma[2] = -sigma[2];
    const Eigen::Matrix3d target = svd.matrixU() * sigma.asDiagonal() * svd.matrixV().transpose();

    for (int j = 0; j < 3; ++j)
        projections.row(firstRow + j) = (weight * target.col(j)).transpose();
}

void TetrahedronStrainConstraint::addTriplets(std::vector<Eigen::Triplet<double>>& triplets,
                                              int& nextRow, int)
{
    firstRow = nextRow;
    const Eigen::Matrix3d& m = restShape;
    for (int j = 0; j < 3; ++j) {
        const int row = firstRow + j;
        triplets.emplace_back(row, indices[0], -(m(0, j) + m(1, j) + m(2, j)) * weight);
        triplets.emplace_back(row, indices[1], m(0, j) * weight);
        triplets.emplace_back(row, indices[2], m(1, j) * weight);
        triplets.emplace_back(row, indices[3], m(2, j) * weight);
    }
    nextRow += 3;
}

}  // namespace Zarvo
