// What writing the point cache adds to a zarvo-sim step. A square grid is
// written as an OBJ file and loaded as zarvo-sim loads a mesh (the defaults
// pin its top row); each round times one step and then writing its sample
// into a cache file, so both see the same machine load. Reported: the
// medians `step_ms` and `write_ms`, `step_and_write_ms` (their sum, a step
// of a run that writes every step) and `write/step`.
//
// And zarvo-sim's own bookkeeping over long runs: the program itself runs
// a 4-vertex body, whose steps take microseconds, for 20,000 and for 80,000
// steps. Unless something in the run grows with the steps done, the long
// run takes about four times the short one. Reported: `short_s`, `long_s`
// and `long/short`; the benchmark fails above 5.
#include "RunnerBench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SolverTestSupport.h"
#include "scenes/SceneSimulation.h"
#include "sim/BodyFiles.h"

namespace {

using Clock = std::chrono::steady_clock;

double medianOf(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A grid of side x side vertices, spacing 0.25, as an OBJ file in `folder`.
std::string gridFile(const std::filesystem::path& folder, int side)
{
    surface_mesh::Surface_mesh grid;
    Zarvo::testing::makeGrid(grid, side, 0.25);
    const auto& points = grid.find_vertex_property<surface_mesh::Point>("v:point").vector();
    const Eigen::Map<const Eigen::Matrix3Xd> positions(points[0].data(), 3, points.size());
    const std::string path = (folder / ("grid-" + std::to_string(side) + ".obj")).string();
    std::ofstream(path) << objVertices(positions) << objFaces(grid);
    return path;
}

void stepAndWrite(benchmark::State& state, int side, int threads)
{
    const auto folder = std::filesystem::temp_directory_path() / "zarvo-runner-bench";
    std::filesystem::create_directories(folder);
    SceneSimulation simulation(gridFile(folder, side), "");
    simulation.solver().setThreadCount(threads);
    OutputFolder output(folder.string());
    PointCacheWriter cache(output.create("body.pc2"), simulation.vertexCount(),
                           static_cast<int>(state.max_iterations), 1.0f, 1.0f);
    std::vector<double> stepMs;
    std::vector<double> writeMs;
    for (auto _ : state) {
        auto start = Clock::now();
        simulation.step();
        stepMs.push_back(millisecondsSince(start));
        start = Clock::now();
        cache.write(simulation.solver().points);
        writeMs.push_back(millisecondsSince(start));
        state.SetIterationTime((stepMs.back() + writeMs.back()) / 1000.0);
    }
    cache.close();
    state.counters["vertices"] = simulation.vertexCount();
    state.counters["step_ms"] = medianOf(stepMs);
    state.counters["write_ms"] = medianOf(writeMs);
    state.counters["step_and_write_ms"] = medianOf(stepMs) + medianOf(writeMs);
    state.counters["write/step"] = medianOf(writeMs) / medianOf(stepMs);
}

// Seconds that zarvo-sim takes to run `mesh` for `steps` steps into `out`,
// as a person runs it; negative when it fails.
double secondsOfRun(const std::string& mesh, int steps, const std::filesystem::path& out)
{
    const std::string command = "'" ZARVO_SIM_EXECUTABLE "' '" + mesh + "' --threads 1 --steps " + std::to_string(steps)
                                + " --out '" + out.string() + "' >/dev/null";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    return status == 0 ? millisecondsSince(start) / 1000.0 : -1.0;
}

void longRun(benchmark::State& state)
{
    const auto folder = std::filesystem::temp_directory_path() / "zarvo-runner-bench";
    std::filesystem::create_directories(folder);
    const std::string mesh = (folder / "square.obj").string();
    std::ofstream(mesh) << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n";
    double shortSeconds = 0.0;
    double longSeconds = 0.0;
    for (auto _ : state) {
        shortSeconds = secondsOfRun(mesh, 20000, folder / "short-run");
        longSeconds = secondsOfRun(mesh, 80000, folder / "long-run");
        state.SetIterationTime(shortSeconds + longSeconds);
    }
    state.counters["short_s"] = shortSeconds;
    state.counters["long_s"] = longSeconds;
    state.counters["long/short"] = longSeconds / shortSeconds;
    if (shortSeconds <= 0.0 || longSeconds <= 0.0)
        state.SkipWithError("zarvo-sim failed");
    else if (longSeconds > 5.0 * shortSeconds)
        state.SkipWithError("80,000 steps take more than 5 times as long as 20,000");
}

} // namespace

void registerRunnerBenchmarks()
{
    struct Grid
    {
        int side;
        int iterations;
    };
    // 24,964 and 99,856 vertices.
    for (const Grid grid : {Grid{158, 40}, Grid{316, 10}})
        for (const int threads : {1, 2})
            benchmark::RegisterBenchmark(("runner/side:" + std::to_string(grid.side)
                                          + "/threads:" + std::to_string(threads))
                                             .c_str(),
                                         [=](benchmark::State& state) {
                                             stepAndWrite(state, grid.side, threads);
                                         })
                ->Iterations(grid.iterations)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("runner/long-run", longRun)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
}
