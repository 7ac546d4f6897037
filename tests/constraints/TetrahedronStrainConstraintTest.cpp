#include "constraints/TetrahedronStrainConstraint.h"

#include "ConstraintTestSupport.h"

#include <Eigen/LU>
#include <gtest/gtest.h>

using namespace Zarvo;

namespace {
Eigen::Matrix<double, 3, 4> unitCornerTetrahedron()
{
    Eigen::Matrix<double, 3, 4> rest;
    rest << 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1;
    return rest;
}

Eigen::Matrix3d gradientOf(const PointRows& projection, double weight)
{
    return projection.transpose() / weight;
}
}  // namespace

TEST(TetrahedronStrainConstraint, UnitCornerTetrahedronGivesItsDocumentedRows)
{
    TetrahedronStrainConstraint tetrahedron({3, 2, 1, 0}, unitCornerTetrahedron(), 6.0);
    EXPECT_EQ(tetrahedron.restShape, Eigen::Matrix3d::Identity());
    EXPECT_NEAR(tetrahedron.weight, 1.0, 1e-15);

    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(tetrahedron, 4);
    EXPECT_EQ(assembly.rowCount, 3);
    ASSERT_EQ(assembly.triplets.size(), 12u);
    Eigen::Matrix<double, 3, 4> expected;
    expected << 0, 0, 1, -1, 0, 1, 0, -1, 1, 0, 0, -1;
    EXPECT_LT((Eigen::MatrixXd(assembly.matrix) - expected).cwiseAbs().maxCoeff(), 1e-15);
}

TEST(TetrahedronStrainConstraint, InvertedTetrahedronProjectsOntoAProperRotation)
{
    TetrahedronStrainConstraint tetrahedron({0, 1, 2, 3}, unitCornerTetrahedron(), 6.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(tetrahedron, 4);
    Eigen::Matrix3Xd inverted = unitCornerTetrahedron();
    inverted(2, 3) = -1.0;

    const Eigen::Matrix3d target =
        gradientOf(Zarvo::Test::projectionAt(tetrahedron, assembly.rowCount, inverted), tetrahedron.weight);
    EXPECT_LT((target.transpose() * target - Eigen::Matrix3d::Identity()).cwiseAbs().maxCoeff(), 1e-14);
    EXPECT_NEAR(target.determinant(), 1.0, 1e-14);
    const Eigen::Matrix3d reflection = Eigen::Vector3d(1, 1, -1).asDiagonal();
    EXPECT_GT((target - reflection).norm(), 1.0);
}

TEST(TetrahedronStrainConstraint, UniformScaleByThreeProjectsOntoTheRestShape)
{
    Eigen::Matrix<double, 3, 4> rest;
    rest << 0, 1.2, 0.3, 0.1, 0, 0.1, 0.9, -0.2, 0, 0.2, 0.1, 1.4;
    TetrahedronStrainConstraint tetrahedron({0, 1, 2, 3}, rest, 2.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(tetrahedron, 4);

    const Eigen::Matrix3Xd current = Zarvo::Test::movedRigidly(3.0 * rest);
    const PointRows projection = Zarvo::Test::projectionAt(tetrahedron, assembly.rowCount, current);
    const PointRows expected = Zarvo::Test::rowValueAt(assembly, current) / 3.0;
    EXPECT_LT((projection - expected).cwiseAbs().maxCoeff(), 1e-12 * tetrahedron.weight);
}

TEST(TetrahedronStrainConstraint, FlatOrCollapsedCurrentTetrahedronProjectsFinitely)
{
    TetrahedronStrainConstraint tetrahedron({0, 1, 2, 3}, unitCornerTetrahedron(), 6.0);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(tetrahedron, 4);
    Eigen::Matrix3Xd flat = unitCornerTetrahedron();
    flat(2, 3) = 0.0;
    const Eigen::Matrix3Xd collapsed = Eigen::Vector3d(4, 5, 6).replicate(1, 4);
    for (const Eigen::Matrix3Xd& current : {flat, collapsed}) {
        const Eigen::Matrix3d target = gradientOf(
            Zarvo::Test::projectionAt(tetrahedron, assembly.rowCount, current), tetrahedron.weight);
        EXPECT_TRUE(target.allFinite());
        EXPECT_NEAR(target.determinant(), 1.0, 1e-14);
    }
}
