#include "constraints/EdgeStrainConstraint.h"

#include <cmath>

namespace Zarvo {

EdgeStrainConstraint::EdgeStrainConstraint(const std::vector<int>& indices,
                                           const Eigen::Matrix<double, 3, 2>& positions,
                                           double weight)
    : Constraint(indices, weight)
{
    const double restLength = (positions.col(1) - positions.col(0)).norm();
    invRestLength = 1.0 / restLength;
    breakLength = restLength + restLength;
    this->weight *= std::sqrt(restLength);
}

EdgeStrainConstraint::EdgeStrainConstraint(const std::vector<int>& indices, double weight,
                                           double invRestLength, double breakLength)
    : Constraint(indices, 1.0), invRestLength(invRestLength), breakLength(breakLength)
{
    this->weight = weight;
}

std::shared_ptr<Constraint> EdgeStrainConstraint::clone() const
{
    return std::make_shared<EdgeStrainConstraint>(indices, weight, invRestLength, breakLength);
}

void EdgeStrainConstraint::project(const PointRows& positions, PointRows& projections) const
{
    const Eigen::Vector3d edge = (positions.row(indices[1]) - positions.row(indices[0])).transpose();
    const double length = edge.norm();
    if (length > 0.0)
        projections.row(firstRow) = (weight * edge / length).transpose();
    else
        projections.row(firstRow) = (weight * invRestLength * edge).transpose();
}

void EdgeStrainConstraint::addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                                       int pointCount)
{
    firstRow = nextRow;
    const double c = weight * invRestLength;
    triplets.emplace_back(firstRow, indices[0], -c);
    triplets.emplace_back(firstRow, indices[1], c);
    nextRow += 1;

    // Row-major with one outer entry: storage stays two entries whatever the
    // point count. A repeated index holds the sum, as in the constraint matrix.
    selection.resize(1, pointCount);
    if (indices[0] == indices[1]) {
        selection.insert(0, indices[0]) = -c + c;
    } else {
        selection.insert(0, indices[0]) = -c;
        selection.insert(0, indices[1]) = c;
    }
    selection.makeCompressed();
}

void EdgeStrainConstraint::removeFromSystem(Eigen::SparseMatrix<double>& matrix,
                                            Eigen::SparseMatrix<double>& matrixT,
                                            Eigen::SparseMatrix<double>& system)
{
    for (const int i : {indices[0], indices[1]}) {
        matrix.coeffRef(firstRow, i) = 0.0;
        matrixT.coeffRef(i, firstRow) = 0.0;
    }
    const Eigen::SparseMatrix<double> selectionT = selection.transpose();
    system = system - Eigen::SparseMatrix<double>(selectionT * selection);
}

bool EdgeStrainConstraint::isBroken(const PointRows& positions) const
{
    return (positions.row(indices[1]) - positions.row(indices[0])).norm() > breakLength;
}

}  // namespace Zarvo
