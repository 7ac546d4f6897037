#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

namespace Zarvo {

// Solves with the factor of a SimplicialLDLT for the three coordinate columns
// at once, on several threads, bit for bit as the factorization's own solve
// does one column at a time.
//
// The library's solve is: permute, forward substitution with the unit lower
// factor L (column by column, skipping a column whose unknown is zero),
// multiplication by the reciprocals of D, backward substitution with Lᵀ (a
// dot product per unknown, in ascending order of L's column) and the inverse
// permutation. Here the forward substitution runs row by row: each unknown
// receives the same subtractions in the same ascending order, because column
// i only ever changes the unknowns below i, and only once x_i is final. The
// backward substitution is unchanged. So every value is the result of the
// same operations in the same order, whatever the number of threads.
//
// x, y and z of a row lie together, so the factor is read once per sweep for
// all three. Threads own whole subtrees of the elimination tree, which need no
// other thread's rows; the few rows near the root (the separators) wait only
// for the rows they read, through one progress counter per thread.
class FactorSweep
{
public:
    using Factorization = Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>>;

    // Copies what the sweeps need from `ldlt`, a successful factorization of
    // an n x n matrix. `pointCost` (n entries) is the work, in multiply-adds,
    // of forming the right-hand side of each point; it only balances threads.
    void build(const Factorization& ldlt, const std::vector<int>& pointCost);

    // Divides the rows among `threads` threads. Call from one thread while no
    // sweep runs; nothing changes while the count stays the same.
    void schedule(int threads);
    int threads() const { return static_cast<int>(plans_.size()); }

    // Forward substitution. Every thread t = 0 ... threads() - 1 calls it
    // once; `rightHandSide(point, double b[3])` gives the right-hand side of
    // a point (original numbering). A barrier must separate it from backward.
    template <typename RightHandSide>
    void forward(int thread, RightHandSide&& rightHandSide);

    // Scaling by D⁻¹ and backward substitution, after every thread's forward.
    // `solution(point, const double x[3])` receives each point's solution.
    template <typename Solution>
    void backward(int thread, Solution&& solution);

private:
    // Before the row at `position` of its list, a thread waits until thread
    // `thread` has finished `rows` rows of its own list.
    struct Sync
    {
        int position;
        int thread;
        int rows;
    };
    struct Plan
    {
        std::vector<int> forwardRows;   // in processing order
        std::vector<int> backwardRows;
        std::vector<Sync> forwardSyncs;  // by position
        std::vector<Sync> backwardSyncs;
    };
    // One per thread and direction, on its own cache line.
    struct alignas(64) Progress
    {
        std::atomic<int> rows{0};
    };

    void partition(int threads, std::vector<int>& owner, std::vector<char>& separator) const;
    static std::vector<Sync> syncsFor(const std::vector<int>& order, const std::vector<int>& owner,
                                      const std::vector<int>& position, int self,
                                      const std::vector<int>& start, const std::vector<int>& index,
                                      int threads);
    static void waitFor(const Progress& progress, int rows);

    int size_ = 0;
    std::vector<int> pointOf_;   // row k of the permuted system = this point
    std::vector<double> reciprocalDiagonal_;
    // L by rows (strictly lower part, ascending columns) for the forward sweep
    std::vector<int> rowStart_, rowColumn_;
    std::vector<double> rowValue_;
    // L by columns (strictly lower part, ascending rows) for the backward one
    std::vector<int> columnStart_, columnRow_;
    std::vector<double> columnValue_;
    std::vector<int> parent_;  // elimination tree, -1 at a root
    std::vector<double> cost_;

    std::vector<double> unknowns_;  // 3 per row: x, y, z
    std::vector<Plan> plans_;
    std::unique_ptr<Progress[]> forwardProgress_;
    std::unique_ptr<Progress[]> backwardProgress_;
};

template <typename RightHandSide>
void FactorSweep::forward(int thread, RightHandSide&& rightHandSide)
{
    const Plan& plan = plans_[thread];
    backwardProgress_[thread].rows.store(0, std::memory_order_relaxed);
    Progress& progress = forwardProgress_[thread];
    auto sync = plan.forwardSyncs.begin();
    const int count = static_cast<int>(plan.forwardRows.size());
    double* x = unknowns_.data();
    for (int s = 0; s < count; ++s) {
        for (; sync != plan.forwardSyncs.end() && sync->position == s; ++sync)
            waitFor(forwardProgress_[sync->thread], sync->rows);
        const int k = plan.forwardRows[s];
        double b[3];
        rightHandSide(pointOf_[k], b);
        for (int q = rowStart_[k]; q < rowStart_[k + 1]; ++q) {
            const double l = rowValue_[q];
            const double* xi = x + 3 * rowColumn_[q];
            // The library skips column i while x_i is zero; subtracting +0
            // leaves every value, -0 included, as it is.
            for (int c = 0; c < 3; ++c)
                b[c] -= xi[c] != 0.0 ? xi[c] * l : 0.0;
        }
        for (int c = 0; c < 3; ++c)
            x[3 * k + c] = b[c];
        progress.rows.store(s + 1, std::memory_order_release);
    }
}

template <typename Solution>
void FactorSweep::backward(int thread, Solution&& solution)
{
    const Plan& plan = plans_[thread];
    forwardProgress_[thread].rows.store(0, std::memory_order_relaxed);
    Progress& progress = backwardProgress_[thread];
    auto sync = plan.backwardSyncs.begin();
    const int count = static_cast<int>(plan.backwardRows.size());
    double* x = unknowns_.data();
    for (int s = 0; s < count; ++s) {
        for (; sync != plan.backwardSyncs.end() && sync->position == s; ++sync)
            waitFor(backwardProgress_[sync->thread], sync->rows);
        const int k = plan.backwardRows[s];
        double v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = x[3 * k + c] * reciprocalDiagonal_[k];
        for (int q = columnStart_[k]; q < columnStart_[k + 1]; ++q) {
            const double l = columnValue_[q];
            const double* xj = x + 3 * columnRow_[q];
            for (int c = 0; c < 3; ++c)
                v[c] -= l * xj[c];
        }
        for (int c = 0; c < 3; ++c)
            x[3 * k + c] = v[c];
        solution(pointOf_[k], static_cast<const double*>(v));
        progress.rows.store(s + 1, std::memory_order_release);
    }
}

}  // namespace Zarvo
