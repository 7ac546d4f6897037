#pragma once

#include <string>

#include "solids/TetMesh.h"

namespace Zarvo {

// Reads a Gmsh mesh file `path` (messages call it `name`): ASCII, format
// version 2.2 or 4.1. Its tetrahedra are the elements of type 4, corners
// in the file's order; elements of every other type are passed over, and
// so are sections other than $MeshFormat, $Nodes and $Elements. Nodes keep
// the file's order (TetMesh::kept), whatever their tags. Throws
// TetMeshError naming the file and the line: a binary file or another
// version, a count that does not match what follows, a truncated file,
// garbage where a number should be, and what TetMeshBuilder::finish refuses.
TetMesh readGmsh(const std::string& path, const std::string& name);

}  // namespace Zarvo
