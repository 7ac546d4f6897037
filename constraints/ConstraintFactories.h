#pragma once

#include <Eigen/Core>

#include <memory>
#include <vector>

namespace Zarvo {

class Solver;

// Both factories have the shape bound into an ElementCallback:
// `solver` receives the constraint (appended to its list; call before
// initialize), `weight` is the user weight, `indices` the element's points in
// the order the constraint class expects, `positions` the element's rest
// positions (3 x k, column j for indices[j]).
//
// An element whose rest shape is degenerate (coincident points, collinear
// triangle corners, a flat tetrahedron, a hinge with a flat triangle) would
// give rows or a weight that are not finite, which the global solve would
// spread to every point: such an element adds nothing.

// By size: 2 points an EdgeStrainConstraint, 3 a TriangleStrainConstraint, 4
// a TetrahedronStrainConstraint (corners 1 and 2 swapped when the rest
// corners are negatively oriented); indices and columns that disagree, or any
// other size, add nothing.
void addStrainConstraint(const std::shared_ptr<Solver>& solver, double weight,
                         const std::vector<int>& indices, const Eigen::Matrix3Xd& positions);

// A BendingIsometricConstraint on the hinge (i0, i1 the shared edge, i2 and
// i3 the opposite corners); exactly four indices and four columns.
void addBendingConstraint(const std::shared_ptr<Solver>& solver, double weight,
                          const std::vector<int>& indices, const Eigen::Matrix3Xd& positions);

}  // namespace Zarvo
