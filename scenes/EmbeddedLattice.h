#pragma once

#include <memory>

#include <Eigen/Core>

#include "solids/FilledSolid.h"
#include "surface_mesh/Surface_mesh.h"

// A filled surface's body (SurfaceFill.h): the lattice's nodes, which the
// solver steps in place of the mesh's vertices, and the embedding that the
// mesh's vertices follow. The mesh stays the person's own surface, so
// everything that reads it (the window, body.obj, the point cache, Python)
// shows that surface and its texture coordinates.
//
// Everything that acts on a body acts on the nodes: a pinned vertex pins
// every node of its tetrahedron that carries it (so it stays exactly where
// it is put), and the mouse pulls the node that carries most of the picked
// vertex. Contact acts on the nodes too: they are the solver's points, and
// what the body does comes from them; a collider between nodes and vertices
// would need its response spread back over four nodes per vertex, every
// pass. Each vertex is a convex combination of four nodes, so nodes kept
// above a floor keep every vertex above it as well; against a curved
// obstacle a vertex may come nearer than the nodes, by less than a cube.
// The lattice starts at the surface's lowest points, so a body resting on
// the lattice's lowest faces rests on its own lowest points.
class EmbeddedLattice
{
public:
    explicit EmbeddedLattice(std::shared_ptr<const Zarvo::FilledSolid> solid);

    // 3 x m, the solver's points: the nodes, starting at rest.
    Eigen::Matrix3Xd nodes;
    const Zarvo::FilledSolid& solid() const { return *solid_; }

    // Moves the mesh's vertices to where the nodes now put them.
    void moveSurface(surface_mesh::Surface_mesh& mesh) const;
    // The node the mouse pulls for the picked `vertex` of the mesh; -1 for -1.
    int pulledNode(int vertex) const;

private:
    std::shared_ptr<const Zarvo::FilledSolid> solid_;
};
