// The local/global solver.
//
// Every constraint owns a fixed block of rows of one sparse matrix A
// (R x n, one column per point) and, in each pass, fresh target values for
// those rows (its projections). Per coordinate, a pass minimises
//   (q - s)ᵀ M (q - s) + |A q - p|²
// over the positions q, with s the inertial prediction, M the inertia term and
// p the projections: (M + AᵀA) q = M s + Aᵀ p. The matrix M + AᵀA never
// changes after initialize(), so it is factorized once and every pass costs
// two sparse products and a pair of triangular solves per coordinate.
//
// Layouts: the state (points, velocities) is 3 x n, one column per point;
// the work matrices (prediction, estimate, right-hand side: n x 3;
// projections: R x 3) hold one row per point or constraint row, so that each
// coordinate is one contiguous column solved on its own.
//
// The step is one OpenMP region with statically scheduled loops over points,
// constraints and the three coordinates, separated by barriers. Every value
// is computed by exactly one thread in a fixed order, so the result is
// bitwise the same whatever the number of threads.
#include "solver/Solver.h"

#include <functional>

#include <omp.h>

namespace Zarvo {

namespace {

// 1e-4 as a single-precision literal, widened: 9.999999747378752e-05.
constexpr double inertiaScale = 1e-4f;

}  // namespace

Solver::Solver(const Eigen::Map<Eigen::Matrix3Xd>& points, const Eigen::SparseMatrix<double>& masses)
    : points(points),
      velocities(Eigen::Matrix3Xd::Zero(3, points.cols())),
      velocityFactors(Eigen::VectorXd::Ones(points.cols())),
      inertia(masses),
      threadCount_(omp_get_max_threads())
{
    // Multiply, then divide: m × 1e-4 ÷ timeStep², with timeStep² =
    // 0.010000000298023226 computed in double.
    const double timeStepSquared = timeStep * timeStep;
    for (int k = 0; k < inertia.outerSize(); ++k)
        for (Eigen::SparseMatrix<double>::InnerIterator it(inertia, k); it; ++it)
            it.valueRef() = it.value() * inertiaScale / timeStepSquared;
}

void Solver::addConstraint(std::shared_ptr<Constraint> constraint)
{
    constraints.push_back(std::move(constraint));
}

void Solver::addForce(std::shared_ptr<Force> force)
{
    forces.push_back(std::move(force));
}

void Solver::setThreadCount(int count)
{
    threadCount_ = count;
    omp_set_num_threads(count);
}

void Solver::initialize()
{
    const int n = static_cast<int>(points.cols());
    std::vector<Eigen::Triplet<double>> triplets;
    int nextRow = 0;
    for (const auto& constraint : constraints)
        constraint->addTriplets(triplets, nextRow, n);

    constraintMatrix = Eigen::SparseMatrix<double>(nextRow, n);
    constraintMatrix.setFromTriplets(triplets.begin(), triplets.end());
    constraintMatrixT = constraintMatrix.transpose();

    projections.resize(nextRow, 3);
    estimate.resize(n, 3);
    prediction.resize(n, 3);
    rightHandSide.resize(n, 3);

    systemMatrix = inertia + constraintMatrixT * constraintMatrix;
    ldlt.compute(systemMatrix);
}

void Solver::predict(int point)
{
    const double timeStepSquared = timeStep * timeStep;
    prediction.row(point).setZero();
    for (const auto& force : forces) {
        const Eigen::Vector3d position = points.col(point);
        const Eigen::Vector3d acceleration = force->apply(position, point);
        for (int c = 0; c < 3; ++c)
            prediction(point, c) += acceleration(c) * timeStepSquared;
    }
    const Eigen::Vector3d inertial = velocities.col(point) * timeStep + points.col(point);
    prediction.row(point) += inertial.transpose();
    estimate.row(point) = prediction.row(point);
}

void Solver::update(int point)
{
    for (int c = 0; c < 3; ++c)
        velocities(c, point) =
            (estimate(point, c) - points(c, point)) * velocityFactors(point) / timeStep;
    points.col(point) = estimate.row(point).transpose();
}

void Solver::iterate(int numConstraints, int, int)
{
    if (numConstraints > 0) {
#pragma omp for schedule(static)
        for (int k = 0; k < numConstraints; ++k)
            constraints[k]->project(estimate, projections);
    }

#pragma omp for schedule(static)
    for (int c = 0; c < 3; ++c) {
        const Eigen::VectorXd inertial = inertia * prediction.col(c);
        const Eigen::VectorXd pulls = constraintMatrixT * projections.col(c);
        rightHandSide.col(c) = inertial + pulls;
        estimate.col(c) = ldlt.solve(rightHandSide.col(c));
    }
}

void Solver::step()
{
    using std::placeholders::_1;
    const int n = static_cast<int>(points.cols());
    const int numConstraints = static_cast<int>(constraints.size());
    const std::function<void(int)> pass = std::bind(&Solver::iterate, this, numConstraints, 0, _1);

#pragma omp parallel if (true)
    {
        if (n > 0) {
#pragma omp for schedule(static)
            for (int i = 0; i < n; ++i)
                predict(i);
        }

        const std::function<void(int)> threadPass = pass;
        for (int k = iterations_; k >= 0; --k)
            threadPass(k);

        if (n > 0) {
#pragma omp for schedule(static)
            for (int i = 0; i < n; ++i)
                update(i);
        }
    }
}

}  // namespace Zarvo
