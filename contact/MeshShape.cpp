#include "contact/MeshShape.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <limits>
#include <stdexcept>

#include <Eigen/Geometry>

#include <openvdb/openvdb.h>
#include <openvdb/tools/MeshToVolume.h>

namespace Zarvo {

// The fine field near the surface, and a coarse one filling the bounding
// box (and a closed mesh's inside) where the fine field holds only its
// background: a point deep inside still learns which way is out, and one
// away from the surface how far it may advance.
struct MeshShape::Field
{
    openvdb::FloatGrid::Ptr surface;
    openvdb::FloatGrid::Ptr coarse;
    // Fine values at or above `far` are the fine field's outer background,
    // at or below `deep` its inner one.
    double far = 0.0;
    double deep = -std::numeric_limits<double>::infinity();
    // What the coarse field's interpolation may exceed the distance by.
    double coarseError = 0.0;
};

namespace {

// Voxels of half the thickness: beside an edge at the thickness the
// interpolated distance then errs by about a thirtieth of it. The band
// reaches the thickness outside, and two voxels more so that interpolation
// there still reads sampled values; inside, three voxels hold what a step
// pushes in, and the coarse field the rest.
constexpr double voxelsPerThickness = 2.0;
constexpr float outsideBand = static_cast<float>(voxelsPerThickness) + 2.0f;
constexpr float insideBand = 3.0f;
// The coarse field's voxels across the mesh's bounding-box diagonal, at
// most: 64 keep it under a few megabytes for any mesh, and a band of as
// many voxels reaches every corner of the box.
constexpr double coarseVoxelsAcross = 64.0;
constexpr float coarseBand = static_cast<float>(coarseVoxelsAcross);
// Interpolating distances, which change by at most the way gone, errs by
// at most the distance to the farthest of the eight voxels, sqrt(3) of a
// voxel; two voxels leave room for a value that is itself slightly long.
constexpr double coarseErrorVoxels = 2.0;
// Voxel coordinates are 32-bit integers.
constexpr double farIndex = 1 << 30;

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

openvdb::FloatGrid::Ptr unsignedField(const VdbMesh& mesh, double voxelSize, float outside)
{
    const auto transform = openvdb::math::Transform::createLinearTransform(voxelSize);
    return openvdb::tools::meshToUnsignedDistanceField<openvdb::FloatGrid>(
        *transform, mesh.points, mesh.triangles, mesh.quads, outside);
}

// The trilinear interpolation of the grid's values at `point`, and its
// gradient where `gradient` is given, from the eight voxels around it (the
// values sit at the voxel centres, index * voxel size).
using Accessor = openvdb::FloatGrid::ConstUnsafeAccessor;

// Walking a grid's tree from its root costs more than a sample's
// interpolation, so each thread keeps an accessor (which caches the path to
// the leaf it last read) for each of the last two grids it sampled. Keys
// are never reused, so a key names one grid for the program's life; an
// accessor of this kind never touches its tree once the grid is gone.
const Accessor& accessorFor(const openvdb::FloatGrid& grid, std::uint64_t key)
{
    struct Cached
    {
        std::uint64_t key = 0;
        std::optional<Accessor> accessor;
    };
    thread_local Cached cached[2];
    Cached& slot = cached[key & 1];
    if (slot.key != key) {
        slot.accessor.emplace(grid.tree());
        slot.key = key;
    }
    return *slot.accessor;
}

// Two keys per shape, one for each of its grids; 0 is never one.
std::uint64_t newKeys()
{
    static std::atomic<std::uint64_t> next{1};
    return 2 * next.fetch_add(1);
}

double sample(const openvdb::FloatGrid& grid, std::uint64_t key, const Eigen::Vector3d& point,
              Eigen::Vector3d* gradient)
{
    const double voxel = grid.voxelSize()[0];
    const Eigen::Vector3d index = point / voxel;
    // Beyond what voxel coordinates can name (or not a number) is far from
    // every voxel: the field's background.
    if (!(index.array().abs() < farIndex).all()) {
        if (gradient)
            gradient->setZero();
        return grid.background();
    }
    const Eigen::Vector3d floor = index.array().floor();
    const Eigen::Vector3d f = index - floor;
    const openvdb::Coord base(static_cast<int>(floor.x()), static_cast<int>(floor.y()),
                              static_cast<int>(floor.z()));
    const Accessor& accessor = accessorFor(grid, key);
    double v[2][2][2];
    // Most samples have all eight voxels in one leaf's block: read them
    // straight from the leaf, not each through the accessor; a block
    // without a leaf is one tile, of one value, where the field is flat.
    using Leaf = openvdb::FloatGrid::TreeType::LeafNodeType;
    constexpr int last = Leaf::DIM - 1;
    const bool oneBlock =
        (base.x() & last) < last && (base.y() & last) < last && (base.z() & last) < last;
    const Leaf* leaf = oneBlock ? accessor.probeConstLeaf(base) : nullptr;
    if (oneBlock && !leaf) {
        if (gradient)
            gradient->setZero();
        return accessor.getValue(base);
    }
    const openvdb::Index offset = leaf ? Leaf::coordToOffset(base) : 0;
    const auto value = [&](int a, int b, int c) {
        return leaf ? leaf->getValue(offset + (a << 2 * Leaf::LOG2DIM) + (b << Leaf::LOG2DIM) + c)
                    : accessor.getValue(base.offsetBy(a, b, c));
    };
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 2; ++c)
                v[a][b][c] = value(a, b, c);
    const auto lerp = [](double p, double q, double t) { return p + t * (q - p); };
    // Along z, then y, then x.
    double z[2][2];
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            z[a][b] = lerp(v[a][b][0], v[a][b][1], f.z());
    const double y0 = lerp(z[0][0], z[0][1], f.y());
    const double y1 = lerp(z[1][0], z[1][1], f.y());
    if (gradient) {
        double dz[2][2];
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                dz[a][b] = v[a][b][1] - v[a][b][0];
        const double dy0 = z[0][1] - z[0][0];
        const double dy1 = z[1][1] - z[1][0];
        *gradient = Eigen::Vector3d(
            y1 - y0, lerp(dy0, dy1, f.x()),
            lerp(lerp(dz[0][0], dz[0][1], f.y()), lerp(dz[1][0], dz[1][1], f.y()), f.x())) / voxel;
    }
    return lerp(y0, y1, f.x());
}

}  // namespace

