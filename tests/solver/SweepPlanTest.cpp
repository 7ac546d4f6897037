// The sweep's plan alone: made from real factors for 1 to 6 lanes, then run
// in a simulation that advances a lane only where its waits are met.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "SolverTestSupport.h"
#include "solver/SweepPlan.h"
#include "surface_mesh/IO.h"
#include "surface_mesh/Surface_mesh.h"

namespace Zarvo {
namespace {

struct Factor
{
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
    FactorShape shape;
};

void shapeOf(const std::shared_ptr<Solver>& solver, Factor& factor)
{
    factor.ldlt.compute(solver->systemMatrix);
    const auto& lower = factor.ldlt.matrixL().nestedExpression();
    FactorShape& shape = factor.shape;
    shape.size = static_cast<int>(lower.cols());
    shape.columnStart = lower.outerIndexPtr();
    shape.rowIndex = lower.innerIndexPtr();
    shape.parent.resize(shape.size);
    shape.cost.resize(shape.size);
    for (int k = 0; k < shape.size; ++k) {
        const int begin = shape.columnStart[k];
        shape.parent[k] = begin < shape.columnStart[k + 1] ? shape.rowIndex[begin] : -1;
        shape.cost[k] = 1.0 + (shape.columnStart[k + 1] - begin);
    }
}

// Which lane solves each row in one direction, and at which position.
struct Placement
{
    std::vector<int> lane, position;
};

Placement place(const SweepPlan& plan, bool forward, int n)
{
    Placement placement{std::vector<int>(n, -1), std::vector<int>(n, -1)};
    for (std::size_t t = 0; t < plan.lanes.size(); ++t) {
        const auto& rows = (forward ? plan.lanes[t].forward : plan.lanes[t].backward).rows;
        for (std::size_t s = 0; s < rows.size(); ++s) {
            EXPECT_EQ(placement.lane[rows[s]], -1) << "row " << rows[s] << " planned twice";
            placement.lane[rows[s]] = static_cast<int>(t);
            placement.position[rows[s]] = static_cast<int>(s);
        }
    }
    for (int k = 0; k < n; ++k)
        EXPECT_NE(placement.lane[k], -1) << "row " << k << " never planned";
    return placement;
}

// The rows each row reads: forward, the columns of its row of L (a separator
// reads them entry by entry, other rows are final once the columns that
// reach them below their separators ran); backward, the rows of its column.
std::vector<std::vector<std::pair<int, int>>> reads(const SweepPlan& plan,
                                                    const FactorShape& shape, bool forward)
{
    std::vector<std::vector<std::pair<int, int>>> result(shape.size);  // (row read, entry or -1)
    for (int k = 0; k < shape.size; ++k) {
        if (!forward) {
            for (int q = shape.columnStart[k]; q < shape.columnStart[k + 1]; ++q)
                result[k].push_back({shape.rowIndex[q], -1});
            continue;
        }
        for (int e = plan.rowStart[k]; e < plan.rowStart[k + 1]; ++e)
            result[k].push_back({plan.rowColumn[e], e});
        for (int q = shape.columnStart[k]; q < plan.columnOwnEnd[k]; ++q)
            result[shape.rowIndex[q]].push_back({k, -1});
    }
    return result;
}

// Runs one direction's orders as lanes would, advancing any lane whose next
// row's waits are met, and checks before each row that everything it reads
// is solved. Fails on a read of an unsolved row and on a deadlock.
void simulate(const SweepPlan& plan, const FactorShape& shape, bool forward)
{
    const int n = shape.size;
    const int lanes = static_cast<int>(plan.lanes.size());
    const Placement placement = place(plan, forward, n);
    std::vector<char> solved(n, 0);
    std::vector<int> done(lanes, 0);
    const auto readsOf = reads(plan, shape, forward);
    auto order = [&](int t) -> const SweepPlan::Order& {
        return forward ? plan.lanes[t].forward : plan.lanes[t].backward;
    };
    // Whether lane t's waits before its row at position s (and, with entry
    // >= 0, before that entry) are met.
    auto waitsMet = [&](int t, int s, int entry) {
        for (const SweepPlan::Sync& sync : order(t).syncs)
            if (sync.position == s && (entry < 0 ? sync.entry < 0 : sync.entry == entry) &&
                done[sync.lane] < sync.rows)
                return false;
        return true;
    };
    int finished = 0;
    while (finished < lanes) {
        bool advanced = false;
        finished = 0;
        for (int t = 0; t < lanes; ++t) {
            const auto& rows = order(t).rows;
            const int s = done[t];
            if (s == static_cast<int>(rows.size())) {
                ++finished;
                continue;
            }
            const bool pair = s >= order(t).pairBegin && s < order(t).pairEnd;
            const int width = pair ? 2 : 1;
            bool ready = waitsMet(t, s, -1) && (!pair || waitsMet(t, s + 1, -1));
            for (int w = 0; w < width && ready; ++w)
                for (const auto& [row, entry] : readsOf[rows[s + w]])
                    ready = ready && (entry < 0 || waitsMet(t, s + w, entry));
            if (!ready)
                continue;
            for (int w = 0; w < width; ++w)
                for (const auto& [row, entry] : readsOf[rows[s + w]])
                    ASSERT_TRUE(solved[row]) << "row " << rows[s + w] << " of lane " << t
                                             << " reads row " << row << " of lane "
                                             << placement.lane[row] << " without a wait";
            for (int w = 0; w < width; ++w)
                solved[rows[s + w]] = 1;
            done[t] += width;
            advanced = true;
        }
        ASSERT_TRUE(advanced || finished == lanes) << "the lanes wait for each other for ever";
    }
}

// A forward sweep's lane overwrites its rows at its start: every row the
// backward sweep before it touches there on another lane is among the rows
// that lane must have finished.
void expectBackwardDoneBeforeForward(const SweepPlan& plan, const FactorShape& shape)
{
    const Placement forward = place(plan, true, shape.size);
    for (std::size_t other = 0; other < plan.lanes.size(); ++other) {
        const auto& rows = plan.lanes[other].backward.rows;
        for (std::size_t s = 0; s < rows.size(); ++s) {
            std::vector<int> touched{rows[s]};
            for (int q = shape.columnStart[rows[s]]; q < shape.columnStart[rows[s] + 1]; ++q)
                touched.push_back(shape.rowIndex[q]);
            for (const int k : touched) {
                const int lane = forward.lane[k];
                if (lane == static_cast<int>(other))
                    continue;
                EXPECT_GT(plan.lanes[lane].backwardBeforeForward[other], static_cast<int>(s))
                    << "lane " << lane << " overwrites row " << k << " that lane " << other
                    << " still uses";
            }
        }
    }
}

TEST(SweepPlan, EveryRowOnceAndEveryReadOfAnotherLaneAfterAWait)
{
    std::vector<std::unique_ptr<Factor>> factors;
    surface_mesh::Surface_mesh grid, shell;
    testing::makeGrid(grid, 30, 0.25);
    ASSERT_TRUE(surface_mesh::read_mesh(shell, ZARVO_RESOURCE_DIR "/cylinder.obj"));
    for (surface_mesh::Surface_mesh* mesh : {&grid, &shell}) {
        factors.push_back(std::make_unique<Factor>());
        shapeOf(testing::makeClothSolver(*mesh), *factors.back());
    }
    for (const auto& factor : factors)
        for (int lanes = 1; lanes <= 6; ++lanes) {
            SCOPED_TRACE(std::to_string(factor->shape.size) + " rows, " + std::to_string(lanes) +
                         " lanes");
            const SweepPlan plan = makeSweepPlan(factor->shape, lanes);
            ASSERT_EQ(plan.lanes.size(), static_cast<std::size_t>(lanes));
            simulate(plan, factor->shape, true);
            simulate(plan, factor->shape, false);
            expectBackwardDoneBeforeForward(plan, factor->shape);
        }
}

}  // namespace
}  // namespace Zarvo
