#include "constraints/TriangleStrainConstraint.h"

#include "ConstraintTestSupport.h"

#include <gtest/gtest.h>

using namespace Zarvo;

namespace {
Eigen::Matrix3d unitRightTriangle()
{
    Eigen::Matrix3d rest;
    rest << 0, 1, 0, 0, 0, 1, 0, 0, 0;
    return rest;
}
}  // namespace

TEST(TriangleStrainConstraint, UnitRightTriangleGivesItsDocumentedRows)
{
    TriangleStrainConstraint triangle({5, 3, 4}, unitRightTriangle(), 2.0);
    EXPECT_EQ(triangle.restShape, Eigen::Matrix2d::Identity());
    EXPECT_NEAR(triangle.weight, 1.0, 1e-15);
    EXPECT_EQ(triangle.rangeMin, 1.0);
    EXPECT_EQ(triangle.rangeMax, 1.0);

    std::vector<Eigen::Triplet<double>> triplets;
    int nextRow = 2;
    triangle.addTriplets(triplets, nextRow, 6);
    EXPECT_EQ(nextRow, 4);
    const int rows[] = {2, 2, 2, 3, 3, 3};
    const int columns[] = {5, 3, 4, 5, 3, 4};
    const double values[] = {-1, 1, 0, -1, 0, 1};
    ASSERT_EQ(triplets.size(), 6u);
    for (int t = 0; t < 6; ++t) {
        EXPECT_EQ(triplets[t].row(), rows[t]);
        EXPECT_EQ(triplets[t].col(), columns[t]);
        EXPECT_NEAR(triplets[t].value(), values[t], 1e-15);
    }
}

TEST(TriangleStrainConstraint, UniformStretchProjectsOntoTheRestSizeInTheCurrentPlane)
{
    Eigen::Matrix3d rest;
    rest << 0, 1.5, 0.4, 0, 0.2, 1.1, 0, -0.3, 0.6;
    TriangleStrainConstraint triangle({0, 1, 2}, rest, 0.8);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(triangle, 3);

    const Eigen::Matrix3Xd current = Zarvo::Test::movedRigidly(2.0 * rest);
    const PointRows projection = Zarvo::Test::projectionAt(triangle, assembly.rowCount, current);
    const PointRows expected = 0.5 * Zarvo::Test::rowValueAt(assembly, current);
    EXPECT_LT((projection - expected).cwiseAbs().maxCoeff(), 1e-12 * triangle.weight);
}

TEST(TriangleStrainConstraint, ShearedTriangleProjectsOntoAnOrthonormalPairInItsPlane)
{
    TriangleStrainConstraint triangle({0, 1, 2}, unitRightTriangle(), 3.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(triangle, 3);
    Eigen::Matrix3Xd current(3, 3);
    current << 0.1, 2.0, 1.7, -0.2, 0.3, 0.9, 0.5, 1.0, -0.4;
    const Eigen::Vector3d normal =
        (current.col(1) - current.col(0)).cross(current.col(2) - current.col(0)).normalized();

    const PointRows projection = Zarvo::Test::projectionAt(triangle, assembly.rowCount, current);
    const Eigen::Matrix<double, 3, 2> axes = projection.transpose() / triangle.weight;
    EXPECT_LT((axes.transpose() * axes - Eigen::Matrix2d::Identity()).cwiseAbs().maxCoeff(), 1e-14);
    EXPECT_LT((normal.transpose() * axes).cwiseAbs().maxCoeff(), 1e-14);
    // A rotation, not a reflection: the pair keeps the triangle's orientation.
    EXPECT_GT(axes.col(0).cross(axes.col(1)).dot(normal), 0.0);
}

TEST(TriangleStrainConstraint, DegenerateCurrentTriangleProjectsOntoItsFiniteValue)
{
    TriangleStrainConstraint triangle({0, 1, 2}, unitRightTriangle(), 2.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(triangle, 3);
    Eigen::Matrix3Xd allCoincident = Eigen::Vector3d(1, 2, 3).replicate(1, 3);
    Eigen::Matrix3Xd firstTwoCoincident(3, 3);
    firstTwoCoincident << 1, 1, 0, 2, 2, 5, 3, 3, 0;
    Eigen::Matrix3Xd collinear(3, 3);
    collinear << 0, 1, 3, 0, 2, 6, 0, -1, -3;
    Eigen::Matrix3Xd lastTwoCoincident(3, 3);
    lastTwoCoincident << 0, 1, 1, 0, 2, 2, 0, 3, 3;

    for (const Eigen::Matrix3Xd& current : {allCoincident, firstTwoCoincident, lastTwoCoincident}) {
        const PointRows projection = Zarvo::Test::projectionAt(triangle, assembly.rowCount, current);
        EXPECT_TRUE(projection.allFinite());
    }
    // Rounding may leave collinear corners a sliver of a plane; either way
    // the rows stay finite and no longer than a rotation's.
    const PointRows projection = Zarvo::Test::projectionAt(triangle, assembly.rowCount, collinear);
    EXPECT_TRUE(projection.allFinite());
    EXPECT_LE(projection.rowwise().norm().maxCoeff(),
              Zarvo::Test::rowValueAt(assembly, collinear).rowwise().norm().maxCoeff() + triangle.weight);
}
