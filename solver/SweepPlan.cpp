#include "solver/SweepPlan.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

namespace Zarvo {

namespace {

// The separator search stops once the largest subtree left is this share of
// one lane's ideal load: smaller pieces no longer improve the balance.
constexpr double finestSubtreeShare = 0.01;

using Subtree = std::pair<double, int>;  // cost, root

// Largest-first assignment of subtrees to the least loaded bin. Returns each
// subtree's bin and writes the largest load.
std::vector<int> assignLargestFirst(const std::vector<Subtree>& subtrees, int bins,
                                    double& largestLoad)
{
    std::vector<int> order(subtrees.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return subtrees[a] > subtrees[b]; });
    using Bin = std::pair<double, int>;  // load, bin
    std::priority_queue<Bin, std::vector<Bin>, std::greater<Bin>> heap;
    for (int b = 0; b < bins; ++b)
        heap.push({0.0, b});
    std::vector<int> bin(subtrees.size());
    largestLoad = 0.0;
    for (const int i : order) {
        Bin top = heap.top();
        heap.pop();
        bin[i] = top.second;
        top.first += subtrees[i].first;
        largestLoad = std::max(largestLoad, top.first);
        heap.push(top);
    }
    return bin;
}

// Appends the rows of `first` and `second` (each in solving order) pairwise
// while both have rows, then the rest.
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

// The elimination tree with each subtree's cost and each row's children.
struct Tree
{
    std::vector<double> subtree;
    std::vector<int> childStart;
    std::vector<int> children;
};

class Planner
{
public:
    Planner(const FactorShape& shape, int lanes)
        : shape_(shape), n_(shape.size), lanes_(lanes)
    {
    }

    SweepPlan plan();

private:
    Tree buildTree() const;
    std::vector<int> cut(const Tree& tree, std::vector<Subtree>& pieces, int bins) const;
    void partition(std::vector<int>& half, std::vector<char>& solo);
    void copySeparatorRows();
    std::vector<int> assignForwardSeparators(std::vector<int> owner) const;
    void addSyncs(SweepPlan::Order& order, const std::vector<int>& owner,
                  const std::vector<int>& position, int self, const int* start, const int* index,
                  bool withinRows) const;
    void addBackwardBeforeForward();

