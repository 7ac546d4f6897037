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
    size_ = static_cast<int>(factor.cols());
    const int n = size_;
    factor_.columnStart = factor.outerIndexPtr();
    factor_.columnValue = factor.valuePtr();
    lowerRow_ = factor.innerIndexPtr();
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
    rowCount_.assign(n, 0);
    for (int q = 0; q < start[n]; ++q)
        ++rowCount_[row[q]];
    parent_.resize(n);
    cost_.resize(n);
    for (int k = 0; k < n; ++k) {
        parent_[k] = start[k] < start[k + 1] ? row[start[k]] : -1;
        cost_[k] = rowCount_[k] + (start[k + 1] - start[k]) + pointCost[pointOf_[k]] + rowOverhead;
    }

    unknowns_.assign(n, Unknown{{0.0, 0.0, 0.0, 0.0}});
    plans_.clear();
    schedule(1);
}

// Column k + 1 of a supernode has the rows of column k but its first (k + 1),
// so one list serves the whole supernode: the sweeps then read about one row
// index per supernode row instead of one per entry.
void FactorSweep::shareColumnRows()
{
    const int n = size_;
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
    factor_.columnOwnEnd = columnOwnEnd_.data();
    factor_.rowStart = rowStart_.data();
    factor_.rowColumn = rowColumn_.data();
    factor_.rowValue = rowValue_.data();
    factor_.reciprocalDiagonal = reciprocalDiagonal_.data();
    factor_.unknowns = unknowns_.data();
}

namespace {

// Appends the rows of lanes `a` and `b`, taken from `first` and `second`
// (each in solving order), pairwise while both have rows, then the rest.
void interleave(const std::vector<int>& first, const std::vector<int>& second,
                std::vector<int>& rows, int& pairBegin, int& pairEnd)
{
    const std::size_t paired = std::min(first.size(), second.size());
    pairBegin = static_cast<int>(rows.size());
    for (std::size_t i = 0; i < paired; ++i) {
        rows.push_back(first[i]);
        rows.push_back(second[i]);
    }
    pairEnd = static_cast<int>(rows.size());
    rows.insert(rows.end(), first.begin() + paired, first.end());
    rows.insert(rows.end(), second.begin() + paired, second.end());
}

}  // namespace

void FactorSweep::schedule(int threads)
{
    if (threads == this->threads())
        return;
    const int n = size_;
    // Two lanes per thread, so that every thread has two independent rows
    // to interleave in the backward sweep.
    std::vector<int> lane(n, 0);
    std::vector<char> solo(n, 0);
    separator_.assign(n, 0);
    partition(threads, lane, separator_, solo);
    copySeparatorRows();
    pointKernelsAtStorage();
    // Backward, a separator stays with the thread of its heaviest child, so
    // that chains need no hand-over; forward, see assignForwardSeparators.
    std::vector<int> backwardOwner(n);
    for (int k = 0; k < n; ++k)
        backwardOwner[k] = lane[k] / 2;
    std::vector<int> forwardOwner = backwardOwner;

    // Each thread takes its own rows, then its separators, in an order in
    // which every row comes after the rows it reads: ascending forward,
    // descending backward. A thread's own rows read only its own rows
    // (forward) or those and separators (backward), and separators read only
    // separators and finished own rows, so no chain of waits can close.
    // Forward, a row of the thread's may be reached by columns of both its
    // lanes, so the lanes are not interleaved there.
    plans_.assign(threads, Plan());
    for (int k = 0; k < n; ++k)
        if (!separator_[k])
            plans_[lane[k] / 2].forward.rows.push_back(k);
    assignForwardSeparators(threads, forwardOwner);
    for (int k = 0; k < n; ++k)
        if (separator_[k])
            plans_[forwardOwner[k]].forward.rows.push_back(k);

    std::vector<std::vector<int>> laneRows(2 * threads), soloRows(threads);
    for (int k = n - 1; k >= 0; --k)
        if (solo[k])
            soloRows[lane[k] / 2].push_back(k);
        else if (!separator_[k])
            laneRows[lane[k]].push_back(k);
    for (int t = 0; t < threads; ++t) {
        Order& backward = plans_[t].backward;
        for (int k = n - 1; k >= 0; --k)
            if (separator_[k] && backwardOwner[k] == t)
                backward.rows.push_back(k);
        backward.rows.insert(backward.rows.end(), soloRows[t].begin(), soloRows[t].end());
        interleave(laneRows[2 * t], laneRows[2 * t + 1], backward.rows, backward.pairBegin,
                   backward.pairEnd);
    }

    for (Plan& plan : plans_) {
        plan.byPoint = plan.forward.rows;
        std::sort(plan.byPoint.begin(), plan.byPoint.end(),
                  [this](int a, int b) { return pointOf_[a] < pointOf_[b]; });
    }

    std::vector<int> forwardPosition(n), backwardPosition(n);
    for (const Plan& plan : plans_) {
        for (std::size_t s = 0; s < plan.forward.rows.size(); ++s)
            forwardPosition[plan.forward.rows[s]] = static_cast<int>(s);
        for (std::size_t s = 0; s < plan.backward.rows.size(); ++s)
            backwardPosition[plan.backward.rows[s]] = static_cast<int>(s);
    }
    for (int t = 0; t < threads; ++t) {
        addSyncs(plans_[t].forward, forwardOwner, forwardPosition, t, rowStart_.data(),
                 rowColumn_.data(), threads, true);
        addSyncs(plans_[t].backward, backwardOwner, backwardPosition, t, factor_.columnStart,
                 lowerRow_, threads, false);
    }
    forwardProgress_ = std::make_unique<Progress[]>(threads);
    backwardProgress_ = std::make_unique<Progress[]>(threads);
}

