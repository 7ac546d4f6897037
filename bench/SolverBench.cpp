// Time of Solver::step and Solver::initialize on square cloth grids set up as
// the cloth scene sets up its mesh: edge strain and bending constraints, one
// handle on every fifth top-edge vertex, gravity.
#include <benchmark/benchmark.h>

#include <omp.h>

#include <functional>
#include <memory>
#include <vector>

#include "constraints/ConstraintFactories.h"
#include "constraints/HandleConstraint.h"
#include "solver/GravityForce.h"
#include "solver/MeshAdapters.h"
#include "solver/Solver.h"
#include "surface_mesh/Surface_mesh.h"

namespace {

using surface_mesh::Surface_mesh;
using surface_mesh::Vertex;

// The cloth scene's weights, single-precision values widened on each call.
constexpr float strainWeight = 0.005f;
constexpr float bendingWeight = 8e-06f;
constexpr double spacing = 0.25;  // the shipped cloth's vertex spacing
constexpr int handleStride = 5;

// A vertical side x side grid hanging down from y = 0, row 0 the top edge.
void fillClothGrid(Surface_mesh& mesh, int side)
{
    for (int row = 0; row < side; ++row)
        for (int col = 0; col < side; ++col)
            mesh.add_vertex(surface_mesh::Vector<double, 3>(col * spacing, -row * spacing, 0.0));
    auto at = [side](int row, int col) { return Vertex(row * side + col); };
    for (int row = 0; row + 1 < side; ++row)
        for (int col = 0; col + 1 < side; ++col) {
            mesh.add_face({at(row, col), at(row + 1, col), at(row + 1, col + 1)});
            mesh.add_face({at(row, col), at(row + 1, col + 1), at(row, col + 1)});
        }
}

// Declared mesh first, so that the solver, which views the mesh's points,
// goes first.
struct Cloth
{
    Surface_mesh mesh;
    std::shared_ptr<Zarvo::Solver> solver;
};

// Everything up to, but not including, initialize().
void buildSolver(Cloth& cloth, int side)
{
    using namespace std::placeholders;
    fillClothGrid(cloth.mesh, side);
    Eigen::SparseMatrix<double> masses;
    Zarvo::buildMassMatrix(cloth.mesh, masses);
    cloth.solver = std::make_shared<Zarvo::Solver>(Zarvo::pointsView(cloth.mesh), masses);
    Zarvo::forEachEdge(cloth.mesh,
                       std::bind(&Zarvo::addStrainConstraint, cloth.solver, strainWeight, _1, _2));
    Zarvo::forEachInteriorEdge(
        cloth.mesh, std::bind(&Zarvo::addBendingConstraint, cloth.solver, bendingWeight, _1, _2));

    std::vector<int> pinned;
    for (int col = 0; col < side; col += handleStride)
        pinned.push_back(col);
    const auto points = Zarvo::pointsView(cloth.mesh);
    Eigen::Matrix3Xd targets(3, static_cast<Eigen::Index>(pinned.size()));
    for (std::size_t j = 0; j < pinned.size(); ++j)
        targets.col(static_cast<Eigen::Index>(j)) = points.col(pinned[j]);
    cloth.solver->addConstraint(std::make_shared<Zarvo::HandleConstraint>(pinned, targets));

    auto gravity = std::make_shared<Zarvo::GravityForce>();
    gravity->gravity = Eigen::Vector3d(0, -10, 0);
    cloth.solver->addForce(gravity);
}

// Arguments: grid side (vertices per edge), thread count.
void stepCloth(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    Cloth cloth;
    buildSolver(cloth, side);
    cloth.solver->initialize();
    const int previousThreads = omp_get_max_threads();
    cloth.solver->setThreadCount(threads);
    for (auto _ : state)
        cloth.solver->step();
    omp_set_num_threads(previousThreads);
    state.counters["vertices"] = side * side;
    state.counters["constraints"] = static_cast<double>(cloth.solver->constraintCount());
}

// Argument: grid side. Times assembly and factorization only.
void initializeCloth(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto cloth = std::make_unique<Cloth>();
        buildSolver(*cloth, side);
        state.ResumeTiming();
        cloth->solver->initialize();
        state.PauseTiming();
        cloth.reset();
        state.ResumeTiming();
    }
    state.counters["vertices"] = side * side;
}

// 41 x 41 = 1681, 100 x 100 = 10000 and 158 x 158 = 24964 vertices.
const std::vector<int64_t> sides = {41, 100, 158};

}  // namespace

BENCHMARK(stepCloth)
    ->ArgsProduct({sides, {1, 2}})
    ->ArgNames({"side", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(initializeCloth)
    ->ArgsProduct({sides})
    ->ArgNames({"side"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