    const FactorShape& shape_;
    const int n_;
    const int lanes_;
    SweepPlan plan_;
};

SweepPlan Planner::plan()
{
    // Two halves per lane, so that every lane has two independent rows to
    // interleave in the backward sweep.
    std::vector<int> half(n_, 0);
    std::vector<char> solo(n_, 0);
    plan_.separator.assign(n_, 0);
    partition(half, solo);
    copySeparatorRows();
    // Backward, a separator stays with the lane of its heaviest child, so
    // that chains need no hand-over; forward, see assignForwardSeparators.
    std::vector<int> backwardOwner(n_);
    for (int k = 0; k < n_; ++k)
        backwardOwner[k] = half[k] / 2;

    // Each lane takes its own rows, then its separators, in an order in
    // which every row comes after the rows it reads: ascending forward,
    // descending backward. A lane's own rows read only its own rows
    // (forward) or those and separators (backward), and separators read only
    // separators and finished own rows, so no chain of waits can close.
    // Forward, a row of the lane's may be reached by columns of both its
    // halves, so the halves are not interleaved there.
    plan_.lanes.assign(lanes_, SweepPlan::Lane());
    for (int k = 0; k < n_; ++k)
        if (!plan_.separator[k])
            plan_.lanes[backwardOwner[k]].forward.rows.push_back(k);
    const std::vector<int> forwardOwner = assignForwardSeparators(backwardOwner);
    for (int k = 0; k < n_; ++k)
        if (plan_.separator[k])
            plan_.lanes[forwardOwner[k]].forward.rows.push_back(k);

    std::vector<std::vector<int>> halfRows(2 * lanes_), soloRows(lanes_);
    for (int k = n_ - 1; k >= 0; --k)
        if (solo[k])
            soloRows[half[k] / 2].push_back(k);
        else if (!plan_.separator[k])
            halfRows[half[k]].push_back(k);
    for (int t = 0; t < lanes_; ++t) {
        SweepPlan::Order& backward = plan_.lanes[t].backward;
        for (int k = n_ - 1; k >= 0; --k)
            if (plan_.separator[k] && backwardOwner[k] == t)
                backward.rows.push_back(k);
        backward.rows.insert(backward.rows.end(), soloRows[t].begin(), soloRows[t].end());
        interleave(halfRows[2 * t], halfRows[2 * t + 1], backward.rows, backward.pairBegin,
                   backward.pairEnd);
    }

    std::vector<int> forwardPosition(n_), backwardPosition(n_);
    for (const SweepPlan::Lane& lane : plan_.lanes) {
        for (std::size_t s = 0; s < lane.forward.rows.size(); ++s)
            forwardPosition[lane.forward.rows[s]] = static_cast<int>(s);
        for (std::size_t s = 0; s < lane.backward.rows.size(); ++s)
            backwardPosition[lane.backward.rows[s]] = static_cast<int>(s);
    }
    for (int t = 0; t < lanes_; ++t) {
        addSyncs(plan_.lanes[t].forward, forwardOwner, forwardPosition, t, plan_.rowStart.data(),
                 plan_.rowColumn.data(), true);
        addSyncs(plan_.lanes[t].backward, backwardOwner, backwardPosition, t, shape_.columnStart,
                 shape_.rowIndex, false);
    }
    addBackwardBeforeForward();
    return std::move(plan_);
}

Tree Planner::buildTree() const
{
    Tree tree;
    tree.subtree = shape_.cost;
    tree.childStart.assign(n_ + 1, 0);
    for (int k = 0; k < n_; ++k)
        if (shape_.parent[k] >= 0) {
            tree.subtree[shape_.parent[k]] += tree.subtree[k];
            ++tree.childStart[shape_.parent[k] + 1];
        }
    for (int k = 0; k < n_; ++k)
        tree.childStart[k + 1] += tree.childStart[k];
    tree.children.resize(tree.childStart[n_]);
    std::vector<int> fill(tree.childStart.begin(), tree.childStart.end() - 1);
    for (int k = 0; k < n_; ++k)
        if (shape_.parent[k] >= 0)
            tree.children[fill[shape_.parent[k]]++] = k;
    return tree;
}

// Cuts `pieces` (subtrees, by root) into parts for `bins` equal workers:
// the heaviest piece is cut at its root while that improves the estimated
// time, the largest bin plus all cut rows. Returns the cut rows and leaves
// the remaining pieces in `pieces`.
std::vector<int> Planner::cut(const Tree& tree, std::vector<Subtree>& pieces, int bins) const
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
        const double afterCut = cutCost + shape_.cost[root];
        if (afterCut + (total - afterCut) / bins >= best)
            break;
        heap.pop();
        cuts.push_back(root);
        cutCost += shape_.cost[root];
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
    std::vector<char> isCut(n_, 0);
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

// Gives every row a half, 2 t or 2 t + 1 for lane t. The tree is first cut
// into a share per lane; the cut rows become separators, which lanes share.
// Each share is then cut into two halves; those cut rows stay with the lane
// (`solo`): the forward sweep takes the lane's rows in ascending order
// anyway, the backward sweep solves them alone before the halves.
void Planner::partition(std::vector<int>& half, std::vector<char>& solo)
{
    const Tree tree = buildTree();
    std::vector<char>& separator = plan_.separator;
    std::vector<Subtree> pieces;
    for (int k = 0; k < n_; ++k)
        if (shape_.parent[k] < 0)
            pieces.push_back({tree.subtree[k], k});
    for (const int k : cut(tree, pieces, lanes_))
        separator[k] = 1;
    double largest = 0.0;
    const std::vector<int> lane = assignLargestFirst(pieces, lanes_, largest);
    for (int t = 0; t < lanes_; ++t) {
        std::vector<Subtree> own;
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (lane[i] == t)
                own.push_back(pieces[i]);
        for (const int k : cut(tree, own, 2)) {
            solo[k] = 1;
            half[k] = 2 * t;
        }
        const std::vector<int> halves = assignLargestFirst(own, 2, largest);
        for (std::size_t i = 0; i < own.size(); ++i)
            half[own[i].second] = 2 * t + halves[i];
    }
    // Parents come after their children: descending order reaches every
    // piece's root before the rows below it.
    const auto& parent = shape_.parent;
    for (int k = n_ - 1; k >= 0; --k)
        if (!separator[k] && !solo[k] && parent[k] >= 0 && !separator[parent[k]] &&
            !solo[parent[k]])
            half[k] = half[parent[k]];
    // A separator row goes with its heaviest child, so chains stay on one
    // lane.
    for (int k = 0; k < n_; ++k) {
        if (!separator[k])
            continue;
        int heaviest = tree.children[tree.childStart[k]];
        for (int q = tree.childStart[k]; q < tree.childStart[k + 1]; ++q)
            if (tree.subtree[tree.children[q]] > tree.subtree[heaviest])
                heaviest = tree.children[q];
        half[k] = half[heaviest];
    }
}

void Planner::copySeparatorRows()
{
    const std::vector<char>& separator = plan_.separator;
    const int* start = shape_.columnStart;
    const int* row = shape_.rowIndex;
    std::vector<int> rowCount(n_, 0);
    for (int q = 0; q < start[n_]; ++q)
        ++rowCount[row[q]];
    plan_.rowStart.assign(n_ + 1, 0);
    for (int k = 0; k < n_; ++k)
        plan_.rowStart[k + 1] = plan_.rowStart[k] + (separator[k] ? rowCount[k] : 0);
    plan_.rowColumn.resize(plan_.rowStart[n_]);
    plan_.rowEntry.resize(plan_.rowStart[n_]);
    std::vector<int> fill(plan_.rowStart.begin(), plan_.rowStart.end() - 1);
    plan_.columnOwnEnd.resize(n_);
    for (int i = 0; i < n_; ++i) {
        int& ownEnd = plan_.columnOwnEnd[i];
        ownEnd = start[i + 1];
        for (int q = start[i + 1] - 1; q >= start[i] && separator[row[q]]; --q)
            ownEnd = q;
        for (int q = ownEnd; q < start[i + 1]; ++q) {
            const int slot = fill[row[q]]++;
            plan_.rowColumn[slot] = i;
            plan_.rowEntry[slot] = q;
        }
    }
}

// Gives each forward separator row, in ascending order, to the lane that
// would finish it first, in a model where an entry costs one unit and waits
// until the row it reads is done. A row reads most of its entries long before
// its last ones are ready, so rows of one chain on alternate lanes overlap.
std::vector<int> Planner::assignForwardSeparators(std::vector<int> owner) const
{
    std::vector<double> done(n_, 0.0), clock(lanes_, 0.0);
    for (int t = 0; t < lanes_; ++t)
        for (const int k : plan_.lanes[t].forward.rows) {
            clock[t] += (plan_.columnOwnEnd[k] - shape_.columnStart[k]) + sweepRowOverhead;
            done[k] = clock[t];
        }
    for (int k = 0; k < n_; ++k) {
        if (!plan_.separator[k])
            continue;
        int best = 0;
        double bestFinish = 0.0;
        for (int t = 0; t < lanes_; ++t) {
            double time = clock[t];
            for (int q = plan_.rowStart[k]; q < plan_.rowStart[k + 1]; ++q) {
                const int i = plan_.rowColumn[q];
                time = (owner[i] == t ? time : std::max(time, done[i])) + 1.0;
            }
            if (t == 0 || time < bestFinish) {
                best = t;
                bestFinish = time;
            }
        }
        owner[k] = best;
        clock[best] = done[k] = bestFinish + sweepRowOverhead;
    }
    return owner;
}

// The waits a lane needs in its order: for every other lane, the number of
// its rows that must be done, kept only where it exceeds what an earlier
// wait already ensured. `start`/`index` give the rows each row reads. With
// `withinRows`, a wait is placed before the entry that needs it rather than
// before the row.
void Planner::addSyncs(SweepPlan::Order& order, const std::vector<int>& owner,
                       const std::vector<int>& position, int self, const int* start,
                       const int* index, bool withinRows) const
{
    std::vector<int> ensured(lanes_, 0);
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
            for (int t = 0; t < lanes_; ++t)
                if (needed[t] > ensured[t]) {
                    order.syncs.push_back({static_cast<int>(s), -1, t, needed[t]});
                    ensured[t] = needed[t];
                }
    }
}

