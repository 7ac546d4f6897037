#pragma once

#include <vector>

namespace Zarvo {

// The shape of a factor L of an LDLᵀ factorization, as a sweep over it
// needs it: L by columns (each column's rows ascending, no diagonal), its
// elimination tree and the work of each row.
struct FactorShape
{
    int size = 0;
    const int* columnStart = nullptr;  // size + 1 offsets
    const int* rowIndex = nullptr;     // row of each entry
    std::vector<int> parent;           // elimination tree, -1 at a root
    std::vector<double> cost;          // work of each row, any unit
};

// Which rows each lane of a sweep solves, in what order, and where it waits
// for rows of other lanes; made by makeSweepPlan, run by FactorSweep.
//
// Lanes own whole subtrees of the elimination tree, and each subtree's rows
// are read and written only by its owner. The rows above the subtrees (the
// separators) are shared: forward, a separator is solved row by row over a
// copy of its row of L, waiting before each entry whose unknown another lane
// computes; backward, a row waits before it starts for the rows it reads.
struct SweepPlan
{
    // Before the row at `position` of its order (before entry `entry` of a
    // separator's row copy, or before the whole row where -1), a lane waits
    // until lane `lane` has finished `rows` rows of its order in the same
    // sweep.
    struct Sync
    {
        int position;
        int entry;
        int lane;
        int rows;
    };
    // The rows one lane solves in one sweep, in order, with its waits by
    // position. Positions pairBegin ... pairEnd - 1 hold pairs of rows from
    // two disjoint subtrees, which are solved together so that their chains
    // of subtractions overlap (backward only).
    struct Order
    {
        std::vector<int> rows;
        std::vector<Sync> syncs;
        int pairBegin = 0;
        int pairEnd = 0;
    };
    struct Lane
    {
        Order forward;
        Order backward;
        // A forward sweep starts by overwriting the lane's rows, which the
        // backward sweep before it may still read or write on other lanes:
        // per lane, how many rows of that backward sweep must be finished
        // first (0: none of its rows touches ours).
        std::vector<int> backwardBeforeForward;
    };

    std::vector<char> separator;  // per row
    // Separator rows of L by rows, columns ascending: row k's entries are
    // rowStart[k] ... rowStart[k + 1] - 1, each at L's entry rowEntry[e] of
    // column rowColumn[e]; other rows are empty.
    std::vector<int> rowStart, rowColumn, rowEntry;
    // Where each column's entries in non-separator rows end: separators sit
    // above every subtree row they meet, so they come last in a column.
    std::vector<int> columnOwnEnd;
    std::vector<Lane> lanes;
};

// Work of one row beyond its entries (loads, stores, the progress counter),
// in the units of one entry of L: part of every row's cost.
inline constexpr double sweepRowOverhead = 4.0;

// Plans sweeps over `shape` for `lanes` lanes (at least 1), balancing the
// rows' costs. Every row is planned exactly once in each direction, after
// the rows it reads on its own lane, and after a wait for every row it reads
// on another lane; no chain of waits can close.
SweepPlan makeSweepPlan(const FactorShape& shape, int lanes);

}  // namespace Zarvo
