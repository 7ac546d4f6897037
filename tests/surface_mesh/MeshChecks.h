#pragma once

#include "surface_mesh/Surface_mesh.h"

#include <functional>
#include <string>

// Text written to standard error while `action` runs.
std::string captured_stderr(const std::function<void()>& action);

// Empty when every halfedge link, face loop and vertex record of the mesh
// agrees with the others; otherwise the first inconsistency found.
std::string connectivity_error(const surface_mesh::Surface_mesh& mesh);
