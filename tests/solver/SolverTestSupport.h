#pragma once

#include <memory>

#include "solver/Solver.h"
#include "surface_mesh/Surface_mesh.h"

namespace Zarvo::testing {

// A square sheet of `side` x `side` vertices with spacing `spacing` in the
// x-z plane at height `y`, vertex index = row * side + column, row 0 at z = 0.
void makeGrid(surface_mesh::Surface_mesh& mesh, int side, double spacing, double y = 0.0);

// The cloth set-up on `mesh`: strain on every edge (0.005f), bending on every
// interior edge (8e-06f), a handle on every fifth vertex of row 0, gravity;
// not yet initialized.
std::shared_ptr<Solver> buildClothSolver(surface_mesh::Surface_mesh& mesh);

// buildClothSolver, then initialize().
std::shared_ptr<Solver> makeClothSolver(surface_mesh::Surface_mesh& mesh);

}  // namespace Zarvo::testing
