#include "solver/FactorSweep.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <thread>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace Zarvo {

namespace {

// Work of one row beyond its entries (loads, stores, the progress counter),
// in the same units as an entry of L.
constexpr double rowOverhead = 4.0;

// The separator search stops once the largest subtree left is this share of
// one thread's ideal load: smaller pieces no longer improve the balance.
constexpr double finestSubtreeShare = 0.01;

// About a microsecond of spinning, the time a short row takes.
constexpr int spinsBeforeYield = 64;

// Largest-first assignment of subtrees to the least loaded thread. Returns
// each subtree's thread and writes the largest load.
std::vector<int> assignLargestFirst(const std::vector<std::pair<double, int>>& subtrees, int threads,
                                    double& largestLoad)
{
    std::vector<int> order(subtrees.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return subtrees[a] > subtrees[b]; });
    using Bin = std::pair<double, int>;  // load, thread
    std::priority_queue<Bin, std::vector<Bin>, std::greater<Bin>> bins;
    for (int t = 0; t < threads; ++t)
        bins.push({0.0, t});
    std::vector<int> thread(subtrees.size());
    largestLoad = 0.0;
    for (const int i : order) {
        Bin bin = bins.top();
        bins.pop();
        thread[i] = bin.second;
        bin.first += subtrees[i].first;
        largestLoad = std::max(largestLoad, bin.first);
        bins.push(bin);
    }
    return thread;
}

}  // namespace

void FactorSweep::build(const Factorization& ldlt, const std::vector<int>& pointCost)
{
    const Eigen::SparseMatrix<double>& factor = ldlt.matrixL().nestedExpression();
    size_ = static_cast<int>(factor.cols());
    const int n = size_;

    pointOf_.resize(n);
    const auto& inverse = ldlt.permutationPinv().indices();
    for (int k = 0; k < n; ++k)
        pointOf_[k] = inverse.size() > 0 ? inverse(k) : k;

    reciprocalDiagonal_.resize(n);
    for (int k = 0; k < n; ++k)
        reciprocalDiagonal_[k] = 1.0 / ldlt.vectorD()(k);

    // The factor is compressed with each column's rows ascending; the library
    // holds no diagonal in L for LDLᵀ.
    columnStart_.assign(factor.outerIndexPtr(), factor.outerIndexPtr() + n + 1);
    const int entries = columnStart_[n];
    columnRow_.assign(factor.innerIndexPtr(), factor.innerIndexPtr() + entries);
    columnValue_.assign(factor.valuePtr(), factor.valuePtr() + entries);

    // Rows by counting sort; filling columns in ascending order keeps each
    // row's columns ascending.
    rowStart_.assign(n + 1, 0);
    for (int q = 0; q < entries; ++q)
        ++rowStart_[columnRow_[q] + 1];
    for (int k = 0; k < n; ++k)
        rowStart_[k + 1] += rowStart_[k];
    rowColumn_.resize(entries);
    rowValue_.resize(entries);
    std::vector<int> fill(rowStart_.begin(), rowStart_.end() - 1);
    for (int i = 0; i < n; ++i)
        for (int q = columnStart_[i]; q < columnStart_[i + 1]; ++q) {
            const int slot = fill[columnRow_[q]]++;
            rowColumn_[slot] = i;
            rowValue_[slot] = columnValue_[q];
        }

    parent_.resize(n);
    cost_.resize(n);
    for (int k = 0; k < n; ++k) {
        parent_[k] = columnStart_[k] < columnStart_[k + 1] ? columnRow_[columnStart_[k]] : -1;
        cost_[k] = (rowStart_[k + 1] - rowStart_[k]) + (columnStart_[k + 1] - columnStart_[k]) +
                   pointCost[pointOf_[k]] + rowOverhead;
    }

    unknowns_.assign(3 * static_cast<std::size_t>(n), 0.0);
    plans_.clear();
    schedule(1);
}

void FactorSweep::schedule(int threads)
{
    if (threads == this->threads())
        return;
    const int n = size_;
    std::vector<int> owner(n, 0);
    std::vector<char> separator(n, 0);
    if (threads > 1)
        partition(threads, owner, separator);

    // Each thread takes its subtree rows first, then its separator rows, in
    // an order in which every row comes after the rows it reads: ascending
    // forward, descending backward. Subtree rows read only their own subtree
    // (forward) or their own thread's rows and separators (backward), so no
    // chain of waits can close on itself.
    plans_.assign(threads, Plan());
    for (const bool separators : {false, true})
        for (int k = 0; k < n; ++k)
            if (static_cast<bool>(separator[k]) == separators)
                plans_[owner[k]].forwardRows.push_back(k);
    for (const bool separators : {true, false})
        for (int k = n - 1; k >= 0; --k)
            if (static_cast<bool>(separator[k]) == separators)
                plans_[owner[k]].backwardRows.push_back(k);

    std::vector<int> forwardPosition(n), backwardPosition(n);
    for (const Plan& plan : plans_) {
        for (std::size_t s = 0; s < plan.forwardRows.size(); ++s)
            forwardPosition[plan.forwardRows[s]] = static_cast<int>(s);
        for (std::size_t s = 0; s < plan.backwardRows.size(); ++s)
            backwardPosition[plan.backwardRows[s]] = static_cast<int>(s);
    }
    for (int t = 0; t < threads; ++t) {
        Plan& plan = plans_[t];
        plan.forwardSyncs =
            syncsFor(plan.forwardRows, owner, forwardPosition, t, rowStart_, rowColumn_, threads);
        plan.backwardSyncs = syncsFor(plan.backwardRows, owner, backwardPosition, t, columnStart_,
                                      columnRow_, threads);
    }
    forwardProgress_ = std::make_unique<Progress[]>(threads);
    backwardProgress_ = std::make_unique<Progress[]>(threads);
}