// Gives each forward separator row, in ascending order, to the thread that
// would finish it first, in a model where an entry costs one unit and waits
// until the row it reads is done. A row reads most of its entries long before
// its last ones are ready, so rows of one chain on alternate threads overlap.
void FactorSweep::assignForwardSeparators(int threads, std::vector<int>& owner) const
{
    const int n = size_;
    std::vector<double> done(n, 0.0), clock(threads, 0.0);
    for (int t = 0; t < threads; ++t)
        for (const int k : plans_[t].forward.rows) {
            clock[t] += (columnOwnEnd_[k] - factor_.columnStart[k]) + rowOverhead;
            done[k] = clock[t];
        }
    for (int k = 0; k < n; ++k) {
        if (!separator_[k])
            continue;
        int best = 0;
        double bestFinish = 0.0;
        for (int t = 0; t < threads; ++t) {
            double time = clock[t];
            for (int q = rowStart_[k]; q < rowStart_[k + 1]; ++q) {
                const int i = rowColumn_[q];
                time = (owner[i] == t ? time : std::max(time, done[i])) + 1.0;
            }
            if (t == 0 || time < bestFinish) {
                best = t;
                bestFinish = time;
            }
        }
        owner[k] = best;
        clock[best] = done[k] = bestFinish + rowOverhead;
    }
}

// The separator rows of L by rows, and where each column's subtree rows end.
// Separators are ancestors of every subtree row they meet, so in a column
// (rows ascending) they come after all subtree rows.
void FactorSweep::copySeparatorRows()
{
    const int n = size_;
    rowStart_.assign(n + 1, 0);
    for (int k = 0; k < n; ++k)
        rowStart_[k + 1] = rowStart_[k] + (separator_[k] ? rowCount_[k] : 0);
    rowColumn_.resize(rowStart_[n]);
    rowValue_.resize(rowStart_[n]);
    std::vector<int> fill(rowStart_.begin(), rowStart_.end() - 1);
    const int* start = factor_.columnStart;
    const int* row = lowerRow_;
    columnOwnEnd_.resize(n);
    for (int i = 0; i < n; ++i) {
        columnOwnEnd_[i] = start[i + 1];
        for (int q = start[i + 1] - 1; q >= start[i] && separator_[row[q]]; --q)
            columnOwnEnd_[i] = q;
        for (int q = columnOwnEnd_[i]; q < start[i + 1]; ++q) {
            const int slot = fill[row[q]]++;
            rowColumn_[slot] = i;
            rowValue_[slot] = factor_.columnValue[q];
        }
    }
}

