#include "constraints/EdgeStrainConstraint.h"

#include "ConstraintTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Zarvo;

namespace {
Eigen::Matrix<double, 3, 2> restEdge()
{
    Eigen::Matrix<double, 3, 2> rest;
    rest << 0, 2, 0, 0, 0, 0;
    return rest;
}

Eigen::Matrix3Xd twoPoints(const Eigen::Vector3d& a, const Eigen::Vector3d& b)
{
    Eigen::Matrix3Xd points(3, 2);
    points << a, b;
    return points;
}
}  // namespace

TEST(EdgeStrainConstraint, RestEdgeOfLengthTwoGivesItsDocumentedRowsAndFields)
{
    EdgeStrainConstraint edge({1, 0}, restEdge(), 0.5);
    EXPECT_EQ(edge.invRestLength, 0.5);
    EXPECT_EQ(edge.breakLength, 4.0);
    EXPECT_NEAR(edge.weight, 1.0, 1e-15);

    std::vector<Eigen::Triplet<double>> triplets(3);  // rows already taken by others
    int nextRow = 7;
    edge.addTriplets(triplets, nextRow, 3);
    EXPECT_EQ(nextRow, 8);
    EXPECT_EQ(edge.firstRow, 7);
    ASSERT_EQ(triplets.size(), 5u);
    EXPECT_EQ(triplets[3].row(), 7);
    EXPECT_EQ(triplets[3].col(), 1);
    EXPECT_NEAR(triplets[3].value(), -0.5, 1e-15);
    EXPECT_EQ(triplets[4].row(), 7);
    EXPECT_EQ(triplets[4].col(), 0);
    EXPECT_NEAR(triplets[4].value(), 0.5, 1e-15);

    EXPECT_EQ(edge.selection.rows(), 1);
    EXPECT_EQ(edge.selection.cols(), 3);
    EXPECT_EQ(edge.selection.nonZeros(), 2);
    EXPECT_EQ(edge.selection.coeff(0, 1), triplets[3].value());
    EXPECT_EQ(edge.selection.coeff(0, 0), triplets[4].value());
    // Its storage must not grow with the point count.
    edge.addTriplets(triplets, nextRow, 1000000);
    EXPECT_EQ(edge.selection.outerSize(), 1);
    EXPECT_EQ(edge.selection.nonZeros(), 2);
}

TEST(EdgeStrainConstraint, ProjectsOntoTheCurrentDirectionAtAnyLength)
{
    EdgeStrainConstraint edge({0, 1}, restEdge(), 0.5);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(edge, 2);
    const Eigen::Vector3d origin(1, 2, 3);
    for (const double length : {1e-9, 0.3, 2.0, 57.0}) {
        const PointRows alongX = Zarvo::Test::projectionAt(
            edge, assembly.rowCount, twoPoints(origin, origin + Eigen::Vector3d(length, 0, 0)));
        EXPECT_NEAR(alongX(0, 0), edge.weight, 1e-15);
        EXPECT_EQ(alongX(0, 1), 0.0);
        EXPECT_EQ(alongX(0, 2), 0.0);
        const PointRows alongMinusY = Zarvo::Test::projectionAt(
            edge, assembly.rowCount, twoPoints(origin, origin - Eigen::Vector3d(0, length, 0)));
        EXPECT_EQ(alongMinusY(0, 0), 0.0);
        EXPECT_NEAR(alongMinusY(0, 1), -edge.weight, 1e-15);
    }
}

TEST(EdgeStrainConstraint, CollapsedEdgeProjectsOntoItsZeroValue)
{
    EdgeStrainConstraint edge({0, 1}, restEdge(), 0.5);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(edge, 2);
    const Eigen::Vector3d point(0.25, -4, 9);
    const PointRows projection = Zarvo::Test::projectionAt(edge, assembly.rowCount, twoPoints(point, point));
    EXPECT_TRUE(projection.allFinite());
    EXPECT_EQ(projection, PointRows::Zero(1, 3));
}

TEST(EdgeStrainConstraint, BreaksOnlyAboveTwiceTheRestLength)
{
    EdgeStrainConstraint edge({0, 1}, restEdge(), 0.5);
    const Eigen::Vector3d origin = Eigen::Vector3d::Zero();
    EXPECT_FALSE(edge.isBroken(Zarvo::Test::pointRows(twoPoints(origin, {4, 0, 0}))));
    EXPECT_TRUE(edge.isBroken(Zarvo::Test::pointRows(twoPoints(origin, {std::nextafter(4.0, 5.0), 0, 0}))));
    EXPECT_FALSE(edge.isBroken(Zarvo::Test::pointRows(twoPoints(origin, origin))));
}

TEST(EdgeStrainConstraint, RemoveFromSystemZeroesItsEntriesAndSubtractsItsBlock)
{
    // Two edges over three points; the first one is taken out again.
    Eigen::Matrix<double, 3, 2> rest2;
    rest2 << 0, 0, 0, 3, 0, 0;
    EdgeStrainConstraint removed({2, 0}, restEdge(), 0.5);
    EdgeStrainConstraint kept({0, 1}, rest2, 0.7);
    std::vector<Eigen::Triplet<double>> triplets;
    int rows = 0;
    kept.addTriplets(triplets, rows, 3);
    removed.addTriplets(triplets, rows, 3);

    Eigen::SparseMatrix<double> matrix(rows, 3);
    matrix.setFromTriplets(triplets.begin(), triplets.end());
    Eigen::SparseMatrix<double> matrixT = matrix.transpose();
    Eigen::SparseMatrix<double> system = Eigen::SparseMatrix<double>(matrixT * matrix);
    const Eigen::MatrixXd before = system;

    removed.removeFromSystem(matrix, matrixT, system);

    const double c2 = std::pow(removed.weight * removed.invRestLength, 2);
    Eigen::MatrixXd block = Eigen::MatrixXd::Zero(3, 3);
    block(2, 2) = block(0, 0) = c2;
    block(2, 0) = block(0, 2) = -c2;
    EXPECT_LT((Eigen::MatrixXd(system) - (before - block)).cwiseAbs().maxCoeff(), 1e-15);
    EXPECT_EQ(matrix.nonZeros(), 4);
    EXPECT_EQ(matrixT.nonZeros(), 4);
    EXPECT_EQ(matrix.coeff(1, 0), 0.0);
    EXPECT_EQ(matrix.coeff(1, 2), 0.0);
    EXPECT_EQ(matrixT.coeff(0, 1), 0.0);
    EXPECT_EQ(matrixT.coeff(2, 1), 0.0);
    EXPECT_NE(matrix.coeff(0, 1), 0.0);
    // What remains is exactly the kept edge's own normal-equation block.
    EXPECT_LT((Eigen::MatrixXd(system) - Eigen::MatrixXd(kept.selection.transpose() * kept.selection))
                  .cwiseAbs()
                  .maxCoeff(),
              1e-15);
}
