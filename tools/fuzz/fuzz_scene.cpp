// From a mesh file to a simulated body: the first input byte picks the file
// format (its value modulo 3: OBJ, OFF, STL) and the scene recipe (its value
// divided by 3, modulo 3: cloth, shell, plate); the rest is the file. The
// scene's mesh checks run on it; a mesh they accept becomes the scene's body,
// which is stepped a few times with one click. Aborts when a position becomes
// non-finite or a pinned point leaves its target by more than the body's size
// (beyond where the recipe started it).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "scenes/ResourceError.h"
#include "scenes/SceneRecipe.h"
#include "scenes/SceneSetup.h"
#include "tools/fuzz/BodyChecks.h"
#include "tools/fuzz/ReaderFuzzer.h"

namespace {

using surface_mesh::Surface_mesh;

constexpr int stepCount = 4;

SceneRecipe recipeFor(std::uint8_t selector)
{
    switch (selector / 3 % 3) {
    case 0: return clothRecipe();
    case 1: return bucklingRecipe();
    default: return plateRecipe();
    }
}

const char* extensionFor(std::uint8_t selector)
{
    static const char* const extensions[] = {"obj", "off", "stl"};
    return extensions[selector % 3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t selector = data[0];
    SceneRecipe recipe = recipeFor(selector);
    const char* extension = extensionFor(selector);
    writeFuzzFile(data + 1, size - 1, extension);
    recipe.meshFile = fuzzFileName(extension);
    silenceMeshMessages();

    Surface_mesh mesh;
    SceneBody body;
    try {
        readSceneMesh(recipe, fuzzFolder, mesh);
        body = buildSceneBody(recipe, mesh, [](const std::vector<int>&, const Eigen::Matrix3Xd&) {});
    } catch (const ResourceError&) {
        return 0;
    }
    // The step's OpenMP region runs on this thread alone.
    body.solver->setThreadCount(1);

    const int n = static_cast<int>(body.solver->points.cols());
    const std::vector<double> allowed = allowances(body, bodySize(body.solver->points));
    const std::vector<Eigen::Matrix3Xd> startTargets = handleTargets(body);
    for (int k = 0; k < stepCount; ++k) {
        body.clickForce->vertex = k == 0 ? unpinnedVertex(body, n) : -1;
        body.solver->step();
        checkBody(body, allowed, startTargets);
    }
    return 0;
}
