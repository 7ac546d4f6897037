#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "scenes/ResourceError.h"
#include "scenes/SceneSimulation.h"
#include "tools/fuzz/ReaderFuzzer.h"

// The file at `path` (a scene file or a mesh file, as zarvo-sim reads it)
// as a simulation that steps on this thread alone with at most `iterations`
// iterations; null where the file is refused.
inline std::unique_ptr<SceneSimulation> openForFuzzing(const std::string& path, int iterations)
{
    silenceMeshMessages();
    std::unique_ptr<SceneSimulation> simulation;
    try {
        simulation = std::make_unique<SceneSimulation>(path, "");
    } catch (const ResourceError&) {
        return nullptr;
    }
    // The step's OpenMP region runs on this thread alone.
    simulation->solver().setThreadCount(1);
    simulation->solver().setIterations(std::min(simulation->solver().iterations(), iterations));
    return simulation;
}
