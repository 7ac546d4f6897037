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
    pulled_ = vertex;
}

Eigen::Map<const Eigen::Matrix3Xd> SceneSimulation::positions() const
{
    using Point = surface_mesh::Vector<double, 3>;
    const auto points = scene_.mesh.find_vertex_property<Point>("v:point");
    const auto& storage = points.vector();
    return Eigen::Map<const Eigen::Matrix3Xd>(storage.empty() ? nullptr : storage[0].data(), 3,
                                              static_cast<Eigen::Index>(storage.size()));
}

void SceneSimulation::step()
{
    stepScene(*body_.solver, *body_.clickForce, pulled_, body_.substeps, body_.lattice.get(),
              scene_.mesh);
    pulled_ = -1;
    body_.clickForce->vertex = -1;
}
