#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include "solver/SweepKernels.h"
#include "solver/SweepPlan.h"
#include "solver/UsableCores.h"

namespace Zarvo {

// Solves with the factor of a SimplicialLDLT for the three coordinate columns
// at once, on several threads, bit for bit as the factorization's own solve
// does one column at a time.
//
// The library's solve is: permute, forward substitution with the unit lower
// factor L (column by column, skipping a column whose unknown is zero),
// multiplication by the reciprocals of D, backward substitution with Lᵀ (a
// dot product per unknown, in ascending order of L's column) and the inverse
// permutation. Every value here is the result of the same operations in the
// same order, whatever the number of threads.
//
// Lanes own whole subtrees of the elimination tree (SweepPlan.h); threads
// beyond the lanes take no part, so that more threads than cores never
// spin on a core that a lane needs. In the forward sweep a subtree runs
// column by column as the library does, but stops each column at the first
// separator row; a separator runs row by row over a copy of its row of L,
// which gives its unknown the same subtractions in the same ascending
// order, as column i changes the unknowns below it only once x_i is final.
// The backward sweep is the library's.
//
// Lanes wait for each other through progress counters that only ever grow:
// each sweep counts on from the last, so a lane never reads a counter that
// another has reset, and a forward sweep waits, before it overwrites its
// rows, until the backward sweep before it no longer needs them. A barrier
// between forward and backward is all a caller needs.
//
// The backward sweep is a chain of dependent subtractions per row, so each
// lane splits its subtrees into two halves and solves a row of each at a
// time; the rows where its share had to be cut into halves are solved alone
// first. x, y and z of a row lie together, so the factor is read once per
// sweep for all three. The factor's values are not copied: the sweep reads
// them where the factorization keeps them, with one list of row indices per
// supernode.
class FactorSweep
{
public:
    using Factorization = Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>;

    // Which loops run: the widest vectors the processor has, or the
    // baseline instruction set. Both give the same bits.
    enum class Vectors { Widest, Baseline };

    // Prepares the sweeps over `ldlt`, a successful factorization of an
    // n x n matrix, which must stay unchanged while they are used (build
    // again after every compute). `pointCost` (n entries) is the work, in
    // multiply-adds, of forming the right-hand side of each point; it only
    // balances threads.
    void build(const Factorization& ldlt, const std::vector<int>& pointCost,
               Vectors vectors = Vectors::Widest);

    // Plans the sweeps for a parallel region of `threads` threads: as many
    // lanes as threads, but no more than `cores`, by default the cores the
    // process may use. Call from one thread while no sweep runs; nothing
    // changes while the lane count stays the same.
    void schedule(int threads, int cores = usableCores());
    // Threads 0 ... lanes() - 1 do the work; the others return at once.
    int lanes() const { return static_cast<int>(plan_.lanes.size()); }
    const SweepPlan& plan() const { return plan_; }

    // Forward substitution. Every thread of the region calls it once;
    // `rightHandSide(point, double b[3])` gives the right-hand side of a
    // point (original numbering) and is called by the lane that owns its
    // row, before that lane's sweep starts. A barrier must separate it from
    // the backward sweep.
    template <typename RightHandSide>
    void forward(int thread, RightHandSide&& rightHandSide);

    // Scaling by D⁻¹ and backward substitution, after every thread's forward.
    // `solution(point, const double x[3])` receives each point's solution.
    // The next forward sweep may follow without a barrier.
    template <typename Solution>
    void backward(int thread, Solution&& solution);

private:
    // One per lane and direction, on its own cache line. `rows` counts the
    // rows the lane has finished in all its sweeps so far; `sweeps`, read
    // and written by the lane alone, the sweeps it has started.
    struct alignas(64) Progress
    {
        std::atomic<std::uint64_t> rows{0};
        std::uint64_t sweeps = 0;
    };
    // The waits still ahead of a lane in one sweep.
    struct SyncCursor
    {
        std::vector<SweepPlan::Sync>::const_iterator next;
        std::vector<SweepPlan::Sync>::const_iterator end;
        const Progress* progress;
        // Per lane, its counter where this sweep began.
        const std::uint64_t* base;
    };

    // Where a lane's counter stood when its sweep number `sweep` (over
    // `order`) began: every sweep of a lane has the same rows.
    std::uint64_t sweepBase(const SweepPlan::Order& order, std::uint64_t sweep) const;
    static void waitFor(const Progress& progress, std::uint64_t rows);
    template <typename Row, typename RowPair>
    void run(int lane, bool isForward, Row&& row, RowPair&& rowPair);

