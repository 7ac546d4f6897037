#include "constraints/ConstraintFactories.h"

#include <Eigen/LU>

#include <cmath>
#include <utility>

#include "constraints/BendingIsometricConstraint.h"
#include "constraints/EdgeStrainConstraint.h"
#include "constraints/TetrahedronStrainConstraint.h"
#include "constraints/TriangleStrainConstraint.h"
#include "solver/Solver.h"

namespace Zarvo {

namespace {

// Whether every row entry (`restFactors` times the row scale) is finite.
template <typename Derived>
bool rowsFinite(double weight, const Eigen::MatrixBase<Derived>& restFactors)
{
    return std::isfinite(weight) && (restFactors * weight).allFinite();
}

void addIf(bool finite, const std::shared_ptr<Solver>& solver, std::shared_ptr<Constraint> constraint)
{
    if (finite)
        solver->addConstraint(std::move(constraint));
}

void addEdge(const std::shared_ptr<Solver>& solver, double weight, const std::vector<int>& indices,
             const Eigen::Matrix3Xd& positions)
{
    auto edge = std::make_shared<EdgeStrainConstraint>(indices, positions.leftCols<2>(), weight);
    const bool finite = rowsFinite(edge->weight, Eigen::Matrix<double, 1, 1>(edge->invRestLength));
    addIf(finite, solver, std::move(edge));
}

void addTriangle(const std::shared_ptr<Solver>& solver, double weight,
                 const std::vector<int>& indices, const Eigen::Matrix3Xd& positions)
{
    auto triangle = std::make_shared<TriangleStrainConstraint>(indices, positions.leftCols<3>(), weight);
    const bool finite = rowsFinite(triangle->weight, triangle->restShape);
    addIf(finite, solver, std::move(triangle));
}

void addTetrahedron(const std::shared_ptr<Solver>& solver, double weight,
                    std::vector<int> indices, Eigen::Matrix<double, 3, 4> corners)
{
    Eigen::Matrix3d restEdges;
    for (int k = 0; k < 3; ++k)
        restEdges.col(k) = corners.col(k + 1) - corners.col(0);
    // Swapping two corners flips the orientation, so the rest volume (the
    // square root in the weight) is positive.
    if (restEdges.determinant() < 0) {
        std::swap(indices[1], indices[2]);
        corners.col(1).swap(corners.col(2));
    }
    auto tetrahedron = std::make_shared<TetrahedronStrainConstraint>(indices, corners, weight);
    const bool finite = rowsFinite(tetrahedron->weight, tetrahedron->restShape);
    addIf(finite, solver, std::move(tetrahedron));
}

}  // namespace

void addStrainConstraint(const std::shared_ptr<Solver>& solver, double weight,
                         const std::vector<int>& indices, const Eigen::Matrix3Xd& positions)
{
    const auto count = indices.size();
    if (static_cast<Eigen::Index>(count) != positions.cols())
        return;
    if (count == 2)
        addEdge(solver, weight, indices, positions);
    else if (count == 3)
        addTriangle(solver, weight, indices, positions);
    else if (count == 4)
        addTetrahedron(solver, weight, indices, positions.leftCols<4>());
}

void addBendingConstraint(const std::shared_ptr<Solver>& solver, double weight,
                          const std::vector<int>& indices, const Eigen::Matrix3Xd& positions)
{
    auto hinge = std::make_shared<BendingIsometricConstraint>(indices, positions, weight);
    const bool finite = rowsFinite(hinge->weight, hinge->laplacianWeights) &&
                        std::isfinite(hinge->restNorm);
    addIf(finite, solver, std::move(hinge));
}

}  // namespace Zarvo
