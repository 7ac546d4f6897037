#pragma once

#include <Eigen/Core>

#include "surface_mesh/Surface_mesh.h"

// Where the window shows a body read from a file: scaled and shifted onto
// the stage that the window's fixed frame is made for (the ground at
// y = -11, the light at (0, 10, -10), a 200 x 200 ground, a camera that sees
// from 0.1 to 100 and moves one unit per key), the way it shows the shipped
// cloth. A mesh in centimetres and the same mesh in metres look alike. Only
// drawing and picking use it: the body is simulated in its own units.
struct DisplayFrame
{
    // displayed point = scale * mesh point + offset.
    double scale = 1.0;
    Eigen::Vector3d offset = Eigen::Vector3d::Zero();

    Eigen::Vector3d toDisplay(const Eigen::Vector3d& point) const { return scale * point + offset; }
    Eigen::Vector3d toMesh(const Eigen::Vector3d& point) const { return (point - offset) / scale; }
};

// The frame for `mesh` as it starts (at least one vertex): its bounding box
// gets the shipped cloth's diagonal, its middle stands at x = z = 0, and its
// lowest point where the cloth's is, 2.5 above the ground, so that the body
// hangs above the ground with room to sag and the light stays above it.
DisplayFrame displayFrameAround(const surface_mesh::Surface_mesh& mesh);
