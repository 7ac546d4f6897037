#pragma once

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include "solver/SweepKernels.h"

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
// Threads own whole subtrees of the elimination tree, and each subtree's rows
// are read and written only by its owner. The rows above the subtrees (the
// separators) wait for the rows they read, through one progress counter per
// thread. In the forward sweep a subtree runs column by column as the library
// does, but stops each column at the first separator row (separators sit
// above every subtree row, so they come last in a column); a separator runs
// row by row over a copy of its row of L, which gives its unknown the same
// subtractions in the same ascending order, as column i changes the unknowns
// below it only once x_i is final. The backward sweep is the library's.
//
// The backward sweep is a chain of dependent subtractions per row, so each
// thread splits its subtrees into two lanes and solves a row of each at a
// time; the rows where its share had to be cut into lanes are solved alone
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

    // Divides the rows among `threads` threads. Call from one thread while no
    // sweep runs; nothing changes while the count stays the same.
    void schedule(int threads);
    int threads() const { return static_cast<int>(plans_.size()); }

    // Forward substitution. Every thread t = 0 ... threads() - 1 calls it
    // once; `rightHandSide(point, double b[3])` gives the right-hand side of
    // a point (original numbering) and is called by the thread that owns its
    // row, before that thread's sweep starts. A barrier must separate it from
    // the backward sweep.
    template <typename RightHandSide>
    void forward(int thread, RightHandSide&& rightHandSide);

    // Scaling by D⁻¹ and backward substitution, after every thread's forward.
    // `solution(point, const double x[3])` receives each point's solution.
    template <typename Solution>
    void backward(int thread, Solution&& solution);

private:
    // One per thread and direction, on its own cache line.
    struct alignas(64) Progress
    {
        std::atomic<int> rows{0};
    };
    // Before the row at `position` of its list (before its entry `entry`
    // of the row copy, or before the whole row where -1), a thread waits
    // until thread `thread` has finished `rows` rows of its own list.
    struct Sync
    {
        int position;
        int entry;
        int thread;
        int rows;
    };
    // The waits still ahead of a thread in one sweep.
    struct SyncCursor
    {
        std::vector<Sync>::const_iterator next;
        std::vector<Sync>::const_iterator end;
        const Progress* progress;
    };
    // The rows one thread solves in one sweep, in order. Positions
    // pairBegin ... pairEnd - 1 hold pairs of rows from two disjoint
    // subtrees, which are solved together so that their chains of
    // subtractions overlap.
    struct Order
    {
        std::vector<int> rows;
        std::vector<Sync> syncs;  // by position
        int pairBegin = 0;
        int pairEnd = 0;
    };
    struct Plan
    {
        Order forward;
        Order backward;
        // The forward rows by ascending point, the order in which their
        // right-hand sides read the caller's data most nearly in sequence.
        std::vector<int> byPoint;
    };

    using Subtree = std::pair<double, int>;  // cost, root
    // The elimination tree with each subtree's cost and each row's children.
    struct Tree
    {
        std::vector<double> subtree;
        std::vector<int> childStart;
        std::vector<int> children;
    };
    std::vector<int> cut(const Tree& tree, std::vector<Subtree>& pieces, int bins) const;
    void partition(int threads, std::vector<int>& lane, std::vector<char>& separator,
                   std::vector<char>& solo) const;
    static void addSyncs(Order& order, const std::vector<int>& owner,
                         const std::vector<int>& position, int self, const int* start,
                         const int* index, int threads, bool withinRows);
    void copySeparatorRows();
    void assignForwardSeparators(int threads, std::vector<int>& owner) const;
    static void waitFor(const Progress& progress, int rows);
    template <typename Row, typename RowPair>
    static void run(const Order& order, Progress* progress, int thread, Row&& row,
                    RowPair&& rowPair);

    using Unknown = SweepKernels::Unknown;
    void solveSeparatorRow(int row, SyncCursor& sync);
    void shareColumnRows();
    void pointKernelsAtStorage();

    int size_ = 0;
    const int* lowerRow_ = nullptr;  // L's row indices, as the factorization holds them
    std::vector<int> columnRowsStart_, columnRows_;  // see SweepKernels::Factor
    std::vector<int> pointOf_;   // row k of the permuted system = this point
    std::vector<double> reciprocalDiagonal_;
    std::vector<int> rowCount_;  // entries per row of L
    std::vector<int> parent_;    // elimination tree, -1 at a root
    // Set by schedule(): where each column's subtree rows end, and the
    // separator rows of L by rows (ascending columns; other rows empty).
    std::vector<char> separator_;
    std::vector<int> columnOwnEnd_;
    std::vector<int> rowStart_, rowColumn_;
    std::vector<double> rowValue_;
    std::vector<double> cost_;

    std::vector<Unknown> unknowns_;  // one per row
    const SweepKernels* kernels_ = nullptr;
    // L by columns where the factorization holds it, and the storage above,
    // as the kernels read them
    SweepKernels::Factor factor_;
    std::vector<Plan> plans_;
    std::unique_ptr<Progress[]> forwardProgress_;
    std::unique_ptr<Progress[]> backwardProgress_;
};

template <typename Row, typename RowPair>
void FactorSweep::run(const Order& order, Progress* progress, int thread, Row&& row,
                      RowPair&& rowPair)
{
    SyncCursor sync{order.syncs.begin(), order.syncs.end(), progress};
    const int count = static_cast<int>(order.rows.size());
    for (int s = 0; s < count;) {
        const int width = s >= order.pairBegin && s < order.pairEnd ? 2 : 1;
        for (; sync.next != sync.end && sync.next->position < s + width && sync.next->entry < 0;
             ++sync.next)
            waitFor(progress[sync.next->thread], sync.next->rows);
        if (width == 2)
            rowPair(order.rows[s], order.rows[s + 1]);
        else
            row(order.rows[s], sync);
        s += width;
        progress[thread].rows.store(s, std::memory_order_release);
    }
}

template <typename RightHandSide>
void FactorSweep::forward(int thread, RightHandSide&& rightHandSide)
{
    backwardProgress_[thread].rows.store(0, std::memory_order_relaxed);
    // A thread's rows are written only by its own columns, so their right-
    // hand sides need no other thread; separator rows are read by others
    // only once their owner has solved them.
    for (const int k : plans_[thread].byPoint) {
        double b[3];
        rightHandSide(pointOf_[k], b);
        unknowns_[k] = Unknown{{b[0], b[1], b[2], 0.0}};
    }
    run(
        plans_[thread].forward, forwardProgress_.get(), thread,
        [this](int k, SyncCursor& sync) {
            if (separator_[k])
                solveSeparatorRow(k, sync);
            else
                kernels_->eliminateColumn(factor_, k);
        },
        [](int, int) {});  // forward orders hold no pairs
}

template <typename Solution>
void FactorSweep::backward(int thread, Solution&& solution)
{
    forwardProgress_[thread].rows.store(0, std::memory_order_relaxed);
    auto deliver = [&](int k) {
        solution(pointOf_[k], static_cast<const double*>(unknowns_[k].value));
    };
    run(
        plans_[thread].backward, backwardProgress_.get(), thread,
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
