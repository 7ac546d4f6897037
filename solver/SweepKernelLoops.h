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
        const int* const row = f.columnRow;
        const double* const value = f.columnValue;
        const Vector xi = V::load(x[i]);
        auto update = [&](Unknown& xj, Vector old, int q) {
            V::store(xj, V::minus(old, V::timesUnlessZero(xi, value[q])));
        };
        int q = f.columnStart[i];
        const int end = f.columnOwnEnd[i];
        for (; q + 4 <= end; q += 4) {
            Unknown& a = x[row[q]];
            Unknown& b = x[row[q + 1]];
            Unknown& c = x[row[q + 2]];
            Unknown& d = x[row[q + 3]];
            const Vector oldA = V::load(a), oldB = V::load(b), oldC = V::load(c),
                         oldD = V::load(d);
            update(a, oldA, q);
            update(b, oldB, q + 1);
            update(c, oldC, q + 2);
            update(d, oldD, q + 3);
        }
        for (; q < end; ++q)
            update(x[row[q]], V::load(x[row[q]]), q);
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
        const Column column(f);
        Vector sum = V::times(V::load(f.unknowns[k]), f.reciprocalDiagonal[k]);
        for (int q = f.columnStart[k], end = f.columnStart[k + 1]; q < end; ++q)
            sum = column.subtract(sum, q);
        V::store(f.unknowns[k], sum);
    }

    // Rows a and b of two disjoint subtrees, so that their chains of
    // dependent subtractions overlap.
    static void solveBackwardPair(const Factor& f, int a, int b)
    {
        const Column column(f);
        Vector sumA = V::times(V::load(f.unknowns[a]), f.reciprocalDiagonal[a]);
        Vector sumB = V::times(V::load(f.unknowns[b]), f.reciprocalDiagonal[b]);
        int qa = f.columnStart[a], qb = f.columnStart[b];
        const int endA = f.columnStart[a + 1], endB = f.columnStart[b + 1];
        for (; qa < endA && qb < endB; ++qa, ++qb) {
            sumA = column.subtract(sumA, qa);
            sumB = column.subtract(sumB, qb);
        }
        for (; qa < endA; ++qa)
            sumA = column.subtract(sumA, qa);
        for (; qb < endB; ++qb)
            sumB = column.subtract(sumB, qb);
        V::store(f.unknowns[a], sumA);
        V::store(f.unknowns[b], sumB);
    }

    static constexpr SweepKernels kernels{eliminateColumn, subtractRowEntries, solveBackward,
                                          solveBackwardPair};

private:
    // The factor's columns held in locals: stores to the unknowns could
    // otherwise alias the Factor and reload its pointers at every entry.
    struct Column
    {
        explicit Column(const Factor& f) : x(f.unknowns), row(f.columnRow), value(f.columnValue) {}
        // sum - L(j, k) x_j for the entry L(j, k) of column k.
        Vector subtract(Vector sum, int entry) const
        {
            return V::minus(sum, V::times(V::load(x[row[entry]]), value[entry]));
        }
        const Unknown* x;
        const int* row;
        const double* value;
    };
};

}  // namespace Zarvo