// Cuts `pieces` (subtrees, by root) into parts for `bins` equal workers:
// the heaviest piece is cut at its root while that improves the estimated
// time, the largest bin plus all cut rows. Returns the cut rows and leaves
// the remaining pieces in `pieces`.
std::vector<int> FactorSweep::cut(const Tree& tree, std::vector<Subtree>& pieces, int bins) const
{
    std::priority_queue<Subtree> heap(pieces.begin(), pieces.end());
    double total = 0.0;
    for (const Subtree& piece : pieces)
        total += piece.first;
    auto estimate = [&](double cutCost) {
        std::vector<Subtree> list;
        for (std::priority_queue<Subtree> copy = heap; !copy.empty(); copy.pop())
            list.push_back(copy.top());
        double largest = 0.0;
        assignLargestFirst(list, bins, largest);
        return largest + cutCost;
    };

    std::vector<int> cuts;
    double cutCost = 0.0;
    double best = estimate(0.0);
    std::size_t bestCuts = 0;
    std::size_t nextEstimate = 1;
    const double finest = finestSubtreeShare * total / bins;
    while (!heap.empty()) {
        const int root = heap.top().second;
        if (heap.top().first < finest || tree.childStart[root] == tree.childStart[root + 1])
            break;
        // No later cut can beat the best: cut rows only add up, and the bins
        // cannot do better than an even share of the rest.
        const double afterCut = cutCost + cost_[root];
        if (afterCut + (total - afterCut) / bins >= best)
            break;
        heap.pop();
        cuts.push_back(root);
        cutCost += cost_[root];
        for (int q = tree.childStart[root]; q < tree.childStart[root + 1]; ++q)
            heap.push({tree.subtree[tree.children[q]], tree.children[q]});
        if (cuts.size() == nextEstimate) {
            const double time = estimate(cutCost);
            if (time < best) {
                best = time;
                bestCuts = cuts.size();
            }
            nextEstimate = std::max(nextEstimate + 1, nextEstimate + nextEstimate / 16);
        }
    }
    cuts.resize(bestCuts);

    // What remains: the uncut pieces and the uncut children of cut rows.
    std::vector<char> isCut(size_, 0);
    for (const int k : cuts)
        isCut[k] = 1;
    std::vector<Subtree> remaining;
    std::vector<int> stack;
    for (const Subtree& piece : pieces)
        stack.push_back(piece.second);
    while (!stack.empty()) {
        const int k = stack.back();
        stack.pop_back();
        if (!isCut[k]) {
            remaining.push_back({tree.subtree[k], k});
            continue;
        }
        for (int q = tree.childStart[k]; q < tree.childStart[k + 1]; ++q)
            stack.push_back(tree.children[q]);
    }
    pieces = std::move(remaining);
    return cuts;
}

