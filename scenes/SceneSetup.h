#pragma once

#include <string>
#include <utility>
#include <vector>

#include <Eigen/Core>

#include "constraints/HandleConstraint.h"
#include "scenes/SceneBody.h"
#include "scenes/SceneRecipe.h"
#include "solver/MeshAdapters.h"
#include "surface_mesh/Surface_mesh.h"

// The scene set-up that needs neither Qt nor GL: reading and checking the
// mesh, building the solver with its constraints, handles and forces, and
// the geometric part of picking and handle moves.

// The user-facing name of a resource file: "resources/" + file.
std::string resourceName(const std::string& file);
// How messages name the recipe's mesh: its resource name, or its path.
std::string meshName(const SceneRecipe& recipe);

// Reads recipe.meshFile from `resourceFolder` (a path without trailing
// slash) into `mesh`. Throws ResourceError, naming the file, when it cannot
// be read, has no faces, has non-finite coordinates, has a vertex on no face
// (a stray "v" line), has degenerate faces (an edge or a triangle area near
// zero for the mesh's size), or has fewer vertices than the recipe pins.
void readSceneMesh(const SceneRecipe& recipe, const std::string& resourceFolder,
                   surface_mesh::Surface_mesh& mesh);

// One texture coordinate per vertex: `scale` times (u, v) of a face
// halfedge pointing to the vertex (edges in order, halfedge 2e before 2e+1,
// the later one winning); (0, 0) for a vertex on no face.
std::vector<std::pair<double, double>> vertexTexCoords(const surface_mesh::Surface_mesh& mesh,
                                                       double scale);

// Builds the body of a checked mesh: solver over "v:point" with lumped
// masses and the recipe's time step over its substeps, strain constraints
// on every edge, bending on every interior edge (for a solid, masses from
// and strain on the recipe's tetrahedra instead; for a filled surface, a
// solver over its lattice's nodes, body.lattice, with masses from and
// strain on the lattice's tetrahedra, each pinned group of vertices as the
// nodes that hold them), the recipe's handles
// (targets = current positions, shaped by the recipe), its colliders (the
// solver's contact handler, only where there are any), its gravity,
// initialize(), then `faceCollector` over every face, then the click force. The mesh must outlive the solver. Throws
// ResourceError, naming the file, before `faceCollector` sees a face, when
// the system cannot be factorized.
SceneBody buildSceneBody(const SceneRecipe& recipe, surface_mesh::Surface_mesh& mesh,
                         const Zarvo::ElementCallback& faceCollector);

// One step of a scene: `substeps` solver steps with the mouse force on
// `picked` (a vertex of `mesh`, -1: none) through all of them, then, for a
// filled surface (`lattice` not null), the mesh's vertices moved to follow
// its nodes. The force keeps its point: the picked vertex, or the node that
// the lattice pulls for it.
void stepScene(Zarvo::Solver& solver, Zarvo::ClickForce& clickForce, int picked, int substeps,
               const EmbeddedLattice* lattice, surface_mesh::Surface_mesh& mesh);

// The vertex nearest to `point` with squared distance below `radius`
// (lowest index on ties), or -1.
int nearestVertex(const surface_mesh::Surface_mesh& mesh, const Eigen::Vector3d& point,
                  double radius);

// Moves every target of `handle` by the affine map x -> linear * x + translation.
void moveHandle(Zarvo::HandleConstraint& handle, const Eigen::Matrix3d& linear,
                const Eigen::Vector3d& translation);
