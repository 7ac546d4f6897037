#pragma once

namespace Zarvo {

// The innermost loops of FactorSweep, in two builds: the baseline instruction
// set and, where compiler and processor have them, 256-bit vectors. Each
// lane is a separate multiplication or subtraction with the rounding of a
// scalar one (no fused operations), so both builds give the same bits; the
// wide one needs half the instructions.
//
// This header includes nothing: the wide build is compiled with other
// instruction-set options, and must not emit inline functions that the rest
// of the program could share.
struct SweepKernels
{
    // x, y, z and an unused zero of one row of the sweep.
    struct alignas(32) Unknown
    {
        double value[4];
    };

    // What the loops read: L by columns (strictly lower part, ascending
    // rows), where each column's subtree rows end, the separator rows of L by
    // rows, the reciprocals of D, and the unknowns (one per row). Column k's
    // rows are columnRows[columnRowsStart[k] ...], a list that the columns of
    // one supernode share.
    struct Factor
    {
        const int* columnStart = nullptr;
        const int* columnRowsStart = nullptr;
        const int* columnRows = nullptr;
        const double* columnValue = nullptr;
        const int* columnOwnEnd = nullptr;
        const int* rowStart = nullptr;
        const int* rowColumn = nullptr;
        const double* rowValue = nullptr;
        const double* reciprocalDiagonal = nullptr;
        Unknown* unknowns = nullptr;
    };

    // Forward: column i down to its first separator row.
    void (*eliminateColumn)(const Factor& factor, int i);
    // Forward: sum minus L(k, i) x_i over the row copy's entries begin ...
    // end - 1, in order.
    void (*subtractRowEntries)(const Factor& factor, Unknown& sum, int begin, int end);
    // Backward: row k, or rows a and b together.
    void (*solveBackward)(const Factor& factor, int k);
    void (*solveBackwardPair)(const Factor& factor, int a, int b);

    static const SweepKernels& baseline();
    // The 256-bit loops, or nullptr where this build has none. Call only
    // where the processor has AVX.
    static const SweepKernels* wide();
};

}  // namespace Zarvo
