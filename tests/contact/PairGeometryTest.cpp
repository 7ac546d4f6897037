// When a moving vertex meets a moving triangle and a moving edge another,
// against the fractions of the way that closed forms give.
#include <gtest/gtest.h>

#include "contact/PairGeometry.h"

namespace {

using Eigen::Vector3d;
using Zarvo::firstMeeting;
using Zarvo::PairKind;
using Zarvo::PairPoints;

// The pair moved by `motion` from `from`, point by point.
PairPoints moved(const PairPoints& from, const PairPoints& motion)
{
    PairPoints to;
    for (int k = 0; k < 4; ++k)
        to[k] = from[k] + motion[k];
    return to;
}

TEST(PairGeometry, AVertexMeetsATriangleWhereItCrossesItAndNeverBesideIt)
{
    const Vector3d a(0, 0, 0), b(1, 0, 0), c(0, 0, 1), still = Vector3d::Zero();
    // Falling from 0.3 to -0.7 through the rising triangle (0 to 0.2): they
    // meet where 0.3 - t = 0.2 t, at t = 0.25.
    const PairPoints from{Vector3d(0.2, 0.3, 0.2), a, b, c};
    const Vector3d rise(0, 0.2, 0);
    const auto meeting = firstMeeting(PairKind::VertexTriangle, from,
                                      moved(from, {Vector3d(0, -1, 0), rise, rise, rise}), 1e-9);
    ASSERT_TRUE(meeting.has_value());
    EXPECT_NEAR(*meeting, 0.25, 1e-12);
    // The same fall beside the triangle, and a fall that stops short of it.
    const PairPoints beside{Vector3d(0.8, 0.3, 0.8), a, b, c};
    EXPECT_FALSE(firstMeeting(PairKind::VertexTriangle, beside,
                              moved(beside, {Vector3d(0, -1, 0), still, still, still}), 1e-9));
    EXPECT_FALSE(firstMeeting(PairKind::VertexTriangle, from,
                              moved(from, {Vector3d(0, -0.29, 0), still, still, still}), 1e-9));
}

TEST(PairGeometry, TwoEdgesMeetWhereOnePassesThroughTheOther)
{
    // An edge along x at height 1 falls at 2 per step onto an edge along z
    // at height 0: they meet at t = 0.5, and not when it passes beyond the
    // other's end.
    const PairPoints from{Vector3d(-1, 1, 0), Vector3d(1, 1, 0), Vector3d(0, 0, -1), Vector3d(0, 0, 1)};
    const Vector3d fall(0, -2, 0), still = Vector3d::Zero();
    const auto meeting =
        firstMeeting(PairKind::EdgeEdge, from, moved(from, {fall, fall, still, still}), 1e-9);
    ASSERT_TRUE(meeting.has_value());
    EXPECT_NEAR(*meeting, 0.5, 1e-12);
    const PairPoints past{Vector3d(-1, 1, 2), Vector3d(1, 1, 2), Vector3d(0, 0, -1), Vector3d(0, 0, 1)};
    EXPECT_FALSE(firstMeeting(PairKind::EdgeEdge, past, moved(past, {fall, fall, still, still}), 1e-9));
}

}  // namespace
