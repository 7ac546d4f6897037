#include "scenes/SceneRecipe.h"

namespace {

// Consecutive indices first, first + 1, ..., first + count - 1.
std::vector<int> ascending(int first, int count)
{
    std::vector<int> ids(count);
    for (int k = 0; k < count; ++k)
        ids[k] = first + k;
    return ids;
}

// Consecutive indices first, first - 1, ..., first - count + 1.
std::vector<int> descending(int first, int count)
{
    std::vector<int> ids(count);
    for (int k = 0; k < count; ++k)
        ids[k] = first - k;
    return ids;
}

std::vector<int> concatenate(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

SceneRecipe clothRecipe()
{
    SceneRecipe recipe;
    recipe.meshFile = "cloth_mesh.obj";
    recipe.imageFiles = {"cloth_texture.jpg"};
    recipe.minimumVertexCount = 41;
    recipe.texCoordScale = 2.0;
    recipe.strainWeight = 0.005f;
    recipe.bendingWeight = 8e-06f;
    // Nine points along the pole: 0, 5, ..., 40.
    recipe.handleGroups = [](int) {
        std::vector<int> ids;
        for (int k = 0; k <= 8; ++k)
            ids.push_back(5 * k);
        return std::vector<std::vector<int>>{ids};
    };
    // Every second pinned point (vertices 5, 15, 25, 35) stands 0.1 in front
    // of the others, so the cloth starts in folds.
    recipe.shapeTargets = [](std::size_t, Eigen::Matrix3Xd& targets) {
        for (Eigen::Index j = 1; j < targets.cols(); j += 2)
            targets(2, j) += 0.1;
    };
    // Left gathers the pinned points along the pole (x about x = 0), five
    // times from the start, down to 0.8^5 = 0.32768 of their start spread;
    // Right spreads them.
    recipe.keys[SceneKey::Left] = scaleAction(0, {0.8, 1.0, 1.0}, Eigen::Vector3d::Zero(), 0.32768);
    recipe.keys[SceneKey::Right] = scaleAction(0, {1.2, 1.0, 1.0}, Eigen::Vector3d::Zero());
    recipe.clickForce = Eigen::Vector3d(0, 0, 5000);
    recipe.pickRadius = 0.1;
    recipe.eye = {-11.5384f, -5.061f, -13.0087f};
    recipe.center = {-11.3347f, -5.05f, -12.0297f};
    return recipe;
}

SceneRecipe bucklingRecipe()
{
    SceneRecipe recipe;
    recipe.meshFile = "cylinder.obj";
    recipe.imageFiles = {"plastic.jpg"};
    recipe.minimumVertexCount = 1682;
    recipe.texCoordScale = 5.0;
    recipe.strainWeight = 0.1f;
    recipe.bendingWeight = 0.0005f;
    // Held: 0 .. 81 and 1600 .. 1681. Moved: n-1 .. n-82 and n-1601 .. n-1682,
    // counted down from the end of the vertex list.
    recipe.handleGroups = [](int n) {
        return std::vector<std::vector<int>>{
            concatenate(ascending(0, 82), ascending(1600, 82)),
            concatenate(descending(n - 1, 82), descending(n - 1601, 82))};
    };
    // Up lifts the moved group, Down pushes it until it stands 0.72 below its
    // start: nine 0.08 steps sum to exactly 0.72 in double arithmetic.
    recipe.keys[SceneKey::Up] = moveAction(1, {0.0, 0.08, 0.0});
    recipe.keys[SceneKey::Down] = moveAction(1, {0.0, -0.08, 0.0}, 0.72);
    recipe.clickForce = Eigen::Vector3d(0, 0, 50000);
    recipe.pickRadius = 0.1;
    recipe.eye = {-4.79629f, -6.54884f, -7.31891f};
    recipe.center = {-4.51906f, -6.84149f, -6.40376f};
    return recipe;
}

SceneRecipe plateRecipe()
{
    SceneRecipe recipe;
    recipe.meshFile = "plate.obj";
    recipe.imageFiles = {"metal.jpg", "stone.jpg"};
    recipe.minimumVertexCount = 1262;
    recipe.texCoordScale = 0.5;
    recipe.strainWeight = 0.1f;
    recipe.bendingWeight = 0.15f;
    recipe.handleGroups = [](int) {
        return std::vector<std::vector<int>>{ascending(0, 60), ascending(900, 20),
                                             ascending(1250, 12)};
    };
    recipe.clickForce = Eigen::Vector3d(0, -10000, 0);
    recipe.pickRadius = 1.0;
    recipe.eye = {5.59727f, 2.36266f, -14.9643f};
    recipe.center = {4.8225f, 2.00105f, -14.4457f};
    return recipe;
}
