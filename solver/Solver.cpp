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
// projections: R x 3) hold one row per point or constraint row. The global
// step solves the three columns together (FactorSweep), reading the factor
// once for x, y and z; it forms each point's right-hand side just before its
// row of the forward substitution. M s is the same in every pass of a step
// and is formed once per step.
//
// Obstacles (a ContactHandler) act after every global solve: each point's
// estimate is moved out of them, so that the next local step sees the body
// where contact leaves it and the step ends outside every obstacle. Contact
// of the body with itself (a SelfContactHandler) acts once, on where the
// last pass ends: it needs the whole body at once.
//
// The step is one OpenMP region with statically scheduled loops over points
// and constraints and a sweep divided by subtrees of the elimination tree,
// separated by barriers. Every value is computed by exactly one thread with
// the same operations in the same order as the library's per-column solve,
// so the result is bitwise that solve's, whatever the number of threads.
#include "solver/Solver.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include <omp.h>

#include "solver/UsableCores.h"

namespace Zarvo {

namespace {

// 1e-4 as a single-precision literal, widened: 9.999999747378752e-05.
constexpr double inertiaScale = 1e-4f;

}  // namespace

Solver::Solver(const Eigen::Map<Eigen::Matrix3Xd>& points, const Eigen::SparseMatrix<double>& masses,
               double timeStep)
    : points(points),
      velocities(Eigen::Matrix3Xd::Zero(3, points.cols())),
      velocityFactors(Eigen::VectorXd::Ones(points.cols())),
      timeStep(timeStep),
      inertia(masses),
      threadCount_(omp_get_max_threads())
{
    if (!(timeStep > 0.0))
        throw std::invalid_argument("Solver: the time step must be above zero");
    // Multiply, then divide: m × 1e-4 ÷ timeStep², with timeStep² (for the
    // default step 0.010000000298023226) computed in double.
    const double timeStepSquared = timeStep * timeStep;
    for (int k = 0; k < inertia.outerSize(); ++k)
        for (Eigen::SparseMatrix<double>::InnerIterator it(inertia, k); it; ++it)
            it.valueRef() = it.value() * inertiaScale / timeStepSquared;
}

void Solver::addConstraint(std::shared_ptr<Constraint> constraint)
{
    const Eigen::Index n = points.cols();
    for (const int index : constraint->indices)
        if (index < 0 || index >= n)
            throw std::out_of_range("Solver::addConstraint: point index " + std::to_string(index) +
                                    " outside 0 ... " + std::to_string(n - 1));
    constraints.push_back(std::move(constraint));
}

void Solver::addForce(std::shared_ptr<Force> force)
{
    forces.push_back(std::move(force));
}

void Solver::setContactHandler(std::shared_ptr<ContactHandler> handler)
{
    contact_ = std::move(handler);
}

void Solver::setSelfContactHandler(std::shared_ptr<SelfContactHandler> handler)
{
    if (handler && handler->pointCount() != points.cols())
        throw std::invalid_argument("Solver::setSelfContactHandler: the handler is for "
                                    + std::to_string(handler->pointCount()) + " points, the body has "
                                    + std::to_string(points.cols()));
    selfContact_ = std::move(handler);
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
    assembled_ = static_cast<int>(constraints.size());

    constraintMatrix = Eigen::SparseMatrix<double>(nextRow, n);
    constraintMatrix.setFromTriplets(triplets.begin(), triplets.end());
    constraintMatrixT = constraintMatrix.transpose();

    projections.resize(nextRow, 3);
    estimate.resize(n, 3);
    prediction.resize(n, 3);
    rightHandSide.resize(n, 3);
    inertialTerm_.resize(n, 3);
    inertiaRows_ = inertia;

    systemMatrix = inertia + constraintMatrixT * constraintMatrix;
    ldlt.compute(systemMatrix);
    factorized_ = ldlt.info() == Eigen::Success;
    sweep_ = FactorSweep();  // nothing of an earlier factor survives
    if (factorized_) {
        std::vector<int> pointCost(n);
        for (int i = 0; i < n; ++i)
            pointCost[i] = static_cast<int>(constraintMatrix.col(i).nonZeros() +
                                            inertiaRows_.row(i).nonZeros());
        sweep_.build(ldlt, pointCost);
    }
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

// Row `point` of inertia x prediction, summed from zero in ascending column
// order as the column-major product does.
void Solver::weighPrediction(int point)
{
    for (int c = 0; c < 3; ++c) {
        double sum = 0.0;
        for (Eigen::SparseMatrix<double, Eigen::RowMajor>::InnerIterator it(inertiaRows_, point); it;
             ++it)
            sum += it.value() * prediction(it.col(), c);
        inertialTerm_(point, c) = sum;
    }
}

// Row `point` of the right-hand side: the inertial term plus row `point` of
// Aᵀ x projections, that is column `point` of A, summed from zero in
// ascending constraint row order as the product with Aᵀ does. Also written
// to `sum` (3 values).
void Solver::formRightHandSide(int point, double* sum)
{
    const double* value = constraintMatrix.valuePtr();
    const int* row = constraintMatrix.innerIndexPtr();
    const int begin = constraintMatrix.outerIndexPtr()[point];
    const int end = constraintMatrix.outerIndexPtr()[point + 1];
    const Eigen::Index rows = projections.rows();
    const double* projected = projections.data();
    double pulls[3] = {0.0, 0.0, 0.0};
    for (int q = begin; q < end; ++q)
        for (int c = 0; c < 3; ++c)
            pulls[c] += value[q] * projected[c * rows + row[q]];
    for (int c = 0; c < 3; ++c) {
        sum[c] = inertialTerm_(point, c) + pulls[c];
        rightHandSide(point, c) = sum[c];
    }
}

void Solver::update(int point)
{
    for (int c = 0; c < 3; ++c)
        velocities(c, point) =
            (estimate(point, c) - points(c, point)) * velocityFactors(point) / timeStep;
    points.col(point) = estimate.row(point).transpose();
}

// The local step of a pass, ending at a barrier: every projection and the
// step's inertial term are complete before any right-hand side is formed.
void Solver::localStep(int numConstraints)
{
    if (numConstraints > 0) {
#pragma omp for schedule(static) nowait
        for (int k = 0; k < numConstraints; ++k)
            constraints[k]->project(estimate, projections);
    }
#pragma omp barrier
}

void Solver::resolveContacts(bool last)
{
    const int n = static_cast<int>(points.cols());
#pragma omp for schedule(static)
    for (int i = 0; i < n; ++i) {
        Eigen::Vector3d position = estimate.row(i).transpose();
        contact_->resolve(i, points.col(i), position, last);
        estimate.row(i) = position.transpose();
    }
}

void Solver::iterate(int numConstraints, int, int)
{
    localStep(numConstraints);
    const int n = static_cast<int>(points.cols());
    if (!factorized_) {
        // A failed factorization solves nothing: the estimate stays.
        double sum[3];
#pragma omp for schedule(static)
        for (int i = 0; i < n; ++i)
            formRightHandSide(i, sum);
        return;
    }

    const int thread = omp_get_thread_num();
    sweep_.forward(thread, [this](int point, double* sum) { formRightHandSide(point, sum); });
#pragma omp barrier
    sweep_.backward(thread, [this](int point, const double* x) {
        for (int c = 0; c < 3; ++c)
            estimate(point, c) = x[c];
    });
    // The next pass's projections and the update read every point's estimate.
#pragma omp barrier
}

void Solver::iterateReference(int numConstraints, int, int)
{
    localStep(numConstraints);
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
    advance(&Solver::iterate);
}

void Solver::referenceStep()
{
    advance(&Solver::iterateReference);
}

void Solver::advance(PassMember passMember)
{
    using std::placeholders::_1;
    const int n = static_cast<int>(points.cols());
    const int numConstraints = std::min(assembled_, static_cast<int>(constraints.size()));
    const auto bound = std::bind(passMember, this, numConstraints, 0, _1);
    // Held by reference, so that no thread's copy of it needs heap memory.
    const std::function<void(int)> pass = std::cref(bound);

    // More threads than the cores the process may use only wait for each
    // other at every barrier: the step runs on no more threads than cores
    // (the sweep would use no more lanes anyway). The bits never depend on
    // the count.
    const int threads = std::min(omp_get_max_threads(), usableCores());
    if (contact_)
        contact_->prepare(n);
#pragma omp parallel num_threads(threads)
    {
        // On the calling thread, so that the plans always come from its heap:
        // a worker's heap would keep them after the thread count changes.
#pragma omp master
        if (factorized_)
            sweep_.schedule(omp_get_num_threads());
#pragma omp barrier

        if (n > 0) {
#pragma omp for schedule(static)
            for (int i = 0; i < n; ++i)
                predict(i);
            // The pass's first barrier orders it before any right-hand side.
#pragma omp for schedule(static) nowait
            for (int i = 0; i < n; ++i)
                weighPrediction(i);
            if (contact_) {
#pragma omp for schedule(static) nowait
                for (int i = 0; i < n; ++i)
                    contact_->startStep(i, points.col(i));
            }
        }

        const std::function<void(int)> threadPass = pass;
        for (int k = iterations_; k >= 0; --k) {
            threadPass(k);
            if (contact_)
                resolveContacts(k == 0);
        }
        if (selfContact_)
            selfContact_->finish(points, estimate, contact_.get());

        if (n > 0) {
#pragma omp for schedule(static)
            for (int i = 0; i < n; ++i)
                update(i);
        }
    }
}

}  // namespace Zarvo
