#include "solids/InsideVoxels.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include <openvdb/openvdb.h>
#include <openvdb/tools/MeshToVolume.h>

namespace Zarvo {

namespace {

// A voxel whose centre lies within this many voxels of the surface is
// touched by it: a point of a voxel is at most sqrt(3) / 2 = 0.87 voxels
// from its centre, and the rest covers the field's single precision.
constexpr float touchVoxels = 0.9f;
// The field is exact out to its band; one voxel beyond what is read.
constexpr float bandBeyond = 1.0f;

struct VdbMesh
{
    std::vector<openvdb::Vec3s> points;
    std::vector<openvdb::Vec3I> triangles;
    std::vector<openvdb::Vec4I> quads;
};

// The unsigned distance, in voxels, of every voxel out to `band` voxels of
// `mesh`, whose points are in voxel units with voxel centres at whole
// numbers: working in voxels keeps OpenVDB's single precision and its
// transforms away from a mesh's own scale (1e-6 or 1e6).
openvdb::FloatGrid::Ptr distanceField(const VdbMesh& mesh, float band)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { openvdb::initialize(); });
    const auto transform = openvdb::math::Transform::createLinearTransform(1.0);
    return openvdb::tools::meshToUnsignedDistanceField<openvdb::FloatGrid>(
        *transform, mesh.points, mesh.triangles, mesh.quads, band);
}

}  // namespace

InsideVoxels::InsideVoxels(const Eigen::Matrix3Xd& vertices,
                           const std::vector<std::array<int, 3>>& triangles,
                           const Eigen::Vector3d& origin, double voxel,
                           const std::array<int, 3>& size, double closing)
{
    const double closingVoxels = closing / voxel;
    // The flood starts from the padded box's faces, which must lie beyond
    // every voxel that the surface or its closing stops.
    margin_ = static_cast<int>(std::ceil(closingVoxels + touchVoxels)) + 2;
    for (int c = 0; c < 3; ++c)
        padded_[c] = size[c] + 2 * margin_;
    state_.assign(static_cast<std::size_t>(padded_[0]) * padded_[1] * padded_[2], 0);

    VdbMesh mesh;
    mesh.points.reserve(vertices.cols());
    for (Eigen::Index v = 0; v < vertices.cols(); ++v) {
        const Eigen::Vector3d at = (vertices.col(v) - origin) / voxel
                                   - Eigen::Vector3d::Constant(0.5 - margin_);
        mesh.points.emplace_back(static_cast<float>(at.x()), static_cast<float>(at.y()),
                                 static_cast<float>(at.z()));
    }
    // An edge is a rim when one triangle alone has it.
    std::map<std::pair<int, int>, int> edgeUses;
    for (const auto& t : triangles) {
        mesh.triangles.emplace_back(t[0], t[1], t[2]);
        for (int e = 0; e < 3; ++e)
            ++edgeUses[std::minmax(t[e], t[(e + 1) % 3])];
    }
    VdbMesh rims;
    rims.points = mesh.points;
    for (const auto& t : triangles)
        for (int e = 0; e < 3; ++e)
            if (edgeUses[std::minmax(t[e], t[(e + 1) % 3])] == 1) {
                rims.triangles.emplace_back(t[0], t[1], t[2]);
                break;
            }
    hasHoles_ = !rims.triangles.empty();

    const auto mark = [this](const openvdb::FloatGrid& field, float within, std::uint8_t flag) {
        for (auto on = field.cbeginValueOn(); on; ++on) {
            if (!(*on <= within))
                continue;
            const openvdb::Coord at = on.getCoord();
            if (at.x() < 0 || at.y() < 0 || at.z() < 0 || at.x() >= padded_[0]
                || at.y() >= padded_[1] || at.z() >= padded_[2])
                continue;
            state_[index(at.x(), at.y(), at.z())] |= flag;
        }
    };
    mark(*distanceField(mesh, touchVoxels + bandBeyond), touchVoxels, barrier | touched);
    if (hasHoles_) {
        const float reach = static_cast<float>(closingVoxels);
        const auto rimField = distanceField(rims, reach + bandBeyond);
        mark(*rimField, reach, barrier | nearRim);
    }
    flood();
    if (hasHoles_)
        erode(static_cast<int>(std::ceil(closingVoxels)));
    for (const std::uint8_t s : state_)
        if (s == 0) {
            enclosesVolume_ = true;
            break;
        }
}

void InsideVoxels::flood()
{
    std::vector<std::size_t> front;
    for (int k = 0; k < padded_[2]; ++k)
        for (int j = 0; j < padded_[1]; ++j)
            for (int i = 0; i < padded_[0]; ++i)
                if (i == 0 || j == 0 || k == 0 || i == padded_[0] - 1 || j == padded_[1] - 1
                    || k == padded_[2] - 1) {
                    state_[index(i, j, k)] |= outside;
                    front.push_back(index(i, j, k));
                }
    const std::size_t strides[3] = {1, static_cast<std::size_t>(padded_[0]),
                                    static_cast<std::size_t>(padded_[0]) * padded_[1]};
    while (!front.empty()) {
        const std::size_t at = front.back();
        front.pop_back();
        std::size_t rest = at;
        const int coords[3] = {static_cast<int>(rest % padded_[0]),
                               static_cast<int>((rest / padded_[0]) % padded_[1]),
                               static_cast<int>(rest / strides[2])};
        for (int c = 0; c < 3; ++c)
            for (const int step : {-1, 1}) {
                const int to = coords[c] + step;
                if (to < 0 || to >= padded_[c])
                    continue;
                const std::size_t next = step < 0 ? at - strides[c] : at + strides[c];
                if ((state_[next] & (barrier | outside)) == 0) {
                    state_[next] |= outside;
                    front.push_back(next);
                }
            }
    }
}

void InsideVoxels::erode(int rounds)
{
    std::vector<std::size_t> near;
    for (std::size_t at = 0; at < state_.size(); ++at)
        if ((state_[at] & (nearRim | outside | touched)) == nearRim)
            near.push_back(at);
    std::vector<std::size_t> taken;
    for (int round = 0; round < rounds; ++round) {
        taken.clear();
        for (const std::size_t at : near) {
            if (state_[at] & outside)
                continue;
            const int i = static_cast<int>(at % padded_[0]);
            const int j = static_cast<int>((at / padded_[0]) % padded_[1]);
            const int k = static_cast<int>(at / (static_cast<std::size_t>(padded_[0]) * padded_[1]));
            bool touches = false;
            for (int dk = -1; dk <= 1 && !touches; ++dk)
                for (int dj = -1; dj <= 1 && !touches; ++dj)
                    for (int di = -1; di <= 1 && !touches; ++di) {
                        const int a = i + di, b = j + dj, c = k + dk;
                        if (a >= 0 && b >= 0 && c >= 0 && a < padded_[0] && b < padded_[1]
                            && c < padded_[2] && (state_[index(a, b, c)] & outside))
                            touches = true;
                    }
            if (touches)
                taken.push_back(at);
        }
        if (taken.empty())
            break;
        for (const std::size_t at : taken)
            state_[at] |= outside;
    }
}

}  // namespace Zarvo
