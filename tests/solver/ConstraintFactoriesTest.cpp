#include <gtest/gtest.h>

#include <functional>

#include "SolverTestSupport.h"
#include "constraints/ConstraintFactories.h"
#include "constraints/EdgeStrainConstraint.h"
#include "constraints/TetrahedronStrainConstraint.h"
#include "constraints/TriangleStrainConstraint.h"
#include "solver/MeshAdapters.h"

namespace Zarvo {
namespace {

std::shared_ptr<Solver> makeEmptySolver(Eigen::Matrix3Xd& storage)
{
    Eigen::SparseMatrix<double> masses(storage.cols(), storage.cols());
    masses.setIdentity();
    return std::make_shared<Solver>(Eigen::Map<Eigen::Matrix3Xd>(storage.data(), 3, storage.cols()),
                                    masses);
}

Eigen::Matrix3Xd corners(int k)
{
    Eigen::Matrix3Xd p = Eigen::Matrix3Xd::Zero(3, k);
    for (int j = 1; j < k; ++j)
        p(j - 1, j) = 1.0;
    return p;
}

TEST(ConstraintFactories, StrainClassFollowsElementSize)
{
    Eigen::Matrix3Xd storage = Eigen::Matrix3Xd::Zero(3, 6);
    auto solver = makeEmptySolver(storage);
    addStrainConstraint(solver, 1.0, {0, 1}, corners(2));
    addStrainConstraint(solver, 1.0, {0, 1, 2}, corners(3));
    addStrainConstraint(solver, 1.0, {0, 1, 2, 3}, corners(4));
    addStrainConstraint(solver, 1.0, {0, 1}, corners(3));
    addStrainConstraint(solver, 1.0, {0, 1, 2, 3, 4}, Eigen::Matrix3Xd::Random(3, 5));
    ASSERT_EQ(solver->constraintCount(), 3);
    EXPECT_NE(dynamic_cast<EdgeStrainConstraint*>(solver->constraints[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<TriangleStrainConstraint*>(solver->constraints[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<TetrahedronStrainConstraint*>(solver->constraints[2].get()), nullptr);
}

TEST(ConstraintFactories, BoundWeightArrivesAsTheSinglePrecisionValue)
{
    using namespace std::placeholders;
    Eigen::Matrix3Xd storage = Eigen::Matrix3Xd::Zero(3, 2);
    auto solver = makeEmptySolver(storage);
    const float weight = 0.005f;
    ElementCallback strain = std::bind(&addStrainConstraint, solver, weight, _1, _2);
    strain({0, 1}, corners(2));
    ASSERT_EQ(solver->constraintCount(), 1);
    EdgeStrainConstraint reference({0, 1}, corners(2), 0.004999999888241291);
    EXPECT_EQ(solver->constraints[0]->weight, reference.weight);
}

TEST(ConstraintFactories, DegenerateRestElementsAreSkipped)
{
    Eigen::Matrix3Xd storage = Eigen::Matrix3Xd::Zero(3, 4);
    auto solver = makeEmptySolver(storage);
    addStrainConstraint(solver, 1.0, {0, 1}, Eigen::Matrix3Xd::Zero(3, 2));
    Eigen::Matrix3Xd collinear = Eigen::Matrix3Xd::Zero(3, 3);
    collinear(0, 1) = 1.0;
    collinear(0, 2) = 2.0;
    addStrainConstraint(solver, 1.0, {0, 1, 2}, collinear);
    Eigen::Matrix3Xd flat = corners(4);
    flat.col(3) = Eigen::Vector3d(1, 1, 0);
    addStrainConstraint(solver, 1.0, {0, 1, 2, 3}, flat);
    Eigen::Matrix3Xd hinge = corners(4);
    hinge.col(2) = Eigen::Vector3d(2, 0, 0);  // first triangle collinear
    addBendingConstraint(solver, 1.0, {0, 1, 2, 3}, hinge);
    EXPECT_EQ(solver->constraintCount(), 0);
}

TEST(ConstraintFactories, NegativelyOrientedTetrahedronIsAddedReordered)
{
    Eigen::Matrix3Xd storage = Eigen::Matrix3Xd::Zero(3, 4);
    auto solver = makeEmptySolver(storage);
    Eigen::Matrix3Xd inverted = corners(4);
    inverted.col(1).swap(inverted.col(2));
    addStrainConstraint(solver, 1.0, {0, 1, 2, 3}, inverted);
    ASSERT_EQ(solver->constraintCount(), 1);
    EXPECT_EQ(solver->constraints[0]->indices, (std::vector<int>{0, 2, 1, 3}));
    solver->initialize();
    EXPECT_TRUE(Eigen::MatrixXd(solver->constraintMatrix).allFinite());
}

TEST(ConstraintFactories, EveryEdgeOfAMeshBecomesOneConstraint)
{
    using namespace std::placeholders;
    surface_mesh::Surface_mesh mesh;
    testing::makeGrid(mesh, 4, 1.0);
    Eigen::SparseMatrix<double> masses;
    buildMassMatrix(mesh, masses);
    auto solver = std::make_shared<Solver>(pointsView(mesh), masses);
    forEachEdge(mesh, std::bind(&addStrainConstraint, solver, 0.005f, _1, _2));
    EXPECT_EQ(solver->constraintCount(), static_cast<int>(mesh.edge_count()));
    solver->initialize();
    EXPECT_EQ(solver->constraintMatrix.rows(), static_cast<int>(mesh.edge_count()));
}

}  // namespace
}  // namespace Zarvo