// Splits the elimination tree: the heaviest subtree is cut at its root (which
// becomes a separator row) while that improves the estimated sweep time, the
// largest thread load plus all separator rows.
void FactorSweep::partition(int threads, std::vector<int>& owner, std::vector<char>& separator) const
{
    const int n = size_;
    std::vector<double> subtree(cost_);
    std::vector<int> childStart(n + 1, 0);
    for (int k = 0; k < n; ++k)
        if (parent_[k] >= 0) {
            subtree[parent_[k]] += subtree[k];
            ++childStart[parent_[k] + 1];
        }
    for (int k = 0; k < n; ++k)
        childStart[k + 1] += childStart[k];
    std::vector<int> children(childStart[n]);
    std::vector<int> fill(childStart.begin(), childStart.end() - 1);
    for (int k = 0; k < n; ++k)
        if (parent_[k] >= 0)
            children[fill[parent_[k]]++] = k;

    using Subtree = std::pair<double, int>;  // cost, root
    std::priority_queue<Subtree> pieces;
    double total = 0.0;
    for (int k = 0; k < n; ++k)
        if (parent_[k] < 0) {
            pieces.push({subtree[k], k});
            total += subtree[k];
        }
    auto estimate = [&](double separatorCost) {
        std::priority_queue<Subtree> copy = pieces;
        std::vector<Subtree> list;
        for (; !copy.empty(); copy.pop())
            list.push_back(copy.top());
        double largest = 0.0;
        assignLargestFirst(list, threads, largest);
        return largest + separatorCost;
    };

    std::vector<int> cuts;
    double separatorCost = 0.0;
    double best = estimate(0.0);
    std::size_t bestCuts = 0;
    std::size_t nextEstimate = 1;
    const double finest = finestSubtreeShare * total / threads;
    while (!pieces.empty()) {
        const int root = pieces.top().second;
        if (pieces.top().first < finest || childStart[root] == childStart[root + 1])
            break;
        pieces.pop();
        cuts.push_back(root);
        separatorCost += cost_[root];
        for (int q = childStart[root]; q < childStart[root + 1]; ++q)
            pieces.push({subtree[children[q]], children[q]});
        if (cuts.size() == nextEstimate) {
            const double time = estimate(separatorCost);
            if (time < best) {
                best = time;
                bestCuts = cuts.size();
            }
            nextEstimate = std::max(nextEstimate + 1, nextEstimate + nextEstimate / 16);
        }
    }

    for (std::size_t c = 0; c < bestCuts; ++c)
        separator[cuts[c]] = 1;
    std::vector<Subtree> kept;
    for (int k = 0; k < n; ++k)
        if (!separator[k] && (parent_[k] < 0 || separator[parent_[k]]))
            kept.push_back({subtree[k], k});
    double largest = 0.0;
    const std::vector<int> thread = assignLargestFirst(kept, threads, largest);
    for (std::size_t i = 0; i < kept.size(); ++i)
        owner[kept[i].second] = thread[i];
    // Parents come after their children: descending order reaches every
    // subtree root before the rows below it.
    for (int k = n - 1; k >= 0; --k)
        if (!separator[k] && parent_[k] >= 0 && !separator[parent_[k]])
            owner[k] = owner[parent_[k]];
    // A separator row goes with its heaviest child, so chains stay on one
    // thread.
    for (int k = 0; k < n; ++k) {
        if (!separator[k])
            continue;
        int heaviest = children[childStart[k]];
        for (int q = childStart[k]; q < childStart[k + 1]; ++q)
            if (subtree[children[q]] > subtree[heaviest])
                heaviest = children[q];
        owner[k] = owner[heaviest];
    }
}

// The waits a thread needs before each row of `order`: for every other
// thread, the number of its rows that must be done, kept only where it
// exceeds what an earlier wait already ensured. `start`/`index` give the rows
// each row reads.
std::vector<FactorSweep::Sync> FactorSweep::syncsFor(const std::vector<int>& order,
                                                     const std::vector<int>& owner,
                                                     const std::vector<int>& position, int self,
                                                     const std::vector<int>& start,
                                                     const std::vector<int>& index, int threads)
{
    std::vector<Sync> syncs;
    std::vector<int> ensured(threads, 0), needed(threads, 0);
    for (std::size_t s = 0; s < order.size(); ++s) {
        const int k = order[s];
        for (int q = start[k]; q < start[k + 1]; ++q) {
            const int other = owner[index[q]];
            if (other != self)
                needed[other] = std::max(needed[other], position[index[q]] + 1);
        }
        for (int t = 0; t < threads; ++t)
            if (needed[t] > ensured[t]) {
                syncs.push_back({static_cast<int>(s), t, needed[t]});
                ensured[t] = needed[t];
            }
    }
    return syncs;
}

void FactorSweep::waitFor(const Progress& progress, int rows)
{
    for (int spins = 0; progress.rows.load(std::memory_order_acquire) < rows; ++spins) {
        // Spin briefly, then give the processor up: with more threads than
        // free cores the row awaited may belong to a thread that is not running.
        if (spins < spinsBeforeYield) {
#if defined(__x86_64__) || defined(__i386__)
            _mm_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
}

}  // namespace Zarvo
