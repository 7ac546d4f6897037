#include "constraints/BendingIsometricConstraint.h"

#include <cmath>

namespace Zarvo {

namespace {
// Curvature-vector lengths at or below this count as zero (a flat hinge), in
// both the rest norm and the current norm; the tests are strict.
constexpr double flatNorm = 1e-6;

double heronArea(double a, double b, double c)
{
    const double s = (a + b + c) * 0.5;
    return std::sqrt(s * (s - a) * (s - b) * (s - c));
}
}  // namespace

BendingIsometricConstraint::BendingIsometricConstraint(const std::vector<int>& indices,
                                                       const Eigen::Matrix3Xd& positions,
                                                       double weight)
    : Constraint(indices, weight)
{
    const auto p0 = positions.col(0);
    const auto p1 = positions.col(1);
    const auto p2 = positions.col(2);
    const auto p3 = positions.col(3);
    const double a = (p0 - p1).norm();
    const double b = (p0 - p2).norm();
    const double c = (p1 - p2).norm();
    const double g = (p0 - p3).norm();
    const double h = (p1 - p3).norm();

    const double area0 = heronArea(a, b, c);
    const double area1 = heronArea(a, g, h);
    this->weight *= std::sqrt(3.0 / (area0 + area1));

    // cot of an angle = (sum of squared adjacent sides - squared opposite) / (4 area).
    const double c00 = (a * a + b * b - c * c) / (4.0 * area0);
    const double c01 = (a * a + c * c - b * b) / (4.0 * area0);
    const double c10 = (a * a + g * g - h * h) / (4.0 * area1);
    const double c11 = (a * a + h * h - g * g) / (4.0 * area1);

    laplacianWeights = Eigen::VectorXd::Zero(4);
    laplacianWeights << c01 + c11, c00 + c10, -(c00 + c01), -(c10 + c11);
    restNorm = (positions.leftCols(4) * laplacianWeights).norm();
}

BendingIsometricConstraint::BendingIsometricConstraint(const std::vector<int>& indices,
                                                       double weight,
                                                       const Eigen::VectorXd& laplacianWeights,
                                                       double restNorm)
    : Constraint(indices, 1.0), laplacianWeights(laplacianWeights), restNorm(restNorm)
{
    this->weight = weight;
}

std::shared_ptr<Constraint> BendingIsometricConstraint::clone() const
{
    return std::make_shared<BendingIsometricConstraint>(indices, weight, laplacianWeights,
                                                        restNorm);
}

void BendingIsometricConstraint::project(const PointRows& positions, PointRows& projections) const
{
    Eigen::Vector3d v = Eigen::Vector3d::Zero();
    if (restNorm > flatNorm) {
        for (int k = 0; k < 4; ++k)
            v += laplacianWeights[k] * positions.row(indices[k]).transpose();
        const double length = v.norm();
        if (length > flatNorm)
            v *= restNorm / length;
    }
    projections.row(firstRow) = (weight * v).transpose();
}

void BendingIsometricConstraint::addTriplets(std::vector<Eigen::Triplet<double>>& triplets,
                                             int& nextRow, int)
{
    firstRow = nextRow;
    for (int k = 0; k < 4; ++k)
        triplets.emplace_back(firstRow, indices[k], laplacianWeights[k] * weight);
    nextRow += 1;
}

}  // namespace Zarvo
