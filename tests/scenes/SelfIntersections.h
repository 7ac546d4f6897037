#pragma once

#include <array>
#include <vector>

#include <Eigen/Core>

// The pairs of a surface's triangles that intersect, by exact predicates:
// triangles that share a corner or an edge count only where they meet
// beyond it. `points`: 3 x n; `triangles` by point index, each edge on at
// most two of them.
int intersectingTrianglePairs(const Eigen::Matrix3Xd& points,
                              const std::vector<std::array<int, 3>>& triangles);
