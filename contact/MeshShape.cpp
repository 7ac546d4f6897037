#include "contact/MeshShape.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include <openvdb/openvdb.h>
#include <openvdb/tools/Interpolation.h>
#include <openvdb/tools/MeshToVolume.h>

namespace Zarvo {

// The fine field near the surface, and for a closed mesh a coarse one that
// fills the inside, where the fine field holds only its background: a point
// deep inside still learns which way is out.
struct MeshShape::Field
{
    openvdb::FloatGrid::Ptr surface;
    openvdb::FloatGrid::Ptr inside;
    // Fine values at or below this are the fine field's inner background.
    double deep = 0.0;
};

namespace {

// Voxels of half the thickness: beside an edge at the thickness the
// interpolated distance then errs by about a thirtieth of it. The band
// reaches twice the thickness, and two voxels more so that interpolation
// there still reads sampled values.
constexpr double voxelsPerThickness = 2.0;
constexpr double reachInThicknesses = 2.0;
constexpr float surfaceBand = static_cast<float>(reachInThicknesses * voxelsPerThickness) + 2.0f;
// The inside field's voxels across the mesh's bounding-box diagonal, at
// most: 64 keep it under a few megabytes for any mesh.
constexpr double insideVoxelsAcross = 64.0;

struct VdbMesh
{
    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
    std::vector<openvdb::Vec4I> quads;
};

VdbMesh vdbMesh(const TriangleMesh& mesh)
{
    VdbMesh vdb;
    auto& points = vdb.points;
    points.reserve(mesh.points.size());
    for (const Eigen::Vector3d& p : mesh.points)
        points.emplace_back(static_cast<float>(p.x()), static_cast<float>(p.y()),
                            static_cast<float>(p.z()));
    vdb.triangles.reserve(mesh.triangles.size());
    for (const auto& t : mesh.triangles)
        vdb.triangles.emplace_back(t[0], t[1], t[2]);
    return vdb;
}

// Signed distances out to `outside` and in to `inside` voxels of the
// surface.
openvdb::FloatGrid::Ptr signedField(const VdbMesh& mesh, double voxelSize, float outside,
                                    float inside)
{
    const auto transform = openvdb::math::Transform::createLinearTransform(voxelSize);
    return openvdb::tools::meshToSignedDistanceField<openvdb::FloatGrid>(
        *transform, mesh.points, mesh.triangles, mesh.quads, outside, inside);
}

double sample(const openvdb::FloatGrid& grid, const Eigen::Vector3d& point)
{
    const openvdb::Vec3d index =
        grid.transform().worldToIndex(openvdb::Vec3d(point.x(), point.y(), point.z()));
    const auto accessor = grid.getConstUnsafeAccessor();
    return openvdb::tools::BoxSampler::sample(accessor, index);
}

}  // namespace

MeshShape::MeshShape(TriangleMesh mesh, bool closed, double thickness)
    : mesh_(std::move(mesh)), voxelSize_(thickness / voxelsPerThickness)
{
    if (mesh_.triangles.empty())
        throw std::invalid_argument("MeshShape: the mesh has no triangles");
    if (!(thickness > 0.0))
        throw std::invalid_argument("MeshShape: the thickness must be above zero");
    for (const auto& t : mesh_.triangles)
        for (const int corner : t)
            if (corner < 0 || corner >= static_cast<int>(mesh_.points.size()))
                throw std::invalid_argument("MeshShape: a triangle names a point it does not have");
    low_ = high_ = mesh_.points.front();
    for (const Eigen::Vector3d& p : mesh_.points) {
        if (!p.allFinite())
            throw std::invalid_argument("MeshShape: the mesh has non-finite points");
        low_ = low_.cwiseMin(p);
        high_ = high_.cwiseMax(p);
    }
    openvdb::initialize();
    const VdbMesh vdb = vdbMesh(mesh_);
    field_ = std::make_unique<Field>();
    if (!closed) {
        const auto transform = openvdb::math::Transform::createLinearTransform(voxelSize_);
        field_->surface = openvdb::tools::meshToUnsignedDistanceField<openvdb::FloatGrid>(
            *transform, vdb.points, vdb.triangles, vdb.quads, surfaceBand);
        return;
    }
    field_->surface = signedField(vdb, voxelSize_, surfaceBand, surfaceBand);
    field_->deep = -(surfaceBand - 1.0) * voxelSize_;
    const double coarse = std::max(voxelSize_, (high_ - low_).norm() / insideVoxelsAcross);
    field_->inside = signedField(vdb, coarse, 2.0f, std::numeric_limits<float>::max());
}

MeshShape::~MeshShape() = default;

double MeshShape::boxDistance(const Eigen::Vector3d& point) const
{
    return (point - point.cwiseMax(low_).cwiseMin(high_)).norm();
}

double MeshShape::distance(const Eigen::Vector3d& point) const
{
    // Outside the band the field holds its background, the band's width:
    // a lower bound, as is the distance to the bounding box; the larger of
    // the two lets a far point advance quickly.
    const double near = sample(*field_->surface, point);
    const double box = boxDistance(point);
    if (box > 0.0)
        return std::max(box, near);
    if (field_->inside && near <= field_->deep)
        return std::min(near, sample(*field_->inside, point));
    return near;
}

Eigen::Vector3d MeshShape::normal(const Eigen::Vector3d& point) const
{
    // Central differences over half a voxel.
    const double h = 0.5 * voxelSize_;
    Eigen::Vector3d gradient;
    for (int axis = 0; axis < 3; ++axis) {
        Eigen::Vector3d step = Eigen::Vector3d::Zero();
        step[axis] = h;
        gradient[axis] = distance(point + step) - distance(point - step);
    }
    const double length = gradient.norm();
    return length > 0.0 ? Eigen::Vector3d(gradient / length) : Eigen::Vector3d::UnitY();
}

TriangleMesh MeshShape::surface(double) const
{
    return mesh_;
}

std::size_t MeshShape::fieldBytes() const
{
    return static_cast<std::size_t>(field_->surface->memUsage()) +
           (field_->inside ? static_cast<std::size_t>(field_->inside->memUsage()) : 0);
}

}  // namespace Zarvo
