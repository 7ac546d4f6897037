#include "contact/MeshShape.h"

#include <stdexcept>

#include <openvdb/openvdb.h>
#include <openvdb/tools/Interpolation.h>
#include <openvdb/tools/MeshToVolume.h>

namespace Zarvo {

struct MeshShape::Field
{
    openvdb::FloatGrid::Ptr grid;
};

namespace {

// Voxels of half the thickness: beside an edge at the thickness the
// interpolated distance then errs by about a thirtieth of it. The band
// reaches twice the thickness, and two voxels more so that interpolation
// there still reads sampled values.
constexpr double voxelsPerThickness = 2.0;
constexpr double reachInThicknesses = 2.0;

openvdb::FloatGrid::Ptr buildField(const TriangleMesh& mesh, bool closed, double voxelSize)
{
    openvdb::initialize();
    std::vector<openvdb::Vec3s> points;
    points.reserve(mesh.points.size());
    for (const Eigen::Vector3d& p : mesh.points)
        points.emplace_back(static_cast<float>(p.x()), static_cast<float>(p.y()),
                            static_cast<float>(p.z()));
    std::vector<openvdb::Vec3I> triangles;
    triangles.reserve(mesh.triangles.size());
    for (const auto& t : mesh.triangles)
        triangles.emplace_back(t[0], t[1], t[2]);
    const std::vector<openvdb::Vec4I> quads;
    const auto transform = openvdb::math::Transform::createLinearTransform(voxelSize);
    const float band = static_cast<float>(reachInThicknesses * voxelsPerThickness) + 2.0f;
    if (closed)
        return openvdb::tools::meshToSignedDistanceField<openvdb::FloatGrid>(
            *transform, points, triangles, quads, band, band);
    return openvdb::tools::meshToUnsignedDistanceField<openvdb::FloatGrid>(*transform, points,
                                                                          triangles, quads, band);
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
    field_ = std::make_unique<Field>();
    field_->grid = buildField(mesh_, closed, voxelSize_);
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
    const openvdb::FloatGrid& grid = *field_->grid;
    const openvdb::Vec3d index =
        grid.transform().worldToIndex(openvdb::Vec3d(point.x(), point.y(), point.z()));
    const auto accessor = grid.getConstUnsafeAccessor();
    const double sampled = openvdb::tools::BoxSampler::sample(accessor, index);
    const double box = boxDistance(point);
    return box > 0.0 ? std::max(box, sampled) : sampled;
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
    return static_cast<std::size_t>(field_->grid->memUsage());
}

}  // namespace Zarvo
