#pragma once

#include "constraints/Constraint.h"

#include <Eigen/Geometry>

#include <vector>

namespace Zarvo::Test {

// n x 3 point rows from 3 x n columns.
inline PointRows pointRows(const Eigen::Matrix3Xd& points)
{
    return points.transpose();
}

// A single constraint assembled on its own, as the solver would: rows from 0.
struct Assembly
{
    std::vector<Eigen::Triplet<double>> triplets;
    int rowCount = 0;
    Eigen::SparseMatrix<double> matrix;  // rowCount x n
};

inline Assembly assemble(Constraint& constraint, int pointCount)
{
    Assembly assembly;
    constraint.addTriplets(assembly.triplets, assembly.rowCount, pointCount);
    assembly.matrix.resize(assembly.rowCount, pointCount);
    assembly.matrix.setFromTriplets(assembly.triplets.begin(), assembly.triplets.end());
    return assembly;
}

// The projection rows of an assembled constraint (firstRow 0) at `points`.
inline PointRows projectionAt(const Constraint& constraint, int rowCount,
                              const Eigen::Matrix3Xd& points)
{
    PointRows projections = PointRows::Zero(rowCount, 3);
    constraint.project(pointRows(points), projections);
    return projections;
}

// What the constraint's rows compute from `points` (its current value).
inline PointRows rowValueAt(const Assembly& assembly, const Eigen::Matrix3Xd& points)
{
    return assembly.matrix * pointRows(points);
}

// A rigid motion that touches every coordinate.
inline Eigen::Matrix3Xd movedRigidly(const Eigen::Matrix3Xd& points)
{
    const Eigen::Matrix3d rotation =
        Eigen::AngleAxisd(1.1, Eigen::Vector3d(1.0, -2.0, 0.5).normalized()).toRotationMatrix();
    return (rotation * points).colwise() + Eigen::Vector3d(0.3, -7.0, 2.5);
}

}  // namespace Zarvo::Test
