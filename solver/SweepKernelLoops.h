#pragma once

#include "solver/SweepKernels.h"

namespace Zarvo {

// The loops of SweepKernels, written once over a lane policy V that gives
// `Vector` (x, y, z and a zero of one row) and load, store, times, minus and
// timesUnlessZero on it. Instantiate it only with a policy local to the
// translation unit, so that each build keeps its own copy.
template <class V>
struct SweepKernelLoops
{
    using Vector = typename V::Vector;
    using Factor = SweepKernels::Factor;
    using Unknown = SweepKernels::Unknown;

    // Column i of the forward substitution, down to its first separator row:
    // x_j -= L(j, i) x_i for the subtree rows j below i. x_i is final, as
    // every column that changes it comes earlier in the same subtree. The
    // library skips column i while x_i is zero; subtracting +0 instead
    // leaves every value, -0 included, as it is.
    //
    // The rows of a column are distinct, so four entries at a time load
    // their unknowns before any is stored; that keeps more loads in flight
    // and changes no value.
    static void eliminateColumn(const Factor& f, int i)
    {
        Unknown* const x = f.unknowns;
        const Column column(f, i);
        const Vector xi = V::load(x[i]);
        auto update = [&](Unknown& xj, Vector old, int m) {
            V::store(xj, V::minus(old, V::timesUnlessZero(xi, column.value[m])));
        };
        const int* const row = column.row;
        const int end = f.columnOwnEnd[i] - f.columnStart[i];
        int m = 0;
        for (; m + 4 <= end; m += 4) {
            Unknown& a = x[row[m]];
            Unknown& b = x[row[m + 1]];
            Unknown& c = x[row[m + 2]];
            Unknown& d = x[row[m + 3]];
            const Vector oldA = V::load(a), oldB = V::load(b), oldC = V::load(c),
                         oldD = V::load(d);
            update(a, oldA, m);
            update(b, oldB, m + 1);
            update(c, oldC, m + 2);
            update(d, oldD, m + 3);
        }
        for (; m < end; ++m)
            update(x[row[m]], V::load(x[row[m]]), m);
    }

    // The sum stays in registers here; a loop that also waits for other
    // threads kept it in memory, which halved the speed of separator rows.
    static void subtractRowEntries(const Factor& f, Unknown& sum, int begin, int end)
    {
        const Unknown* const x = f.unknowns;
        const int* const column = f.rowColumn;
        const double* const value = f.rowValue;
        Vector s = V::load(sum);
        for (int q = begin; q < end; ++q)
            s = V::minus(s, V::timesUnlessZero(V::load(x[column[q]]), value[q]));
        V::store(sum, s);
    }

    // Row k of the scaling and the backward substitution: x_k / D(k) (as a
    // product with the reciprocal) minus L(j, k) x_j over the column's rows j
    // in ascending order.
    static void solveBackward(const Factor& f, int k)
    {
        const Column column(f, k);
        Vector sum = V::times(V::load(f.unknowns[k]), f.reciprocalDiagonal[k]);
        for (int m = 0; m < column.count; ++m)
            sum = column.subtract(sum, m);
        V::store(f.unknowns[k], sum);
    }

    // Rows a and b of two disjoint subtrees, so that their chains of
    // dependent subtractions overlap.
    static void solveBackwardPair(const Factor& f, int a, int b)
    {
        const Column columnA(f, a), columnB(f, b);
        Vector sumA = V::times(V::load(f.unknowns[a]), f.reciprocalDiagonal[a]);
        Vector sumB = V::times(V::load(f.unknowns[b]), f.reciprocalDiagonal[b]);
        const int both = columnA.count < columnB.count ? columnA.count : columnB.count;
        int m = 0;
        for (; m < both; ++m) {
            sumA = columnA.subtract(sumA, m);
            sumB = columnB.subtract(sumB, m);
        }
        for (int ma = m; ma < columnA.count; ++ma)
            sumA = columnA.subtract(sumA, ma);
        for (int mb = m; mb < columnB.count; ++mb)
            sumB = columnB.subtract(sumB, mb);
        V::store(f.unknowns[a], sumA);
        V::store(f.unknowns[b], sumB);
    }

    static constexpr SweepKernels kernels{eliminateColumn, subtractRowEntries, solveBackward,
                                          solveBackwardPair};

private:
    // Column k of L held in locals: stores to the unknowns could otherwise
    // alias the Factor and reload its pointers at every entry.
    struct Column
    {
        Column(const Factor& f, int k)
            : x(f.unknowns),
              row(f.columnRows + f.columnRowsStart[k]),
              value(f.columnValue + f.columnStart[k]),
              count(f.columnStart[k + 1] - f.columnStart[k])
        {
        }
        // sum - L(j, k) x_j for the column's entry m, row j.
        Vector subtract(Vector sum, int m) const
        {
            return V::minus(sum, V::times(V::load(x[row[m]]), value[m]));
        }
        const Unknown* x;
        const int* row;
        const double* value;
        int count;
    };
};

}  // namespace Zarvo
