#include "scenes/SceneSimulation.h"

#include <stdexcept>

#include "scenes/SceneSetup.h"

SceneSimulation::SceneSimulation(const std::string& scene, const std::string& resourceFolder)
{
    loadScene(scene, resourceFolder, scene_);
    body_ = buildSceneBody(scene_.recipe, scene_.mesh,
                           [](const std::vector<int>&, const Eigen::Matrix3Xd&) {});
}

bool SceneSimulation::press(SceneKey key)
{
    return body_.keys.press(key);
}

void SceneSimulation::pull(int vertex)
{
    if (vertex < 0 || vertex >= vertexCount())
        throw std::out_of_range("vertex " + std::to_string(vertex) + " is not one of the body's "
                                + std::to_string(vertexCount()));
    body_.clickForce->vertex = vertex;
}

void SceneSimulation::step()
{
    stepScene(*body_.solver, *body_.clickForce, body_.clickForce->vertex, body_.substeps);
    body_.clickForce->vertex = -1;
}
