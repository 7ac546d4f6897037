#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/fuzz/BodyChecks.h"
#include "tools/fuzz/FuzzSimulation.h"

// From tetrahedral mesh file bytes to a stepped body: the file, read as
// zarvo-sim reads a mesh file given alone (the defaults pin its top), is
// refused or becomes a body that is stepped a few times with a pull.
// Aborts when a position becomes non-finite or a pinned point leaves its
// target by more than the body's size.

inline constexpr int tetFuzzSteps = 3;
// The default iterations show the same faults as these, more slowly.
inline constexpr int tetFuzzIterations = 5;

// Steps the body of the file at `path`, as written by the caller.
inline int fuzzTetFile(const std::string& path)
{
    const std::unique_ptr<SceneSimulation> body = openForFuzzing(path, tetFuzzIterations);
    if (!body)
        return 0;
    const std::vector<double> allowed = allowances(body->body(), bodySize(body->solver().points));
    const std::vector<Eigen::Matrix3Xd> startTargets = handleTargets(body->body());
    const int free = unpinnedVertex(body->body(), body->vertexCount());
    for (int k = 0; k < tetFuzzSteps; ++k) {
        if (k == 0 && free >= 0)
            body->pull(free);
        body->step();
        checkBody(body->body(), allowed, startTargets);
    }
    return 0;
}
