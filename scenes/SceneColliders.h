#pragma once

#include <string>

#include "scenes/JsonField.h"
#include "scenes/SceneRecipe.h"
#include "surface_mesh/Surface_mesh.h"

// Reads the "contact" and "colliders" fields of the scene file `sceneFile`
// (its root object `root`) into the recipe's colliders and thickness; the
// defaults follow `body`, the scene's checked mesh. Collider mesh files are
// found beside the scene file. Throws ResourceError naming the file and
// the field.
void readColliders(const JsonField& root, const std::string& sceneFile,
                   const surface_mesh::Surface_mesh& body, SceneRecipe& recipe);

// Reads the "self_contact" field (true, false or {"thickness", "friction"},
// each defaulting as for colliders) into the recipe; a solid body is
// refused. Throws ResourceError naming the file and the field.
void readSelfContact(const JsonField& root, const surface_mesh::Surface_mesh& body,
                     SceneRecipe& recipe);

// The distance a body keeps from obstacles where its scene file says
// nothing: a quarter of its mean edge length, at most 1% of its size.
double defaultThickness(const surface_mesh::Surface_mesh& body);
// The friction coefficient where neither the collider nor "contact" says.
inline constexpr double defaultFriction = 0.3;
