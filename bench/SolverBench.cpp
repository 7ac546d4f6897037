// Solver::step against the plain step (Solver::referenceStep: the library's
// solve, one coordinate column per call and thread), on square cloth grids
// and, when the scenes are built, on the three shipped scenes.
//
// Each benchmark builds the same body twice, checks that both steps give the
// same bits, then alternates two steps of each, so that both see the same
// machine load. The first of the two follows the other body's steps, the
// second its own previous step, as in the program, where one body steps
// frame after frame; on a shared machine the gap alone costs the first some
// of its data in the caches. Reported per step: `step_ms` and `plain_ms`
// (medians of the first steps), their ratio `plain/step`, the same of the
// second steps as `warm_step_ms`, `warm_plain_ms` and `warm_plain/step`, and
// the first body's `initialize_ms` and `setup_MB`, the peak resident memory
// its construction and initialize() added.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SolverTestSupport.h"
#include "solver/ClickForce.h"
#include "solver/Solver.h"
#include "solver/UsableCores.h"
#include "surface_mesh/Surface_mesh.h"

#ifdef ZARVO_BENCH_RUNNER
#include "RunnerBench.h"
#endif
#ifdef ZARVO_BENCH_SCENES
#include "contact/ColliderSet.h"
#include "contact/MeshShape.h"
#include "contact/PlaneShape.h"
#include "contact/SelfContact.h"
#include "contact/SphereShape.h"
#include "scenes/MeshMeasures.h"
#include "scenes/SceneRecipe.h"
#include "scenes/SceneSetup.h"
#include "solids/SurfaceFill.h"
#endif

namespace {

using surface_mesh::Surface_mesh;
using Clock = std::chrono::steady_clock;

// Resident memory in kB: "VmRSS" now, or "VmHWM" (peak since the last reset).
long residentKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, field.size() + 1, field + ":") == 0)
            return std::stol(line.substr(field.size() + 1));
    return 0;
}

