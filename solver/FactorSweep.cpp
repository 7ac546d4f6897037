#include "solver/FactorSweep.h"

#include <algorithm>
#include <thread>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif


namespace Zarvo {

namespace {

// About a microsecond of spinning, the time a short row takes.
constexpr int spinsBeforeYield = 64;

}  // namespace

void FactorSweep::build(const Factorization& ldlt, const std::vector<int>& pointCost,
                        Vectors vectors)
{
    kernels_ = &SweepKernels::baseline();
#if defined(__x86_64__) || defined(__i386__)
    if (vectors == Vectors::Widest && __builtin_cpu_supports("avx") && SweepKernels::wide())
        kernels_ = SweepKernels::wide();
#endif

    // The factor is compressed with each column's rows ascending; the library
    // holds no diagonal in L for LDLᵀ.
    const Eigen::SparseMatrix<double>& factor = ldlt.matrixL().nestedExpression();
    const int n = static_cast<int>(factor.cols());
    factor_.columnStart = factor.outerIndexPtr();
    factor_.columnValue = factor.valuePtr();
    lowerRow_ = factor.innerIndexPtr();
    shape_.size = n;
    shape_.columnStart = factor_.columnStart;
    shape_.rowIndex = lowerRow_;
    shareColumnRows();

    pointOf_.resize(n);
    const auto& inverse = ldlt.permutationPinv().indices();
    for (int k = 0; k < n; ++k)
        pointOf_[k] = inverse.size() > 0 ? inverse(k) : k;

    const Eigen::VectorXd diagonal = ldlt.vectorD();  // a copy: take it once
    reciprocalDiagonal_.resize(n);
    for (int k = 0; k < n; ++k)
        reciprocalDiagonal_[k] = 1.0 / diagonal(k);

    const int* start = factor_.columnStart;
    const int* row = lowerRow_;
    std::vector<int> rowCount(n, 0);
    for (int q = 0; q < start[n]; ++q)
        ++rowCount[row[q]];
    shape_.parent.resize(n);
    shape_.cost.resize(n);
    for (int k = 0; k < n; ++k) {
        shape_.parent[k] = start[k] < start[k + 1] ? row[start[k]] : -1;
        shape_.cost[k] =
            rowCount[k] + (start[k + 1] - start[k]) + pointCost[pointOf_[k]] + sweepRowOverhead;
    }

    unknowns_.assign(n, Unknown{{0.0, 0.0, 0.0, 0.0}});
    plan_.lanes.clear();
    schedule(1);
}

// Column k + 1 of a supernode has the rows of column k but its first (k + 1),
// so one list serves the whole supernode: the sweeps then read about one row
// index per supernode row instead of one per entry.
void FactorSweep::shareColumnRows()
{
    const int n = shape_.size;
    const int* start = factor_.columnStart;
    columnRowsStart_.resize(n);
    columnRows_.clear();
    for (int k = 0; k < n; ++k) {
        const int count = start[k + 1] - start[k];
        const bool continues = k > 0 && start[k] - start[k - 1] == count + 1 &&
                               lowerRow_[start[k - 1]] == k &&
                               std::equal(lowerRow_ + start[k], lowerRow_ + start[k + 1],
                                          lowerRow_ + start[k - 1] + 1);
        if (continues) {
            columnRowsStart_[k] = columnRowsStart_[k - 1] + 1;
        } else {
            columnRowsStart_[k] = static_cast<int>(columnRows_.size());
            columnRows_.insert(columnRows_.end(), lowerRow_ + start[k], lowerRow_ + start[k + 1]);
        }
    }
    columnRows_.shrink_to_fit();
}

void FactorSweep::pointKernelsAtStorage()
{
    factor_.columnRowsStart = columnRowsStart_.data();
    factor_.columnRows = columnRows_.data();
    factor_.columnOwnEnd = plan_.columnOwnEnd.data();
    factor_.rowStart = plan_.rowStart.data();
    factor_.rowColumn = plan_.rowColumn.data();
    factor_.rowValue = rowValue_.data();
    factor_.reciprocalDiagonal = reciprocalDiagonal_.data();
    factor_.unknowns = unknowns_.data();
}

void FactorSweep::schedule(int threads, int cores)
{
    const int lanes = std::max(1, std::min(threads, cores));
    if (lanes == this->lanes())
        return;
    plan_ = makeSweepPlan(shape_, lanes);
    rowValue_.resize(plan_.rowEntry.size());
    for (std::size_t e = 0; e < rowValue_.size(); ++e)
        rowValue_[e] = factor_.columnValue[plan_.rowEntry[e]];
    pointKernelsAtStorage();
    byPoint_.assign(lanes, {});
    for (int t = 0; t < lanes; ++t) {
        byPoint_[t] = plan_.lanes[t].forward.rows;
        std::sort(byPoint_[t].begin(), byPoint_[t].end(),
                  [this](int a, int b) { return pointOf_[a] < pointOf_[b]; });
    }
    // New plans, new sweeps: the counters start again, and no sweep runs.
    forwardProgress_ = std::make_unique<Progress[]>(lanes);
    backwardProgress_ = std::make_unique<Progress[]>(lanes);
    bases_.assign(lanes, std::vector<std::uint64_t>(lanes, 0));
}

std::uint64_t FactorSweep::sweepBase(const SweepPlan::Order& order, std::uint64_t sweep) const
{
    return sweep * order.rows.size();
}

// Separator row k of the forward substitution: minus L(k, i) x_i over the
// row's columns i in ascending order, the order in which the library's
// columns reach it. Before an entry whose x_i another lane computes, waits
// until that lane has it.
void FactorSweep::solveSeparatorRow(int k, SyncCursor& sync)
{
    Unknown sum = unknowns_[k];
    int q = plan_.rowStart[k];
    const int end = plan_.rowStart[k + 1];
    while (sync.next != sync.end && sync.next->entry >= q && sync.next->entry < end) {
        const int wait = sync.next->entry;
        kernels_->subtractRowEntries(factor_, sum, q, wait);
        for (; sync.next != sync.end && sync.next->entry == wait; ++sync.next)
            waitFor(sync.progress[sync.next->lane], sync.base[sync.next->lane] + sync.next->rows);
        q = wait;
    }
    kernels_->subtractRowEntries(factor_, sum, q, end);
    unknowns_[k] = sum;
}

void FactorSweep::waitFor(const Progress& progress, std::uint64_t rows)
{
    // Spin briefly, then give the processor up at every look: the lane
    // awaited may be waiting for a core. The spin count stops growing, so
    // that however long the wait it cannot overflow.
    for (int spins = 0; progress.rows.load(std::memory_order_acquire) < rows;) {
        if (spins < spinsBeforeYield) {
            ++spins;
#if defined(__x86_64__) || defined(__i386__)
            _mm_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
}

}  // namespace Zarvo
