#pragma once

#include <vector>

#include <Eigen/Core>

#include "solids/SurfaceEmbedding.h"
#include "solids/TetMesh.h"

namespace Zarvo {

// A closed surface filled with a lattice of cubes (SurfaceFill.h): the
// lattice's nodes and tetrahedra, and how the surface's vertices follow it.
struct FilledSolid
{
    // 3 x m: the nodes at rest. A cube that holds several pieces of the
    // body has a copy per piece, and copies share only the nodes where their
    // pieces meet, so that two nodes may start at one place.
    Eigen::Matrix3Xd nodes;
    // Six per cube copy, positively oriented, by node.
    std::vector<Tetrahedron> tetrahedra;
    // One entry per vertex of the surface, in its order.
    SurfaceEmbedding embedding;
    // The cubes' side, in the surface's units.
    double cell = 0.0;
    // The cubes filled, and how many of them are copies of a cube that holds
    // more than one piece (one less than the pieces, per such cube).
    int cubes = 0;
    int copies = 0;
};

}  // namespace Zarvo