// Gives every row a lane, 2 t or 2 t + 1 for thread t. The tree is first cut
// into a share per thread; the cut rows become separators, which threads
// share. Each share is then cut into two lanes; those cut rows stay with the
// thread (`solo`): the forward sweep takes the thread's rows in ascending
// order anyway, the backward sweep solves them alone before the lanes.
void FactorSweep::partition(int threads, std::vector<int>& lane, std::vector<char>& separator,
                            std::vector<char>& solo) const
{
    const int n = size_;
    Tree tree;
    tree.subtree = cost_;
    tree.childStart.assign(n + 1, 0);
    for (int k = 0; k < n; ++k)
        if (parent_[k] >= 0) {
            tree.subtree[parent_[k]] += tree.subtree[k];
            ++tree.childStart[parent_[k] + 1];
        }
    for (int k = 0; k < n; ++k)
        tree.childStart[k + 1] += tree.childStart[k];
    tree.children.resize(tree.childStart[n]);
    std::vector<int> fill(tree.childStart.begin(), tree.childStart.end() - 1);
    for (int k = 0; k < n; ++k)
        if (parent_[k] >= 0)
            tree.children[fill[parent_[k]]++] = k;

    std::vector<Subtree> pieces;
    for (int k = 0; k < n; ++k)
        if (parent_[k] < 0)
            pieces.push_back({tree.subtree[k], k});
    for (const int k : cut(tree, pieces, threads))
        separator[k] = 1;
    double largest = 0.0;
    const std::vector<int> thread = assignLargestFirst(pieces, threads, largest);
    for (int t = 0; t < threads; ++t) {
        std::vector<Subtree> own;
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (thread[i] == t)
                own.push_back(pieces[i]);
        for (const int k : cut(tree, own, 2)) {
            solo[k] = 1;
            lane[k] = 2 * t;
        }
        const std::vector<int> half = assignLargestFirst(own, 2, largest);
        for (std::size_t i = 0; i < own.size(); ++i)
            lane[own[i].second] = 2 * t + half[i];
    }
    // Parents come after their children: descending order reaches every
    // piece's root before the rows below it.
    for (int k = n - 1; k >= 0; --k)
        if (!separator[k] && !solo[k] && parent_[k] >= 0 && !separator[parent_[k]] &&
            !solo[parent_[k]])
            lane[k] = lane[parent_[k]];
    // A separator row goes with its heaviest child, so chains stay on one
    // thread.
    for (int k = 0; k < n; ++k) {
        if (!separator[k])
            continue;
        int heaviest = tree.children[tree.childStart[k]];
        for (int q = tree.childStart[k]; q < tree.childStart[k + 1]; ++q)
            if (tree.subtree[tree.children[q]] > tree.subtree[heaviest])
                heaviest = tree.children[q];
        lane[k] = lane[heaviest];
    }
}

// The waits a thread needs in its order: for every other thread, the number
// of its rows that must be done, kept only where it exceeds what an earlier
// wait already ensured. `start`/`index` give the rows each row reads. With
// `withinRows`, a wait is placed before the entry that needs it rather than
// before the row.
void FactorSweep::addSyncs(Order& order, const std::vector<int>& owner,
                           const std::vector<int>& position, int self, const int* start,
                           const int* index, int threads, bool withinRows)
{
    std::vector<int> ensured(threads, 0);
    for (std::size_t s = 0; s < order.rows.size(); ++s) {
        const int k = order.rows[s];
        std::vector<int> needed = ensured;
        for (int q = start[k]; q < start[k + 1]; ++q) {
            const int other = owner[index[q]];
            if (other == self || position[index[q]] + 1 <= needed[other])
                continue;
            needed[other] = position[index[q]] + 1;
            if (withinRows) {
                order.syncs.push_back({static_cast<int>(s), q, other, needed[other]});
                ensured[other] = needed[other];
            }
        }
        if (!withinRows)
            for (int t = 0; t < threads; ++t)
                if (needed[t] > ensured[t]) {
                    order.syncs.push_back({static_cast<int>(s), -1, t, needed[t]});
                    ensured[t] = needed[t];
                }
    }
}

// Separator row k of the forward substitution: minus L(k, i) x_i over the
// row's columns i in ascending order, the order in which the library's
// columns reach it. Before an entry whose x_i another thread computes, waits
// until that thread has it.
void FactorSweep::solveSeparatorRow(int k, SyncCursor& sync)
{
    Unknown sum = unknowns_[k];
    int q = rowStart_[k];
    const int end = rowStart_[k + 1];
    while (sync.next != sync.end && sync.next->entry >= q && sync.next->entry < end) {
        const int wait = sync.next->entry;
        kernels_->subtractRowEntries(factor_, sum, q, wait);
        for (; sync.next != sync.end && sync.next->entry == wait; ++sync.next)
            waitFor(sync.progress[sync.next->thread], sync.next->rows);
        q = wait;
    }
    kernels_->subtractRowEntries(factor_, sum, q, end);
    unknowns_[k] = sum;
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