    using Unknown = SweepKernels::Unknown;
    void solveSeparatorRow(int row, SyncCursor& sync);
    void shareColumnRows();
    void pointKernelsAtStorage();

    const int* lowerRow_ = nullptr;  // L's row indices, as the factorization holds them
    std::vector<int> columnRowsStart_, columnRows_;  // see SweepKernels::Factor
    std::vector<int> pointOf_;   // row k of the permuted system = this point
    std::vector<double> reciprocalDiagonal_;
    FactorShape shape_;
    // Set by schedule(): the plan, each lane's forward rows by ascending
    // point (the order in which their right-hand sides read the caller's
    // data most nearly in sequence) and the separator rows' values.
    SweepPlan plan_;
    std::vector<std::vector<int>> byPoint_;
    std::vector<double> rowValue_;

    std::vector<Unknown> unknowns_;  // one per row
    const SweepKernels* kernels_ = nullptr;
    // L by columns where the factorization holds it, and the storage above,
    // as the kernels read them
    SweepKernels::Factor factor_;
    std::unique_ptr<Progress[]> forwardProgress_;
    std::unique_ptr<Progress[]> backwardProgress_;
    // Per lane, scratch for the counters' bases of the sweep it runs.
    std::vector<std::vector<std::uint64_t>> bases_;
};

template <typename Row, typename RowPair>
void FactorSweep::run(int lane, bool isForward, Row&& row, RowPair&& rowPair)
{
    Progress* progress = isForward ? forwardProgress_.get() : backwardProgress_.get();
    const SweepPlan::Order& order =
        isForward ? plan_.lanes[lane].forward : plan_.lanes[lane].backward;
    // Every lane runs the same sweeps, so this lane's count numbers the
    // sweep for all of them.
    const std::uint64_t sweep = progress[lane].sweeps++;
    std::vector<std::uint64_t>& base = bases_[lane];
    for (int other = 0; other < lanes(); ++other)
        base[other] = sweepBase(isForward ? plan_.lanes[other].forward
                                          : plan_.lanes[other].backward,
                                sweep);
    SyncCursor sync{order.syncs.begin(), order.syncs.end(), progress, base.data()};
    const int count = static_cast<int>(order.rows.size());
    for (int s = 0; s < count;) {
        const int width = s >= order.pairBegin && s < order.pairEnd ? 2 : 1;
        for (; sync.next != sync.end && sync.next->position < s + width && sync.next->entry < 0;
             ++sync.next)
            waitFor(progress[sync.next->lane], base[sync.next->lane] + sync.next->rows);
        if (width == 2)
            rowPair(order.rows[s], order.rows[s + 1]);
        else
            row(order.rows[s], sync);
        s += width;
        progress[lane].rows.store(base[lane] + s, std::memory_order_release);
    }
}

template <typename RightHandSide>
void FactorSweep::forward(int thread, RightHandSide&& rightHandSide)
{
    if (thread >= lanes())
        return;
    // The backward sweep before this one may still read or write this
    // lane's rows on other lanes.
    const std::uint64_t backwardSweeps = backwardProgress_[thread].sweeps;
    if (backwardSweeps > 0)
        for (int other = 0; other < lanes(); ++other)
            if (const int rows = plan_.lanes[thread].backwardBeforeForward[other])
                waitFor(backwardProgress_[other],
                        sweepBase(plan_.lanes[other].backward, backwardSweeps - 1) + rows);
    // A lane's rows are written only by its own columns, so their right-
    // hand sides need no other lane; separator rows are read by others
    // only once their owner has solved them.
    for (const int k : byPoint_[thread]) {
        double b[3];
        rightHandSide(pointOf_[k], b);
        unknowns_[k] = Unknown{{b[0], b[1], b[2], 0.0}};
    }
    run(
        thread, true,
        [this](int k, SyncCursor& sync) {
            if (plan_.separator[k])
                solveSeparatorRow(k, sync);
            else
                kernels_->eliminateColumn(factor_, k);
        },
        [](int, int) {});  // forward orders hold no pairs
}

template <typename Solution>
void FactorSweep::backward(int thread, Solution&& solution)
{
    if (thread >= lanes())
        return;
    auto deliver = [&](int k) {
        solution(pointOf_[k], static_cast<const double*>(unknowns_[k].value));
    };
    run(
        thread, false,
        [&](int k, SyncCursor&) {
            kernels_->solveBackward(factor_, k);
            deliver(k);
        },
        [&](int a, int b) {
            kernels_->solveBackwardPair(factor_, a, b);
            deliver(a);
            deliver(b);
        });
}

}  // namespace Zarvo
