#pragma once

#include <string>

#include "scenes/SceneBody.h"
#include "scenes/SceneFile.h"

// A scene's body stepped without a window: what the headless runner and
// the tests drive. The scene's keys and its mouse force act as in the
// window.
class SceneSimulation
{
public:
    // Loads `scene` as loadScene does and builds its body. Throws
    // ResourceError naming the file.
    SceneSimulation(const std::string& scene, const std::string& resourceFolder);
    SceneSimulation(const SceneSimulation&) = delete;
    SceneSimulation& operator=(const SceneSimulation&) = delete;

    // Applies the scene's action for `key` to its pinned group; false when
    // the scene has none or its limit refuses it.
    bool press(SceneKey key);
    // The scene's mouse force pushes `vertex` (of the mesh) during the next
    // step only.
    // Throws std::out_of_range for a vertex outside the body.
    void pull(int vertex);
    void step();

    int vertexCount() const { return static_cast<int>(scene_.mesh.vertex_count()); }
    // 3 x vertexCount(): the mesh's vertices now, what is drawn and written.
    // The solver's points for every body but a filled surface, whose solver
    // steps its lattice's nodes (body().lattice) and whose vertices follow.
    Eigen::Map<const Eigen::Matrix3Xd> positions() const;
    const LoadedScene& scene() const { return scene_; }
    Zarvo::Solver& solver() { return *body_.solver; }
    const SceneBody& body() const { return body_; }

private:
    // Declared first, so that the solver, which views the mesh's points,
    // is released before the mesh.
    LoadedScene scene_;
    SceneBody body_;
    int pulled_ = -1;
};
