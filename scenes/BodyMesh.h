#pragma once

#include <string>
#include <vector>

#include "solids/TetMesh.h"
#include "surface_mesh/Surface_mesh.h"

// Reads a person's mesh file (OBJ, OFF or STL) into `mesh` for simulation,
// as triangles only: a polygon of k corners becomes the k - 2 triangles
// fanned from its first corner, with its corners' texture coordinates, so
// that a quad mesh is simulated (masses, bending hinges, shear) as its
// triangulated twin. What a scanned or modelled mesh commonly holds is kept
// out of the body: faces the mesh refuses (non-manifold, repeated corners),
// degenerate triangles (isDegenerateFace) and vertices on no remaining face
// are left out, each kind reported once on standard error with a count,
// under `name` (how messages name the file). The kept vertices keep their
// file order, and triangles their texture coordinates ("h:texcoord").
// Several threads may read at once: the reader's messages come back to the
// caller, and each report is one write.
// Returns, per vertex of the file, its index in `mesh` or -1 when left out.
// Throws ResourceError naming the file when it cannot be read or keeps no face.
std::vector<int> readBodyMesh(const std::string& path, const std::string& name,
                              surface_mesh::Surface_mesh& mesh);

// Reads a tetrahedral mesh file (solids/TetMeshFile.h) into `mesh` and
// `tetrahedra` for simulation: the mesh's vertices are the nodes on some
// tetrahedron, in the file's order, and its faces the boundary faces (those
// of exactly one tetrahedron), outward; `tetrahedra` are by those vertices.
// Nodes on no tetrahedron are left out, and boundary faces that the mesh
// refuses (tetrahedra that meet at an edge or a corner only) are left out
// of the surface, each kind reported once on standard error with a count.
// Returns, per node of the file, its vertex in `mesh` or -1 when left out.
// Throws ResourceError naming the file and the line when it is refused.
std::vector<int> readTetBody(const std::string& path, const std::string& name,
                             surface_mesh::Surface_mesh& mesh,
                             std::vector<Zarvo::Tetrahedron>& tetrahedra);

// A body file of any kind: readTetBody for a tetrahedral mesh file's
// extension (solids/TetMeshFile.h), readBodyMesh (no tetrahedra) for others.
std::vector<int> readBody(const std::string& path, const std::string& name,
                          surface_mesh::Surface_mesh& mesh,
                          std::vector<Zarvo::Tetrahedron>& tetrahedra);
