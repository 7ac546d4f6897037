// From scene-file bytes to a stepped body: the input is a scene file, read
// beside a small grid mesh "body.obj" and a closed box "box.obj", which a
// "solid" fills (it may name either, or any other file); an accepted scene's body is stepped a few times with every arrow
// key and a pull. Aborts when a position becomes non-finite, a pinned
// point leaves its target by more than the body's size (and than the keys
// moved the targets and the pull can carry a point), or a point ends a step
// inside a scene's only collider. Colliders may hold pins off their targets
// by as much as they are large, so pins are checked only without them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/fuzz/BodyChecks.h"
#include "tools/fuzz/FuzzSimulation.h"
#include "tools/fuzz/ReaderFuzzer.h"

namespace {

constexpr int stepCount = 4;
// Scene files may ask for many iterations; a few show the same faults.
constexpr int fuzzIterations = 5;

// A 6 x 6 grid in the xy plane, spacing 1, two triangles per square.
std::string gridMesh()
{
    std::string text;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i)
            text += "v " + std::to_string(i) + " " + std::to_string(-j) + " 0\n";
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i) {
            const int a = 6 * j + i + 1;
            text += "f " + std::to_string(a) + " " + std::to_string(a + 6) + " " + std::to_string(a + 1) + "\n";
            text += "f " + std::to_string(a + 1) + " " + std::to_string(a + 6) + " " + std::to_string(a + 7) + "\n";
        }
    return text;
}

// A closed box 2 x 1 x 1, its faces as quads.
std::string boxMesh()
{
    return "v 0 0 0\nv 2 0 0\nv 0 1 0\nv 2 1 0\nv 0 0 1\nv 2 0 1\nv 0 1 1\nv 2 1 1\n"
           "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
}

// The folder of this process's scene file and its meshes.
std::string sceneFolder()
{
    static const std::string folder = [] {
        const std::string path = fuzzFolder + "/zarvo-fuzz-scene-" + std::to_string(getpid());
        std::filesystem::create_directories(path);
        const std::string grid = gridMesh();
        if (std::FILE* file = std::fopen((path + "/body.obj").c_str(), "wb")) {
            std::fwrite(grid.data(), 1, grid.size(), file);
            std::fclose(file);
        }
        const std::string box = boxMesh();
        if (std::FILE* file = std::fopen((path + "/box.obj").c_str(), "wb")) {
            std::fwrite(box.data(), 1, box.size(), file);
            std::fclose(file);
        }
        return path;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string scene = sceneFolder() + "/scene.json";
    if (std::FILE* file = std::fopen(scene.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    const std::unique_ptr<SceneSimulation> simulation = openForFuzzing(scene, fuzzIterations);
    if (!simulation)
        return 0;
    Zarvo::Solver& solver = simulation->solver();

    const SceneBody& body = simulation->body();
    const int free = unpinnedVertex(body, simulation->vertexCount());
    // The pull may fling its vertex, and the body with it, as far as the
    // scene's force carries a free point over the steps.
    const double run = stepCount * solver.timeStep;
    const double pullReach = free >= 0 ? body.clickForce->force.norm() * run * run : 0.0;
    const std::vector<double> allowed = allowances(body, bodySize(solver.points) + pullReach);
    const std::vector<Eigen::Matrix3Xd> startTargets = handleTargets(body);
    for (int k = 0; k < stepCount; ++k) {
        simulation->press(static_cast<SceneKey>(k));
        if (free >= 0)
            simulation->pull(free);
        simulation->step();
        if (body.colliders) {
            if (!solver.points.allFinite())
                fail("a position became non-finite");
            checkOutsideCollider(body);
        } else {
            checkBody(body, allowed, startTargets);
        }
    }
    return 0;
}
