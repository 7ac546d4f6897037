#pragma once

#include <string>
#include <vector>

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
