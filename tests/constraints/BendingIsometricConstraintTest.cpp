#include "constraints/BendingIsometricConstraint.h"

#include "ConstraintTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Zarvo;

namespace {
Eigen::Matrix3Xd flatHinge()
{
    Eigen::Matrix3Xd rest(3, 4);
    rest << 0, 1, 0, 1, 0, 0, 1, -1, 0, 0, 0, 0;
    return rest;
}

Eigen::Matrix3Xd curvedHinge()
{
    Eigen::Matrix3Xd rest(3, 4);
    rest << 0, 1.0, 0.4, 0.6, 0, 0.1, 0.9, -0.8, 0, 0, 0.3, 0.5;
    return rest;
}
}  // namespace

TEST(BendingIsometricConstraint, FlatRightTriangleHingeHasItsDocumentedWeights)
{
    BendingIsometricConstraint hinge({0, 1, 2, 3}, flatHinge(), 0.25);
    ASSERT_EQ(hinge.laplacianWeights.size(), 4);
    const Eigen::Vector4d expected(1, 1, -1, -1);
    EXPECT_LT((hinge.laplacianWeights - expected).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_LT(hinge.restNorm, 1e-12);
    EXPECT_NEAR(hinge.weight, std::sqrt(0.25) * std::sqrt(3.0), 1e-12);

    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(hinge, 4);
    EXPECT_EQ(assembly.rowCount, 1);
    EXPECT_LT((Eigen::MatrixXd(assembly.matrix) - hinge.weight * expected.transpose())
                  .cwiseAbs()
                  .maxCoeff(),
              1e-12);
}

TEST(BendingIsometricConstraint, FlatRestHingeAlwaysProjectsToZeroEvenWhenFolded)
{
    BendingIsometricConstraint hinge({0, 1, 2, 3}, flatHinge(), 0.25);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(hinge, 4);
    Eigen::Matrix3Xd folded = flatHinge();
    folded(2, 3) = 0.7;
    EXPECT_EQ(Zarvo::Test::projectionAt(hinge, assembly.rowCount, folded), PointRows::Zero(1, 3));
    EXPECT_GT(Zarvo::Test::rowValueAt(assembly, folded).norm(), 0.1);
}

TEST(BendingIsometricConstraint, CurvedHingeKeepsItsCurrentDirectionAtItsRestLength)
{
    BendingIsometricConstraint hinge({0, 1, 2, 3}, curvedHinge(), 2.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(hinge, 4);
    Eigen::Matrix3Xd bent = curvedHinge();
    bent(2, 3) = 1.5;

    const PointRows value = Zarvo::Test::rowValueAt(assembly, bent);
    const PointRows projection = Zarvo::Test::projectionAt(hinge, assembly.rowCount, bent);
    EXPECT_NEAR(projection.norm(), hinge.weight * hinge.restNorm, 1e-12);
    EXPECT_NEAR(projection.normalized().cwiseProduct(value.normalized()).sum(), 1.0, 1e-14);
}

TEST(BendingIsometricConstraint, TranslationLeavesTheRowValueUnchanged)
{
    BendingIsometricConstraint hinge({0, 1, 2, 3}, curvedHinge(), 2.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(hinge, 4);
    const Eigen::Matrix3Xd shifted = curvedHinge().colwise() + Eigen::Vector3d(30, -12, 4);
    EXPECT_LT((Zarvo::Test::rowValueAt(assembly, shifted) - Zarvo::Test::rowValueAt(assembly, curvedHinge()))
                  .cwiseAbs()
                  .maxCoeff(),
              1e-12);
}

TEST(BendingIsometricConstraint, NormsOfExactlyOneMillionthCountAsZero)
{
    const Eigen::VectorXd weights = Eigen::Vector4d(1, -1, 0, 0);
    Eigen::Matrix3Xd points = Eigen::Matrix3Xd::Zero(3, 4);
    points(0, 0) = 1e-6;  // sum_k K_k x_k = (1e-6, 0, 0), of length exactly 1e-6

    BendingIsometricConstraint flatAtRest({0, 1, 2, 3}, 3.0, weights, 1e-6);
    Zarvo::Test::assemble(flatAtRest, 4);
    EXPECT_EQ(Zarvo::Test::projectionAt(flatAtRest, 1, points), PointRows::Zero(1, 3));

    BendingIsometricConstraint curved({0, 1, 2, 3}, 3.0, weights, 2.0);
    Zarvo::Test::assemble(curved, 4);
    const PointRows unscaled = Zarvo::Test::projectionAt(curved, 1, points);
    EXPECT_EQ(unscaled(0, 0), 3.0 * 1e-6);
    points(0, 0) = 1.5e-6;
    const PointRows rescaled = Zarvo::Test::projectionAt(curved, 1, points);
    EXPECT_NEAR(rescaled(0, 0), 6.0, 1e-14);
}