// A backward row writes its own unknown and reads those of its column's
// rows; the next forward sweep overwrites every unknown of a lane at its
// start.
void Planner::addBackwardBeforeForward()
{
    std::vector<int> forwardLane(n_);
    for (int t = 0; t < lanes_; ++t)
        for (const int k : plan_.lanes[t].forward.rows)
            forwardLane[k] = t;
    for (SweepPlan::Lane& lane : plan_.lanes)
        lane.backwardBeforeForward.assign(lanes_, 0);
    for (int other = 0; other < lanes_; ++other) {
        const std::vector<int>& rows = plan_.lanes[other].backward.rows;
        for (std::size_t s = 0; s < rows.size(); ++s) {
            const int j = rows[s];
            auto touch = [&](int k) {
                int& needed = plan_.lanes[forwardLane[k]].backwardBeforeForward[other];
                if (forwardLane[k] != other)
                    needed = std::max(needed, static_cast<int>(s) + 1);
            };
            touch(j);
            for (int q = shape_.columnStart[j]; q < shape_.columnStart[j + 1]; ++q)
                touch(shape_.rowIndex[q]);
        }
    }
}

}  // namespace

SweepPlan makeSweepPlan(const FactorShape& shape, int lanes)
{
    return Planner(shape, lanes).plan();
}

}  // namespace Zarvo
