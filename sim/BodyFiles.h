#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <Eigen/Core>

#include "sim/OutputFolder.h"
#include "surface_mesh/Surface_mesh.h"

// The files zarvo-sim writes: the body as an OBJ mesh and its motion as a
// Point Cache 2 file, which renderers play back on that mesh.

// The OBJ text after the vertices: one "vt" per face corner where the mesh
// has texture coordinates, then the faces (1-based, "f v/t ..." or "f v ...").
std::string objFaces(const surface_mesh::Surface_mesh& mesh);

// One "v x y z" line per column, in single precision, as the cache holds it.
std::string objVertices(const Eigen::Matrix3Xd& points);

// Writes a Point Cache 2 file: the signature "POINTCACHE2" and its zero,
// version 1, point count, start frame, sample rate (frames between samples)
// and sample count, then x, y, z per point per sample in float32, all
// little-endian. The header promises `samples` samples.
class PointCacheWriter
{
public:
    PointCacheWriter(OutputFolder::File file, int points, int samples, float startFrame,
                     float sampleRate);

    // Appends one sample; throws std::logic_error past the promised count.
    void write(const Eigen::Matrix3Xd& points);
    // Closes the file; throws WriteError, or std::logic_error when fewer
    // samples than promised were written.
    void close();

private:
    OutputFolder::File file_;
    int samples_;
    int written_ = 0;
    std::vector<float> buffer_;
};
