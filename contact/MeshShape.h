#pragma once

#include <cstdint>
#include <memory>

#include "contact/Shape.h"

namespace Zarvo {

// Any triangle mesh as an obstacle, through a sparse distance field sampled
// near its surface (a narrow band of voxels), a coarse field over its
// bounding box farther out, and the box beyond. A closed mesh is solid
// inside (signed distance), and the coarse field, which fills its inside
// too, tells a point deep in it the way out; an open one (a terrain, a
// wall) is a surface kept away from on either side (unsigned distance).
//
// The field's cost follows the surface's area over the voxel size squared,
// not the triangle count, so a mesh of 100,000 triangles answers as fast
// as one of ten. Trilinear interpolation of exact distances at the voxel
// centres is exact near flat parts; beside an edge or a corner at distance
// d it errs by about voxel² / (8 d).
class MeshShape : public Shape
{
public:
    // `mesh`: at least one triangle, finite points (std::invalid_argument);
    // `closed`: whether every edge has two triangles; `thickness`: the
    // distance bodies keep from it, above zero, which sets the field's
    // resolution (distances off by less than a tenth of it) and reach; the
    // field may have at most mostVoxels (std::length_error).
    MeshShape(TriangleMesh mesh, bool closed, double thickness);
    ~MeshShape() override;

    double distance(const Eigen::Vector3d& point) const override;
    Eigen::Vector3d normal(const Eigen::Vector3d& point) const override;
    double distance(const Eigen::Vector3d& point, Eigen::Vector3d& normal) const override;
    TriangleMesh surface(double extent) const override;

    // Bytes the field holds.
    std::size_t fieldBytes() const;

    // About how many voxels the field of `mesh` at `thickness` holds: its
    // area over the voxel size squared, times the band's depth. Building
    // takes some 30 bytes a voxel at its peak.
    static double fieldVoxels(const TriangleMesh& mesh, double thickness);
    // The most voxels a field may have (about 300 MB to build).
    static constexpr double mostVoxels = 1e7;

private:
    struct Field;

    // The distance and, where `gradient` is given, its gradient (not
    // normalized), from the field that holds the point.
    double evaluate(const Eigen::Vector3d& point, Eigen::Vector3d* gradient) const;

    TriangleMesh mesh_;
    Eigen::Vector3d low_;
    Eigen::Vector3d high_;
    double voxelSize_;
    std::uint64_t key_;  // names the fields to the threads' accessors
    std::unique_ptr<Field> field_;
};

}  // namespace Zarvo
