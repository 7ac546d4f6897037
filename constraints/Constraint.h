#pragma once

#include <Eigen/Core>
#include <Eigen/SparseCore>

#include <memory>
#include <vector>

namespace Zarvo {

// n x 3 point rows: row i holds x, y, z of simulated point i. Also the R x 3
// layout of the solver's projections, one row per constraint row.
using PointRows = Eigen::Matrix<double, Eigen::Dynamic, 3>;

// A rule on a few points, contributing a block of consecutive rows to the
// solver's constraint matrix (fixed after initialize) and, in every local step,
// the same rows of the projections (recomputed from the current positions).
// Rows and projections are both already multiplied by `weight`.
//
// project() is called concurrently on all constraints: it reads `positions`
// and the constraint's own fields and writes only its own projection rows.
class Constraint
{
public:
    // `indices`: the points acted on (order significant per class);
    // `weight`: user weight, stored as its square root (the row scale).
    Constraint(const std::vector<int>& indices, double weight);
    virtual ~Constraint();

    // A copy with equal indices, weight and class fields, without rows
    // (firstRow and selection are set again by addTriplets). Empty here.
    virtual std::shared_ptr<Constraint> clone() const;

    // Writes rows firstRow ... firstRow + rows - 1 of `projections` (R x 3)
    // from the rows `indices` of `positions` (n x 3).
    virtual void project(const PointRows& positions, PointRows& projections) const = 0;

    // Sets firstRow = nextRow, appends this constraint's weighted
    // (row, point, value) entries and advances nextRow by its row count.
    // `pointCount` is the number n of simulated points.
    virtual void addTriplets(std::vector<Eigen::Triplet<double>>& triplets, int& nextRow,
                             int pointCount) = 0;

    // Takes the constraint out of an assembled system: the solver's
    // constraint matrix (R x n), its transpose (n x R) and the system matrix
    // (n x n). Does nothing here.
    virtual void removeFromSystem(Eigen::SparseMatrix<double>& matrix,
                                  Eigen::SparseMatrix<double>& matrixT,
                                  Eigen::SparseMatrix<double>& system);

    // Whether the constraint counts as broken under `positions` (n x 3).
    virtual bool isBroken(const PointRows& positions) const;

    std::vector<int> indices;
    double weight;
    int firstRow = -1;  // -1 until addTriplets assigns the rows
    // Own weighted rows (1 x n), edges only. Row-major, so that its storage
    // does not grow with the point count.
    Eigen::SparseMatrix<double, Eigen::RowMajor> selection;
};

}  // namespace Zarvo
