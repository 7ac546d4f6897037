#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include <omp.h>

#include "SolverTestSupport.h"
#include "solver/FactorSweep.h"
#include "surface_mesh/Surface_mesh.h"

namespace Zarvo {
namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Both sets of loops, on 1 to 5 lanes (also more than the cores) in a
// parallel region of two threads more, three
// solves in a row with no barrier between one's backward sweep and the
// next's forward sweep, against the library's solve of each column. The
// system holds two separate bodies: one with a right-hand side of +0 and -0
// only, whose solution keeps the signs of its zeros (the library skips a
// column whose unknown is zero, where -0 minus -0 would give +0), and one
// with values.
TEST(FactorSweep, BothVectorWidthsSolveBitForBitAsTheLibraryDoesColumnByColumn)
{
    surface_mesh::Surface_mesh mesh;
    testing::makeGrid(mesh, 24, 0.25);
    const auto solver = testing::makeClothSolver(mesh);
    const int body = static_cast<int>(solver->points.cols());
    const int n = 2 * body;
    std::vector<Eigen::Triplet<double>> entries;
    for (int k = 0; k < solver->systemMatrix.outerSize(); ++k)
        for (Eigen::SparseMatrix<double>::InnerIterator it(solver->systemMatrix, k); it; ++it)
            for (const int offset : {0, body})
                entries.emplace_back(it.row() + offset, it.col() + offset, it.value());
    Eigen::SparseMatrix<double> twoBodies(n, n);
    twoBodies.setFromTriplets(entries.begin(), entries.end());
    const FactorSweep::Factorization ldlt(twoBodies);
    ASSERT_EQ(ldlt.info(), Eigen::Success);

    std::mt19937 random(7);
    std::bernoulli_distribution negative;
    std::normal_distribution<double> value;
    Eigen::MatrixXd rightHandSide(n, 3);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            rightHandSide(i, c) = i < body ? (negative(random) ? -0.0 : 0.0) : value(random);
    constexpr int solves = 3;
    std::vector<Eigen::MatrixXd> expected(solves, Eigen::MatrixXd(n, 3));
    for (int r = 0; r < solves; ++r)
        for (int c = 0; c < 3; ++c)
            expected[r].col(c) = ldlt.solve((r + 1.0) * rightHandSide.col(c));

    const int before = omp_get_max_threads();
    for (const auto vectors : {FactorSweep::Vectors::Baseline, FactorSweep::Vectors::Widest})
        for (int lanes = 1; lanes <= 5; ++lanes) {
            FactorSweep sweep;
            sweep.build(ldlt, std::vector<int>(n, 1), vectors);
            std::vector<Eigen::MatrixXd> solution(solves, Eigen::MatrixXd::Constant(n, 3, 99.0));
            // Two threads more than lanes: they take no part.
            omp_set_num_threads(lanes + 2);
#pragma omp parallel
            {
#pragma omp single
                sweep.schedule(omp_get_num_threads(), lanes);
                const int thread = omp_get_thread_num();
                for (int r = 0; r < solves; ++r) {
                    sweep.forward(thread, [&](int point, double* b) {
                        for (int c = 0; c < 3; ++c)
                            b[c] = (r + 1.0) * rightHandSide(point, c);
                    });
#pragma omp barrier
                    sweep.backward(thread, [&](int point, const double* x) {
                        for (int c = 0; c < 3; ++c)
                            solution[r](point, c) = x[c];
                    });
                }
            }
            ASSERT_EQ(sweep.lanes(), lanes);
            for (int r = 0; r < solves; ++r) {
                int different = 0;
                for (int i = 0; i < n; ++i)
                    for (int c = 0; c < 3; ++c)
                        different += !sameBits(solution[r](i, c), expected[r](i, c));
                EXPECT_EQ(different, 0)
                    << lanes << " lanes, solve " << r << ", "
                    << (vectors == FactorSweep::Vectors::Widest ? "widest" : "baseline");
            }
        }
    omp_set_num_threads(before);
}

}  // namespace
}  // namespace Zarvo
