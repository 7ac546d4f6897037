// zarvo-sim: steps a scene without a window and writes the body and its
// motion for a renderer (see usage()).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "scenes/ResourceError.h"
#include "scenes/SceneSimulation.h"
#include "sim/BodyFiles.h"
#include "sim/ColliderFiles.h"
#include "sim/CommandLine.h"
#include "sim/InterruptWatch.h"
#include "sim/OutputFolder.h"
#include "sim/ProgressBar.h"
#include "sim/RunningMedian.h"

namespace {

constexpr int badInput = 2;
constexpr int failedWrite = 1;

// The shipped scenes' files live in resources/ beside the real executable
// (bin/zarvo-sim is a link to it once installed).
std::string resourceFolder()
{
    std::error_code error;
    const auto executable = std::filesystem::canonical("/proc/self/exe", error);
    return error ? std::string("resources") : (executable.parent_path() / "resources").string();
}

Eigen::Matrix3Xd positions(SceneSimulation& simulation)
{
    return simulation.positions();
}

// --obj-sequence's files: body_0000.obj, body_0001.obj, ...
const char* const sequencePrefix = "body_";
const char* const sequenceSuffix = ".obj";

std::string sequenceName(int sample, int samples)
{
    const int width = std::max<int>(4, static_cast<int>(std::to_string(samples - 1).size()));
    std::string number = std::to_string(sample);
    return sequencePrefix + std::string(width - number.size(), '0') + number + sequenceSuffix;
}

// Applies the presses and pulls that belong to step `step`.
void prepareStep(SceneSimulation& simulation, const RunOptions& options, int step)
{
    for (const KeyPress& press : options.presses)
        if (press.step == step)
            simulation.press(press.key);
    for (const Pull& pull : options.pulls)
        if (pull.first <= step && step <= pull.last)
            simulation.pull(pull.vertex);
}

int run(const RunOptions& options)
{
    if (options.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    SceneSimulation simulation(options.scene, resourceFolder());
    for (const Pull& pull : options.pulls)
        if (pull.vertex >= simulation.vertexCount())
            throw UsageError("--pull: vertex " + std::to_string(pull.vertex) + " is not one of the "
                             + std::to_string(simulation.vertexCount()) + " of the body");
    if (options.threads > 0)
        simulation.solver().setThreadCount(options.threads);
    if (options.iterations > 0)
        simulation.solver().setIterations(options.iterations);

    const int samples = 1 + options.steps / options.every;
    // From here on files exist: a signal stops the run between two steps.
    const InterruptWatch interrupts;
    OutputFolder folder(options.outputFolder);
    folder.replaceSeries(sequencePrefix, sequenceSuffix);
    const std::string faces = objFaces(simulation.scene().mesh);
    auto writeObj = [&](const std::string& name) {
        OutputFolder::File file = folder.create(name);
        file.write(objVertices(positions(simulation)));
        file.write(faces);
        file.close();
    };
    writeObj("body.obj");
    // Frame 1 shows the start, and each later frame the next sample, as
    // Blender's Mesh Cache modifier plays any cache.
    PointCacheWriter cache(folder.create("body.pc2"), simulation.vertexCount(), samples, 1.0f, 1.0f);
    ColliderFiles colliders(folder, simulation, options.presses, samples);
    int sample = 0;
    auto writeSample = [&]() {
        cache.write(positions(simulation));
        colliders.write();
        if (options.objSequence)
            writeObj(sequenceName(sample, samples));
        ++sample;
    };
    writeSample();

    ProgressBar progress(stderr, options.steps);
    RunningMedian stepMs;
    for (int step = 1; step <= options.steps; ++step) {
        interrupts.check();
        prepareStep(simulation, options, step);
        const auto start = std::chrono::steady_clock::now();
        simulation.step();
        stepMs.add(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (step % options.every == 0)
            writeSample();
        progress.update(step, stepMs.median());
    }
    progress.finish();
    cache.close();
    colliders.close();
    interrupts.check();
    folder.commit();

    std::printf("%d vertices, %d steps, %d threads, %d iterations, %.3f ms per step (median), "
                "%d samples, %zu bytes written\n",
                simulation.vertexCount(), options.steps, simulation.solver().threadCount(),
                simulation.solver().iterations(), stepMs.median(), samples, folder.bytes());
    return std::fflush(stdout) == 0 ? 0 : failedWrite;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(parseCommandLine(std::vector<std::string>(argv + 1, argv + argc)));
    } catch (const UsageError& error) {
        std::cerr << "zarvo-sim: " << error.what() << '\n' << usage();
        return badInput;
    } catch (const ResourceError& error) {
        std::cerr << "zarvo-sim: " << error.what() << '\n';
        return badInput;
    } catch (const WriteError& error) {
        std::cerr << "zarvo-sim: " << error.what() << '\n';
        return failedWrite;
    } catch (const InterruptWatch::Interrupted& interrupted) {
        std::cerr << "zarvo-sim: " << interrupted.what() << "; no file written\n";
        interrupted.endProcess();
    } catch (const std::exception& error) {
        // Memory running out, say: the run failed, its files were removed.
        std::cerr << "zarvo-sim: " << error.what() << '\n';
        return failedWrite;
    }
}
