#pragma once

#include <string>

#include "solids/TetMesh.h"

namespace Zarvo {

// Reads a Medit mesh file `path` (messages call it `name`), ASCII: the
// keyword MeshVersionFormatted and its version first, then keywords each
// followed by its count and entries, values separated by any white space
// and '#' starting a comment. "Dimension 3" must come before "Vertices"
// (entries "x y z reference"); "Tetrahedra" holds "n0 n1 n2 n3 reference"
// with the vertices counted from 1; the file ends at "End" or at its end.
// Other keywords and the values after them are passed over. Throws
// TetMeshError naming the file and the line: another dimension, a count
// that does not match the entries, a truncated file, garbage where a number
// should be, and what TetMeshBuilder::finish refuses.
TetMesh readMedit(const std::string& path, const std::string& name);

}  // namespace Zarvo
