#pragma once

#include <functional>
#include <vector>

#include <Eigen/Core>
#include <Eigen/SparseCore>

#include "surface_mesh/Surface_mesh.h"

namespace Zarvo {

// One mesh element: its point indices and a 3 x k matrix whose column j is
// the position of point j of the list, at the time of the walk.
using ElementCallback = std::function<void(const std::vector<int>&, const Eigen::Matrix3Xd&)>;

// A 3 x n view of the mesh's "v:point" array (column i = vertex i). The mesh
// must hold no deleted vertices and must outlive the view.
Eigen::Map<Eigen::Matrix3Xd> pointsView(surface_mesh::Surface_mesh& mesh);

// Every edge: (to_vertex of halfedge 0, to_vertex of halfedge 1).
void forEachEdge(const surface_mesh::Surface_mesh& mesh, const ElementCallback& callback);

// Every face: its corners from its halfedge on, in next_halfedge order.
void forEachFace(const surface_mesh::Surface_mesh& mesh, const ElementCallback& callback);

// Every edge with a face on both sides, as a hinge: (first end, second end,
// corner opposite in the face of halfedge 0, corner opposite in the other).
void forEachInteriorEdge(const surface_mesh::Surface_mesh& mesh, const ElementCallback& callback);

// Lumped masses: vertex i gets a third of the area of its faces (only the
// first three corners of each face count), an n x n diagonal matrix; a vertex
// on no face has no entry.
void buildMassMatrix(const surface_mesh::Surface_mesh& mesh, Eigen::SparseMatrix<double>& masses);

}  // namespace Zarvo
