#pragma once

#include <array>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "solids/FilledSolid.h"

namespace Zarvo {

// Fills the closed surface of `vertices` (3 x n) and `triangles` (corner
// indices) with cubes, `cells` of them along the longest side of its
// bounding box, starting at the box's low corner, so that a body resting on
// its lowest points rests on the lattice's lowest faces. A cube is kept when
// the surface touches it or it lies inside (InsideVoxels.h, on voxels of an
// eighth of a cube or coarser for very fine lattices, `closing` its
// closing radius in cubes), once per connected piece of the inside within
// it; each kept cube is split into six tetrahedra about its diagonal from
// its lowest to its highest corner (the same everywhere, so that
// neighbouring cubes' faces match). Each vertex follows the tetrahedron of
// its piece's cube that it lies in.
//
// Throws SolidFillError naming `name` when the surface has holes that the
// closing leaves open (nothing is left inside to fill), or a coordinate is
// not finite.
FilledSolid fillSurface(const Eigen::Matrix3Xd& vertices,
                        const std::vector<std::array<int, 3>>& triangles, int cells,
                        double closing, const std::string& name);

}  // namespace Zarvo
