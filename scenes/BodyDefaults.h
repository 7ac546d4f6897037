#pragma once

#include <vector>

#include "scenes/SceneRecipe.h"
#include "surface_mesh/Surface_mesh.h"

// What a mesh gets where no scene file says otherwise. Everything follows
// the mesh's size s (its bounding-box diagonal) and mean edge length h,
// measured against the shipped cloth (s = 13.124, h = 0.2839), so that a
// mesh of any size and resolution hangs like the cloth.

// The shipped cloth's size, the diagonal of its bounding box.
inline constexpr double shippedClothSize = 13.124404748406688;

// The vertices along the top of each connected piece of the mesh (a garment
// often comes as separate panels): within 1% of the piece's height of its
// largest y. A mesh flat in y (height below 1% of s) takes z instead, and
// one flat in z too x. The corners of each of `tetrahedra` (a solid's) are
// of one piece.
std::vector<int> topVertices(const surface_mesh::Surface_mesh& mesh,
                             const std::vector<Zarvo::Tetrahedron>& tetrahedra);

// Density and weights for a mesh with `pinnedCount` pinned vertices.
// The density keeps the weight each pin carries to at most 1e-5 s of pull
// on its handle (whose stiffness is fixed), and is at most 1: density =
// min(1, s P / A) for area A and P pins (1 without pins). The strain weight follows the membrane
// stiffness that gives the cloth's stretch: 0.005 sqrt(density (h / h_c)
// (s / s_c)); the bending weight the bending stiffness that gives its
// folds: 8e-6 sqrt(density (s / s_c)^3).
// A solid (recipe.tetrahedra) takes its volume V for A, and the strain
// weight of its tetrahedra 5 sqrt(density s / s_c), which makes a bar ten
// times as long as it is thick sag under its own weight by some 8% of its
// length at any size; it has no bending weight.
void fitMaterial(const surface_mesh::Surface_mesh& mesh, int pinnedCount, SceneRecipe& recipe);
// The two weights alone, from the recipe's density as it stands.
void fitWeights(const surface_mesh::Surface_mesh& mesh, SceneRecipe& recipe);

// The whole default scene of the mesh read from `path`, with the solid's
// `tetrahedra` (empty for a surface): pinned along its top (topVertices) with fitMaterial, 10
// iterations, no images; Left / Right gather and spread the pins along x
// about their centre (never below 0.4 or above 2.5 of their spread), Up /
// Down move them by 0.05 s (never beyond 0.5 s from the start); the mouse pushes with
// 5000 s / s_c away from the camera and picks within (h / h_c)^2 0.1 squared
// distance; the camera frames the body (framedCamera).
// A filled surface (`solid`, of the mesh's vertices) is a solid of its
// lattice's volume and weights.
SceneRecipe defaultRecipe(const surface_mesh::Surface_mesh& mesh, const std::string& path,
                          std::vector<Zarvo::Tetrahedron> tetrahedra,
                          std::shared_ptr<const Zarvo::FilledSolid> solid = nullptr);

// Sets the recipe's eye and centre so that the whole body is in view: the
// eye looks along (0.2, -0.2, 1) at the centre of the bounding box, from
// where the box's bounding sphere fills the 45-degree field of view; the
// centre is one unit ahead of the eye. Also sets the mouse force's direction.
void frameCamera(const surface_mesh::Surface_mesh& mesh, SceneRecipe& recipe);
