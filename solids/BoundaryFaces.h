#pragma once

#include <array>
#include <vector>

#include "solids/TetMesh.h"

namespace Zarvo {

// The faces that belong to exactly one of `tetrahedra` (positively
// oriented), each as three corner indices turning counterclockwise seen
// from outside its tetrahedron, so that (c1 - c0) x (c2 - c0) points out of
// the body. In the order of their tetrahedra, and within one the faces
// opposite its corners 3, 2, 1, 0.
std::vector<std::array<int, 3>> boundaryFaces(const std::vector<Tetrahedron>& tetrahedra);

}  // namespace Zarvo
