#pragma once

#include <string>

#include "solids/TetMesh.h"

namespace Zarvo {

// Whether `path` names a tetrahedral mesh file by its extension, in any
// case: ".msh" (Gmsh), ".node" or ".ele" (TetGen: either file of the pair)
// or ".mesh" (Medit).
bool isTetMeshFile(const std::string& path);

// Reads it with the reader its extension picks (GmshReader.h,
// TetGenReader.h, MeditReader.h); `name` is how messages call the file.
// Throws TetMeshError naming the file and the line, also for a path that is
// not a tetrahedral mesh file.
TetMesh readTetMeshFile(const std::string& path, const std::string& name);

}  // namespace Zarvo
