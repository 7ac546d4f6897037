#pragma once

#include <array>
#include <vector>

#include <Eigen/Core>

#include "surface_mesh/Surface_mesh.h"

// Measures of a mesh that scene set-up decides by.

// Every vertex's position, 3 x n in the vertices' order.
Eigen::Matrix3Xd vertexPositions(const surface_mesh::Surface_mesh& mesh);

// The corners of every face that is a triangle, in the faces' order.
std::vector<std::array<int, 3>> meshTriangles(const surface_mesh::Surface_mesh& mesh);

// Whether every vertex coordinate is finite.
bool allFinite(const surface_mesh::Surface_mesh& mesh);

// Vertices that no face uses: the solver would give them no mass and no
// rows, so the factorization could not determine them.
int verticesOnNoFace(const surface_mesh::Surface_mesh& mesh);

// The corners of the bounding box of the finite vertex positions; both at
// the origin for a mesh without any.
struct BoundingBox
{
    surface_mesh::Point low{0, 0, 0};
    surface_mesh::Point high{0, 0, 0};
};
BoundingBox boundingBox(const surface_mesh::Surface_mesh& mesh);

// The diagonal of that box: the mesh's size.
double boundingBoxDiagonal(const surface_mesh::Surface_mesh& mesh);

// The mean length of the mesh's edges; 0 for a mesh without edges.
double meanEdgeLength(const surface_mesh::Surface_mesh& mesh);

// Whether face `f` is one the solver cannot simulate: its constraint rows and
// masses would lie so many orders of magnitude from the rest of the body's
// that the factorized system returns garbage (seen with edges of 1e-43 beside
// edges of 1e14). An edge must reach 1e-4 of `size` (the mesh's bounding-box
// diagonal), and the triangle of the face's first three corners (which
// carries its mass) 1e-4 of its longest edge squared; a non-finite corner
// makes the face degenerate too.
bool isDegenerateFace(const surface_mesh::Surface_mesh& mesh, surface_mesh::Face f, double size);
