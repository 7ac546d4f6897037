// Compiled with AVX where the compiler offers it (see CMakeLists.txt).
#include "solver/SweepKernelLoops.h"

namespace Zarvo {

#ifdef __AVX__

namespace {

// A row as one 256-bit vector (x, y, z, 0).
struct QuadLanes
{
    typedef double Vector __attribute__((vector_size(32)));
    typedef long long Mask __attribute__((vector_size(32)));

    // Vector types may alias their element type; Unknown is 32-byte aligned.
    static Vector load(const SweepKernels::Unknown& u)
    {
        return *reinterpret_cast<const Vector*>(u.value);
    }
    static void store(SweepKernels::Unknown& u, Vector v)
    {
        *reinterpret_cast<Vector*>(u.value) = v;
    }
    static Vector times(Vector x, double l) { return x * l; }
    static Vector minus(Vector a, Vector b) { return a - b; }
    // x l, or +0 in a lane where x is zero.
    static Vector timesUnlessZero(Vector x, double l)
    {
        const Vector zero = {0.0, 0.0, 0.0, 0.0};
        return __builtin_bit_cast(Vector, __builtin_bit_cast(Mask, x * l) & (x != zero));
    }
};

}  // namespace

const SweepKernels* SweepKernels::wide()
{
    return &SweepKernelLoops<QuadLanes>::kernels;
}

#else

const SweepKernels* SweepKernels::wide()
{
    return nullptr;
}

#endif

}  // namespace Zarvo
