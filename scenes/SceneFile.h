#pragma once

#include <string>
#include <utility>

#include "scenes/JsonField.h"
#include "scenes/SceneRecipe.h"
#include "surface_mesh/Surface_mesh.h"

// A scene ready to build: its recipe and its read and checked mesh.
struct LoadedScene
{
    SceneRecipe recipe;
    surface_mesh::Surface_mesh mesh;
    // How the scene is called to a person: "cloth", "flag.json", "flag.obj".
    std::string title;
};

// Reads `scene` into `loaded`, which must be fresh: the name of a shipped
// scene ("cloth", "shell" or "plate", its mesh read from `resourceFolder`),
// a scene file (a name ending in ".json") or a mesh file (any other name:
// a surface or a tetrahedral mesh, as readBody of BodyMesh.h reads it,
// which then gets the defaults of BodyDefaults.h). Throws ResourceError with
// a message naming the file and, for a scene file, the field as a JSON path
// and what is wrong with it.
void loadScene(const std::string& scene, const std::string& resourceFolder, LoadedScene& loaded);

// The same into a mesh held elsewhere (a fresh one), for a body that must
// keep its mesh in place, such as a window's scene. Returns the title.
std::string loadScene(const std::string& scene, const std::string& resourceFolder,
                      SceneRecipe& recipe, surface_mesh::Surface_mesh& mesh);

// `relative` (a path in the scene file `file`) as a path: taken from the
// file's folder unless absolute.
std::string besideFile(const std::string& file, const std::string& relative);

// The "min" and "max" corners of an axis-aligned box field, min not above
// max on any axis. Throws ResourceError naming the field.
std::pair<Eigen::Vector3d, Eigen::Vector3d> readBoxCorners(const JsonField& box);