MeshShape::MeshShape(TriangleMesh mesh, bool closed, double thickness)
    : mesh_(std::move(mesh)), voxelSize_(thickness / voxelsPerThickness), key_(newKeys())
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
    if (!(fieldVoxels(mesh_, thickness) <= mostVoxels))
        throw std::length_error("MeshShape: the mesh is too large for its thickness");
    openvdb::initialize();
    const VdbMesh vdb = vdbMesh(mesh_);
    field_ = std::make_unique<Field>();
    const double coarse = std::max(voxelSize_, (high_ - low_).norm() / coarseVoxelsAcross);
    field_->coarseError = coarseErrorVoxels * coarse;
    if (closed) {
        field_->surface = signedField(vdb, voxelSize_, outsideBand, insideBand);
        field_->deep = -(insideBand - 1.0) * voxelSize_;
        field_->coarse = signedField(vdb, coarse, coarseBand, std::numeric_limits<float>::max());
    } else {
        field_->surface = unsignedField(vdb, voxelSize_, outsideBand);
        field_->coarse = unsignedField(vdb, coarse, coarseBand);
    }
    field_->far = field_->surface->background();
}

MeshShape::~MeshShape() = default;

double MeshShape::evaluate(const Eigen::Vector3d& point, Eigen::Vector3d* gradient) const
{
    // Outside the band the fine field holds its background, the band's
    // width: a lower bound, as are the distance to the bounding box and,
    // within the box, the coarse field's; the largest lets a far point
    // advance quickly.
    const double near = sample(*field_->surface, key_, point, gradient);
    const Eigen::Vector3d nearestInBox = point.cwiseMax(low_).cwiseMin(high_);
    const double box = (point - nearestInBox).norm();
    if (box > 0.0) {
        if (box < near)
            return near;
        if (gradient)
            *gradient = (point - nearestInBox) / box;
        return box;
    }
    if (near > field_->deep && near < field_->far)
        return near;
    Eigen::Vector3d coarseGradient;
    const double coarse =
        sample(*field_->coarse, key_ + 1, point, gradient ? &coarseGradient : nullptr);
    const auto coarser = [&](double value) {
        if (gradient)
            *gradient = coarseGradient;
        return value;
    };
    // Beyond the band the coarse value less its error is a lower bound,
    // mostly well above the band's width; deep inside, it is the way out.
    if (near >= field_->far)
        return coarse - field_->coarseError > near ? coarser(coarse - field_->coarseError) : near;
    return coarse < near ? coarser(coarse) : near;
}

double MeshShape::distance(const Eigen::Vector3d& point) const
{
    return evaluate(point, nullptr);
}

double MeshShape::distance(const Eigen::Vector3d& point, Eigen::Vector3d& normal) const
{
    Eigen::Vector3d gradient;
    const double d = evaluate(point, &gradient);
    const double length = gradient.norm();
    // Where the field is flat (its background) no way is nearer: take up.
    normal = length > 0.0 ? Eigen::Vector3d(gradient / length) : Eigen::Vector3d::UnitY();
    return d;
}

Eigen::Vector3d MeshShape::normal(const Eigen::Vector3d& point) const
{
    Eigen::Vector3d normal;
    distance(point, normal);
    return normal;
}

TriangleMesh MeshShape::surface(double) const
{
    return mesh_;
}

double MeshShape::fieldVoxels(const TriangleMesh& mesh, double thickness)
{
    double area = 0.0;
    for (const auto& t : mesh.triangles)
        area += 0.5 * (mesh.points[t[1]] - mesh.points[t[0]])
                          .cross(mesh.points[t[2]] - mesh.points[t[0]])
                          .norm();
    const double voxel = thickness / voxelsPerThickness;
    return area / (voxel * voxel) * (outsideBand + insideBand);
}

std::size_t MeshShape::fieldBytes() const
{
    return static_cast<std::size_t>(field_->surface->memUsage() + field_->coarse->memUsage());
}

}  // namespace Zarvo