// Hands freed heap memory back to the system and restarts the peak
// ("VmHWM") at the resident size that remains.
void resetPeakMemory()
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A body: its mesh (declared first, so that it outlives the solver's view)
// and a solver that is built but not yet initialized.
struct Body
{
    Surface_mesh mesh;
    std::shared_ptr<Zarvo::Solver> solver;
};

using BodyBuilder = std::function<void(Body&)>;

double millisecondsOf(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

bool sameState(const Zarvo::Solver& a, const Zarvo::Solver& b)
{
    return (a.points.array() == b.points.array()).all() &&
           (a.velocities.array() == b.velocities.array()).all();
}

// `threads` OpenMP threads; the body is built by `build`.
void stepAgainstPlain(benchmark::State& state, const BodyBuilder& build, int threads)
{
    const int previousThreads = omp_get_max_threads();
    Body fast, plain;
    resetPeakMemory();
    const long residentBefore = residentKb("VmRSS");
    build(fast);
    const double initializeMs = millisecondsOf([&] { fast.solver->initialize(); });
    const double setupMb = (residentKb("VmHWM") - residentBefore) / 1024.0;
    build(plain);
    plain.solver->initialize();
    fast.solver->setThreadCount(threads);

    // A click on the first steps, so that the check sees an uneven load.
    auto click = std::make_shared<Zarvo::ClickForce>();
    click->force = Eigen::Vector3d(0, 0, 5000);
    fast.solver->addForce(click);
    plain.solver->addForce(click);
    for (int s = 0; s < 3; ++s) {
        click->vertex = s;
        fast.solver->step();
        plain.solver->referenceStep();
    }
    click->vertex = -1;
    if (!sameState(*fast.solver, *plain.solver)) {
        state.SkipWithError("step and plain step differ");
        omp_set_num_threads(previousThreads);
        return;
    }

    std::vector<double> stepMs, plainMs, warmStepMs, warmPlainMs;
    for (auto _ : state) {
        stepMs.push_back(millisecondsOf([&] { fast.solver->step(); }));
        warmStepMs.push_back(millisecondsOf([&] { fast.solver->step(); }));
        plainMs.push_back(millisecondsOf([&] { plain.solver->referenceStep(); }));
        warmPlainMs.push_back(millisecondsOf([&] { plain.solver->referenceStep(); }));
        state.SetIterationTime(stepMs.back() / 1000.0);
    }
    omp_set_num_threads(previousThreads);
    if (!sameState(*fast.solver, *plain.solver))
        state.SkipWithError("step and plain step differ after timing");

    state.counters["vertices"] = static_cast<double>(fast.solver->points.cols());
    state.counters["step_ms"] = median(stepMs);
    state.counters["plain_ms"] = median(plainMs);
    state.counters["plain/step"] = median(plainMs) / median(stepMs);
    state.counters["warm_step_ms"] = median(warmStepMs);
    state.counters["warm_plain_ms"] = median(warmPlainMs);
    state.counters["warm_plain/step"] = median(warmPlainMs) / median(warmStepMs);
    state.counters["initialize_ms"] = initializeMs;
    state.counters["setup_MB"] = setupMb;
}

void registerPair(const std::string& name, const BodyBuilder& build, int iterations)
{
    // One thread, the cores, and four and eight times the cores, where
    // threads beyond the cores must not slow a step down.
    const int cores = Zarvo::usableCores();
    for (const int threads : {1, cores, 4 * cores, 8 * cores})
        benchmark::RegisterBenchmark((name + "/threads:" + std::to_string(threads)).c_str(),
                                     [=](benchmark::State& state) {
                                         stepAgainstPlain(state, build, threads);
                                     })
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}

// Cloth grids of side x side vertices, spacing 0.25, the cloth scene's
// weights and pins.
void registerClothGrids()
{
    struct Grid
    {
        int side;
        int iterations;
    };
    // 1,681, 10,000, 24,964 and 99,856 vertices.
    for (const Grid grid : {Grid{41, 200}, Grid{100, 40}, Grid{158, 20}, Grid{316, 6}})
        registerPair("stepCloth/side:" + std::to_string(grid.side),
                     [side = grid.side](Body& body) {
                         Zarvo::testing::makeGrid(body.mesh, side, 0.25);
                         body.solver = Zarvo::testing::buildClothSolver(body.mesh);
                     },
                     grid.iterations);
}

#ifdef ZARVO_BENCH_SCENES
// The shipped scenes' bodies as the scenes build them (initialized there
// once already; the benchmark's initialize() rebuilds the system).
void registerScenes()
{
    struct Scene
    {
        const char* name;
        SceneRecipe (*recipe)();
    };
    for (const Scene scene : {Scene{"cloth", clothRecipe}, Scene{"shell", bucklingRecipe},
                              Scene{"plate", plateRecipe}})
        registerPair(std::string("stepScene/") + scene.name,
                     [recipe = scene.recipe](Body& body) {
                         readSceneMesh(recipe(), ZARVO_RESOURCE_DIR, body.mesh);
                         body.solver =
                             buildSceneBody(recipe(), body.mesh,
                                            [](const std::vector<int>&, const Eigen::Matrix3Xd&) {})
                                 .solver;
                     },
                     40);
}
#endif

#ifdef ZARVO_BENCH_SCENES
// Each iteration times `measured` and `reference` in turn, twice, so that
// both see the same machine; the iteration's time is the last `measured`.
void timeInTurns(benchmark::State& state, const std::function<void()>& measured,
                 const std::function<void()>& reference, std::vector<double>& measuredMs,
                 std::vector<double>& referenceMs)
{
    for (auto _ : state) {
        for (int k = 0; k < 2; ++k) {
            measuredMs.push_back(millisecondsOf(measured));
            referenceMs.push_back(millisecondsOf(reference));
        }
        state.SetIterationTime(measuredMs.back() / 1000.0);
    }
}

using ColliderMaker = std::function<std::vector<Zarvo::Collider>(double thickness)>;

// A torus lying flat about the y axis through `centre`, of `around` x
// `across` quads, two triangles each: closed, without poles.
Zarvo::TriangleMesh torus(const Eigen::Vector3d& centre, double major, double minor, int around,
                          int across)
{
    Zarvo::TriangleMesh mesh;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            const double u = 2 * pi * i / around;
            const double v = 2 * pi * j / across;
            const double r = major + minor * std::cos(v);
            mesh.points.push_back(centre + Eigen::Vector3d(r * std::cos(u), minor * std::sin(v),
                                                           r * std::sin(u)));
        }
    for (int i = 0; i < around; ++i)
        for (int j = 0; j < across; ++j) {
            const int a = i * across + j;
            const int b = ((i + 1) % around) * across + j;
            const int c = ((i + 1) % around) * across + (j + 1) % across;
            const int d = i * across + (j + 1) % across;
            mesh.triangles.push_back({a, d, c});
            mesh.triangles.push_back({a, c, b});
        }
    return mesh;
}

// `body` as a cloth grid of side `side` and spacing 0.25, initialized, to
// step on `threads` threads.
void makeSteppedGrid(Body& body, int side, int threads)
{
    Zarvo::testing::makeGrid(body.mesh, side, 0.25);
    body.solver = Zarvo::testing::buildClothSolver(body.mesh);
    body.solver->initialize();
    body.solver->setThreadCount(threads);
}

// A quarter of the mean edge length of a grid of spacing 0.25, as scene
// files choose by default.
const double gridThickness = 0.25 * 0.25 * (2.0 + std::sqrt(2.0)) / 3.0;

// A ball of radius 6 under the point (middle, 0, middle) of a grid (12.4
// for a grid of side 100 and spacing 0.25), over a floor.
std::vector<Zarvo::Collider> ballOverFloor(double middle)
{
    Zarvo::Collider ball, floor;
    ball.shape = std::make_shared<Zarvo::SphereShape>(Eigen::Vector3d(middle, -7, middle), 6.0);
    floor.shape = std::make_shared<Zarvo::PlaneShape>(Eigen::Vector3d(0, -14, 0),
                                                      Eigen::Vector3d(0, 1, 0));
    ball.friction = floor.friction = 0.3;
    return {ball, floor};
}

// The same cloth grid stepped with `colliders` and without any, two steps
// of each in turn after `settle` steps that bring it onto them. Reported:
// `step_ms` with colliders and `free_ms` without (medians), `contact_share`
// = 1 - free / step, the part of a step that contact costs, the grid's
// vertex count, and `colliders_ms` and `colliders_MB`, the time and peak
// memory that making the colliders took.
void stepWithColliders(benchmark::State& state, int side, const ColliderMaker& makeColliders,
                       int settle, int threads)
{
    const int previousThreads = omp_get_max_threads();
    Body touching, free;
    for (Body* body : {&touching, &free}) {
        makeSteppedGrid(*body, side, threads);
    }
    const double thickness = gridThickness;
    resetPeakMemory();
    const long residentBefore = residentKb("VmRSS");
    std::shared_ptr<Zarvo::ColliderSet> colliders;
    const double collidersMs = millisecondsOf([&] {
        colliders = std::make_shared<Zarvo::ColliderSet>(makeColliders(thickness), thickness);
    });
    const double collidersMb = (residentKb("VmHWM") - residentBefore) / 1024.0;
    touching.solver->setContactHandler(colliders);
    for (int k = 0; k < settle; ++k) {
        touching.solver->step();
        free.solver->step();
    }
    std::vector<double> stepMs, freeMs;
    timeInTurns(
        state, [&] { touching.solver->step(); }, [&] { free.solver->step(); }, stepMs, freeMs);
    omp_set_num_threads(previousThreads);
    state.counters["vertices"] = static_cast<double>(touching.solver->points.cols());
    state.counters["step_ms"] = median(stepMs);
    state.counters["free_ms"] = median(freeMs);
    state.counters["contact_share"] = 1.0 - median(freeMs) / median(stepMs);
    state.counters["colliders_ms"] = collidersMs;
    state.counters["colliders_MB"] = collidersMb;
}

// A 10,000-vertex cloth falling onto a ball over a floor, and a
// 25,000-vertex one onto a torus of 100,352 triangles, at one thread and
// the usable cores.
void registerColliderScenes()
{
    const ColliderMaker meshObstacle = [](double thickness) {
        Zarvo::Collider ring;
        ring.shape = std::make_shared<Zarvo::MeshShape>(
            torus(Eigen::Vector3d(19.6, -8, 19.6), 10.0, 4.0, 224, 224), true, thickness);
        ring.friction = 0.3;
        return std::vector<Zarvo::Collider>{ring};
    };
    struct Row
    {
        const char* name;
        int side;
        ColliderMaker colliders;
        int iterations;
    };
    for (const Row& row : {Row{"stepColliders/ball_and_floor/side:100", 100,
                                               [](double) { return ballOverFloor(12.4); }, 20},
                           Row{"stepColliders/mesh_100k/side:158", 158, meshObstacle, 10}})
        for (const int threads : {1, Zarvo::usableCores()})
            benchmark::RegisterBenchmark(
                (std::string(row.name) + "/threads:" + std::to_string(threads)).c_str(),
                [=](benchmark::State& state) {
                    stepWithColliders(state, row.side, row.colliders, 30, threads);
                })
                ->Iterations(row.iterations)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
}

// A cloth grid of side `side` draped over the ball and floor, stepped with
// self-contact and without, two steps of each in turn after `settle` steps
// that fold it over the ball (with and without self-contact alike).
// Reported: `step_ms` with self-contact and `colliders_ms` with the
// colliders alone (medians), `self_ratio` = step / colliders, the vertex
// count, and `self_MB`, the peak memory self-contact's first step took.
void stepWithSelfContact(benchmark::State& state, int side, int settle, int threads)
{
    const int previousThreads = omp_get_max_threads();
    Body touching, plain;
    for (Body* body : {&touching, &plain}) {
        makeSteppedGrid(*body, side, threads);
        body->solver->setContactHandler(
            std::make_shared<Zarvo::ColliderSet>(ballOverFloor(0.125 * (side - 1)), gridThickness));
    }
    const auto points = static_cast<std::size_t>(touching.solver->points.cols());
    touching.solver->setSelfContactHandler(std::make_shared<Zarvo::SelfContact>(
        meshTriangles(touching.mesh), std::vector<double>(points, 1.0), gridThickness, 0.3));
    resetPeakMemory();
    const long residentBefore = residentKb("VmRSS");
    touching.solver->step();
    plain.solver->step();
    const double selfMb = (residentKb("VmHWM") - residentBefore) / 1024.0;
    for (int k = 1; k < settle; ++k) {
        touching.solver->step();
        plain.solver->step();
    }
    std::vector<double> stepMs, collidersMs;
    timeInTurns(
        state, [&] { touching.solver->step(); }, [&] { plain.solver->step(); }, stepMs, collidersMs);
    omp_set_num_threads(previousThreads);
    state.counters["vertices"] = static_cast<double>(points);
    state.counters["step_ms"] = median(stepMs);
    state.counters["colliders_ms"] = median(collidersMs);
    state.counters["self_ratio"] = median(stepMs) / median(collidersMs);
    state.counters["self_MB"] = selfMb;
}

// 10,000 and 25,000 vertices, at one thread and the usable cores.
void registerSelfContactScenes()
{
    for (const int side : {100, 158})
        for (const int threads : {1, Zarvo::usableCores()})
            benchmark::RegisterBenchmark(("stepSelfContact/ball_and_floor/side:" + std::to_string(side)
                                          + "/threads:" + std::to_string(threads))
                                             .c_str(),
                                         [=](benchmark::State& state) {
                                             stepWithSelfContact(state, side, 60, threads);
                                         })
                ->Iterations(10)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
}
#endif

#ifdef ZARVO_BENCH_SCENES
// A closed ellipsoid 2 x 1 x 1 of `rings` rings of `segments` vertices and
// a vertex at each pole.
void ellipsoid(int rings, int segments, Eigen::Matrix3Xd& vertices,
               std::vector<std::array<int, 3>>& triangles)
{
    const double pi = 3.14159265358979323846;
    vertices.resize(3, 2 + (rings - 1) * segments);
    vertices.col(0) = Eigen::Vector3d(0, 0.5, 0);
    for (int r = 1; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const double polar = pi * r / rings, around = 2 * pi * s / segments;
            vertices.col(1 + (r - 1) * segments + s) =
                Eigen::Vector3d(std::sin(polar) * std::cos(around), 0.5 * std::cos(polar),
                                0.5 * std::sin(polar) * std::sin(around));
        }
    const int bottom = static_cast<int>(vertices.cols()) - 1;
    vertices.col(bottom) = Eigen::Vector3d(0, -0.5, 0);
    const auto at = [&](int r, int s) { return 1 + (r - 1) * segments + s % segments; };
    triangles.clear();
    for (int s = 0; s < segments; ++s) {
        triangles.push_back({0, at(1, s + 1), at(1, s)});
        for (int r = 1; r + 1 < rings; ++r) {
            triangles.push_back({at(r, s), at(r, s + 1), at(r + 1, s + 1)});
            triangles.push_back({at(r, s), at(r + 1, s + 1), at(r + 1, s)});
        }
        triangles.push_back({at(rings - 1, s), at(rings - 1, s + 1), bottom});
    }
}

// A solid of 20 cubes along its side (a filled ellipsoid) with a surface
// of 30,002 vertices embedded in it, stepped (the lattice, then the surface
// placed) beside the same lattice stepped alone, two steps of each in
// turn. Reported: `step_ms` with the surface and `lattice_ms` without
// (medians), `embedding_share` = 1 - lattice / step, the node and vertex
// counts, and the set-up: `fill_ms` (the inside test, the lattice and the
// embedding) and `initialize_ms` (constraints and the factorization).
void stepFilledSolid(benchmark::State& state, int threads)
{
    const int previousThreads = omp_get_max_threads();
    Eigen::Matrix3Xd vertices;
    std::vector<std::array<int, 3>> triangles;
    ellipsoid(151, 200, vertices, triangles);
    std::shared_ptr<const Zarvo::FilledSolid> solid;
    const double fillMs = millisecondsOf([&] {
        solid = std::make_shared<const Zarvo::FilledSolid>(
            Zarvo::fillSurface(vertices, triangles, 20, 0.5, "ellipsoid"));
    });
    SceneRecipe recipe;
    recipe.inResourceFolder = false;
    recipe.meshFile = "ellipsoid";
    recipe.solid = solid;
    recipe.strainWeight = 2.0f;
    recipe.handleGroups = [](int) { return std::vector<std::vector<int>>{}; };
    Surface_mesh embedded, alone;
    for (Surface_mesh* mesh : {&embedded, &alone}) {
        std::vector<surface_mesh::Vertex> added;
        for (Eigen::Index v = 0; v < vertices.cols(); ++v)
            added.push_back(mesh->add_vertex(surface_mesh::Vector<double, 3>(
                vertices(0, v), vertices(1, v), vertices(2, v))));
        for (const auto& t : triangles)
            mesh->add_face({added[t[0]], added[t[1]], added[t[2]]});
    }
    const auto noFaces = [](const std::vector<int>&, const Eigen::Matrix3Xd&) {};
    SceneBody withSurface;
    const double initializeMs =
        millisecondsOf([&] { withSurface = buildSceneBody(recipe, embedded, noFaces); });
    SceneBody latticeAlone = buildSceneBody(recipe, alone, noFaces);
    for (SceneBody* body : {&withSurface, &latticeAlone})
        body->solver->setThreadCount(threads);
    std::vector<double> stepMs, latticeMs;
    timeInTurns(
        state,
        [&] {
            stepScene(*withSurface.solver, *withSurface.clickForce, -1, 1,
                      withSurface.lattice.get(), embedded);
        },
        [&] { latticeAlone.solver->step(); }, stepMs, latticeMs);
    omp_set_num_threads(previousThreads);
    state.counters["nodes"] = static_cast<double>(solid->nodes.cols());
    state.counters["vertices"] = static_cast<double>(vertices.cols());
    state.counters["step_ms"] = median(stepMs);
    state.counters["lattice_ms"] = median(latticeMs);
    state.counters["embedding_share"] = 1.0 - median(latticeMs) / median(stepMs);
    state.counters["fill_ms"] = fillMs;
    state.counters["initialize_ms"] = initializeMs;
}

void registerFilledSolid()
{
    for (const int threads : {1, Zarvo::usableCores()})
        benchmark::RegisterBenchmark(
            ("stepSolid/cells:20/vertices:30002/threads:" + std::to_string(threads)).c_str(),
            [=](benchmark::State& state) { stepFilledSolid(state, threads); })
            ->Iterations(10)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    registerClothGrids();
#ifdef ZARVO_BENCH_SCENES
    registerScenes();
    registerColliderScenes();
    registerSelfContactScenes();
    registerFilledSolid();
#endif
#ifdef ZARVO_BENCH_RUNNER
    registerRunnerBenchmarks();
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
