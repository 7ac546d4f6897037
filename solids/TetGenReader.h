#pragma once

#include <string>

#include "solids/TetMesh.h"

namespace Zarvo {

// Reads a TetGen mesh: the pair of files STEM.node (the points) and
// STEM.ele (the tetrahedra), where `path` names either file of the pair
// and `name` is how messages call it. The .node file begins "points 3
// attributes markers" (markers 0 or 1), each point line "number x y z",
// then the attributes and the marker; the numbers run on from the first,
// 0 or 1. The .ele file begins "tetrahedra corners regions" (corners 4 or
// 10, of which the first four are the corners; regions 0 or 1), each line
// "number n0 n1 n2 n3 ...", naming the points by their numbers. '#' starts
// a comment. Throws TetMeshError naming the file and the line: a count that
// does not match the lines, a truncated file, garbage where a number should
// be, and what TetMeshBuilder::finish refuses.
TetMesh readTetGen(const std::string& path, const std::string& name);

}  // namespace Zarvo
