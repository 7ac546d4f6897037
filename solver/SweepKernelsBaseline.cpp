#include "solver/SweepKernelLoops.h"

namespace Zarvo {

namespace {

// A row as two 128-bit pairs, (x, y) and (z, 0).
struct PairLanes
{
    typedef double Pair __attribute__((vector_size(16)));
    typedef long long PairMask __attribute__((vector_size(16)));
    struct Vector
    {
        Pair xy;
        Pair zw;
    };

    // Vector types may alias their element type.
    static Vector load(const SweepKernels::Unknown& u)
    {
        return {*reinterpret_cast<const Pair*>(u.value),
                *reinterpret_cast<const Pair*>(u.value + 2)};
    }
    static void store(SweepKernels::Unknown& u, Vector v)
    {
        *reinterpret_cast<Pair*>(u.value) = v.xy;
        *reinterpret_cast<Pair*>(u.value + 2) = v.zw;
    }
    static Vector times(Vector x, double l) { return {x.xy * l, x.zw * l}; }
    static Vector minus(Vector a, Vector b) { return {a.xy - b.xy, a.zw - b.zw}; }
    // x l, or +0 in a lane where x is zero.
    static Pair pairUnlessZero(Pair x, double l)
    {
        const Pair zero = {0.0, 0.0};
        return __builtin_bit_cast(Pair, __builtin_bit_cast(PairMask, x * l) & (x != zero));
    }
    static Vector timesUnlessZero(Vector x, double l)
    {
        return {pairUnlessZero(x.xy, l), pairUnlessZero(x.zw, l)};
    }
};

}  // namespace

const SweepKernels& SweepKernels::baseline()
{
    return SweepKernelLoops<PairLanes>::kernels;
}

}  // namespace Zarvo
