#include "constraints/HandleConstraint.h"

#include "ConstraintTestSupport.h"

#include <gtest/gtest.h>

using namespace Zarvo;

TEST(HandleConstraint, OccupiesOneRowPerPointAndTheNextHandleFollows)
{
    Eigen::Matrix3Xd firstTargets(3, 3);
    firstTargets << 1, 2, 3, 4, 5, 6, 7, 8, 9;
    HandleConstraint first({4, 0, 2}, firstTargets);
    HandleConstraint second({1, 3}, Eigen::Matrix3Xd::Ones(3, 2));

    std::vector<Eigen::Triplet<double>> triplets;
    int nextRow = 0;
    first.addTriplets(triplets, nextRow, 5);
    second.addTriplets(triplets, nextRow, 5);

    EXPECT_EQ(nextRow, 5);
    EXPECT_EQ(first.firstRow, 0);
    EXPECT_EQ(second.firstRow, 3);
    const int expectedColumns[] = {4, 0, 2, 1, 3};
    ASSERT_EQ(triplets.size(), 5u);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(triplets[r].row(), r);
        EXPECT_EQ(triplets[r].col(), expectedColumns[r]);
        EXPECT_EQ(triplets[r].value(), 10.0);
    }
}

TEST(HandleConstraint, ProjectsOntoItsTargetsAndFollowsOverwrittenTargets)
{
    Eigen::Matrix3Xd targets(3, 2);
    targets << 1, -2, 0.5, 3, 4, -6;
    HandleConstraint handle({1, 0}, targets);
    const Zarvo::Test::Assembly assembly = Zarvo::Test::assemble(handle, 2);

    const Eigen::Matrix3Xd anywhere = Eigen::Matrix3Xd::Random(3, 2);
    EXPECT_EQ(Zarvo::Test::projectionAt(handle, 2, anywhere), PointRows(10.0 * targets.transpose()));

    // The scenes move handles in place with an affine map, without re-assembly.
    Eigen::Matrix3d squeeze = Eigen::Vector3d(0.8, 1.0, 1.0).asDiagonal();
    handle.targets = squeeze * handle.targets;
    const PointRows moved = Zarvo::Test::projectionAt(handle, assembly.rowCount, anywhere);
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(moved(j, 0), 10.0 * (0.8 * targets(0, j)));
        EXPECT_EQ(moved(j, 1), 10.0 * targets(1, j));
        EXPECT_EQ(moved(j, 2), 10.0 * targets(2, j));
    }
}

TEST(HandleConstraint, CloneIsEmpty)
{
    HandleConstraint handle({0}, Eigen::Matrix3Xd::Zero(3, 1));
    EXPECT_EQ(handle.clone(), nullptr);
}

TEST(HandleConstraint, TargetsWithAnotherColumnCountAreRefusedNamingBothSizes)
{
    try {
        HandleConstraint handle({0, 1, 2}, Eigen::Matrix3Xd::Zero(3, 2));
        FAIL() << "accepted 2 targets for 3 points";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "HandleConstraint: 3 indices but 2 target columns");
    }
}
