#pragma once

#include <memory>
#include <vector>

#include <Eigen/Core>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include "constraints/Constraint.h"
#include "solver/ContactHandler.h"
#include "solver/FactorSweep.h"
#include "solver/SelfContactHandler.h"
#include "solver/Force.h"

namespace Zarvo {

// The simulation state of one deformable body and its pre-factorized
// local/global system. Build it over the body's positions, add constraints
// and forces, initialize() once, then step() once per frame.
class Solver
{
public:
    // `points`: 3 x n view of the body's positions (column i = point i),
    // written in place by every step; `masses`: n x n lumped (diagonal) mass
    // matrix, not kept; `timeStep`: seconds per step, fixed for the solver's
    // life because the factorized system depends on it.
    Solver(const Eigen::Map<Eigen::Matrix3Xd>& points, const Eigen::SparseMatrix<double>& masses,
           double timeStep = 0.1f);

    // Constraints enter the system only if added before initialize(); one
    // added later is kept but never projected. Throws std::out_of_range if
    // the constraint names a point outside 0 ... n - 1.
    void addConstraint(std::shared_ptr<Constraint> constraint);
    // Forces may be added at any time.
    void addForce(std::shared_ptr<Force> force);
    // Keeps the points out of obstacles after every global solve; none (the
    // default) steps exactly as a body in empty space. May be set at any
    // time between steps.
    void setContactHandler(std::shared_ptr<ContactHandler> handler);
    // Keeps the body from passing through itself at the end of every step;
    // none (the default) lets it. Throws std::invalid_argument if the handler
    // was made for another number of points.
    void setSelfContactHandler(std::shared_ptr<SelfContactHandler> handler);

    // Assembles the constraint matrix A (R x n), its transpose and
    // inertia + AᵀA, and factorizes the latter. Calling it again rebuilds all.
    void initialize();

    // One time step: prediction, iterations() + 1 local/global passes, update.
    void step();

    // The same step with the library's solve, one coordinate column per call
    // and per thread. Slower; kept to check and measure step() against: both
    // give the same bits.
    void referenceStep();

    // One local/global pass; every thread of the step's region must call it
    // (it holds worksharing loops and barriers). Only `numConstraints` is read.
    void iterate(int numConstraints, int second, int pass);

    int iterations() const { return iterations_; }
    void setIterations(int count) { iterations_ = count; }
    int threadCount() const { return threadCount_; }
    // Stores `count` and sets OpenMP's thread count for the next step, which
    // runs on at most as many threads as the process has usable cores.
    void setThreadCount(int count);
    int constraintCount() const { return static_cast<int>(constraints.size()); }

    Eigen::Map<Eigen::Matrix3Xd> points;
    Eigen::Matrix3Xd velocities;
    Eigen::VectorXd velocityFactors;
    // Seconds per step; by default 0.1 as a single-precision literal:
    // 0.10000000149011612.
    const double timeStep;
    std::vector<std::shared_ptr<Constraint>> constraints;
    std::vector<std::shared_ptr<Force>> forces;
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
    Eigen::SparseMatrix<double> inertia;
    Eigen::SparseMatrix<double> constraintMatrix;
    Eigen::SparseMatrix<double> constraintMatrixT;
    Eigen::SparseMatrix<double> systemMatrix;
    PointRows projections;     // R x 3
    PointRows estimate;        // n x 3, the current iterate
    PointRows prediction;      // n x 3
    PointRows rightHandSide;   // n x 3

private:
    using PassMember = void (Solver::*)(int, int, int);

    // Prediction, passes through `passMember`, update: the shape of a step.
    void advance(PassMember passMember);
    // The global step of iterate() done as in referenceStep().
    void iterateReference(int numConstraints, int second, int pass);
    void localStep(int numConstraints);
    // Every point's estimate moved out of the obstacles, ending at a
    // barrier; `last`: after the step's last pass.
    void resolveContacts(bool last);
    void predict(int point);
    void weighPrediction(int point);
    void formRightHandSide(int point, double* sum);
    void update(int point);

    int iterations_ = 10;
    int threadCount_;
    int assembled_ = 0;                  // constraints with rows in the system
    bool factorized_ = false;            // ldlt succeeded at initialize()
    Eigen::SparseMatrix<double, Eigen::RowMajor> inertiaRows_;  // inertia by rows
    PointRows inertialTerm_;             // n x 3: inertia x prediction, per step
    FactorSweep sweep_;
    std::shared_ptr<ContactHandler> contact_;
    std::shared_ptr<SelfContactHandler> selfContact_;
};

}  // namespace Zarvo
