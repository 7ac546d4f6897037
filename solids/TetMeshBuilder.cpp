#include "solids/TetMeshBuilder.h"

#include <algorithm>
#include <cmath>

#include "solids/TetMeasures.h"
#include "solids/TetMeshError.h"

namespace Zarvo {

namespace {

// A tetrahedron flatter than this (its volume over its longest edge cubed;
// a regular one has 0.118) would give rows so far from its neighbours' that
// the factorized system loses them, as MeshMeasures guards for triangles.
constexpr double flattestVolumeRatio = 1e-6;

}  // namespace

void TetMeshBuilder::addNode(long long number, const Eigen::Vector3d& position,
                             const TetFileText& text)
{
    if (!index_.emplace(number, static_cast<int>(positions_.size())).second)
        text.fail("node " + std::to_string(number) + " is defined twice");
    positions_.push_back(position);
}

void TetMeshBuilder::addTetrahedron(const std::array<long long, 4>& corners, const TetFileText& text)
{
    numbers_.push_back(corners);
    places_.push_back({&text.name(), text.line()});
}

TetMesh TetMeshBuilder::finish(const TetFileText& text, const std::string& what) const
{
    if (numbers_.empty())
        text.fail("the file holds no tetrahedra (" + what + ")");
    TetMesh mesh;
    mesh.kept.assign(positions_.size(), -1);
    std::vector<Tetrahedron> corners(numbers_.size());
    for (std::size_t t = 0; t < numbers_.size(); ++t) {
        Eigen::Matrix<double, 3, 4> at;
        for (int k = 0; k < 4; ++k) {
            const auto found = index_.find(numbers_[t][k]);
            if (found == index_.end())
                fail(places_[t], "the tetrahedron names node " + std::to_string(numbers_[t][k])
                                     + ", which the file does not define");
            corners[t][k] = found->second;
            at.col(k) = positions_[found->second];
        }
        check(at, places_[t]);
        for (const int node : corners[t])
            mesh.kept[node] = 0;
    }
    int columns = 0;
    for (int& column : mesh.kept)
        if (column == 0)
            column = columns++;
    mesh.points.resize(3, columns);
    for (std::size_t node = 0; node < positions_.size(); ++node)
        if (mesh.kept[node] >= 0)
            mesh.points.col(mesh.kept[node]) = positions_[node];
    mesh.tetrahedra.reserve(corners.size());
    for (const Tetrahedron& tetrahedron : corners)
        mesh.tetrahedra.push_back({mesh.kept[tetrahedron[0]], mesh.kept[tetrahedron[1]],
                                   mesh.kept[tetrahedron[2]], mesh.kept[tetrahedron[3]]});
    return mesh;
}

void TetMeshBuilder::fail(const Place& place, const std::string& what)
{
    throw TetMeshError(*place.file + ":" + std::to_string(place.line) + ": " + what);
}

void TetMeshBuilder::check(const Eigen::Matrix<double, 3, 4>& corners, const Place& place)
{
    double longest = 0.0;
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j)
            longest = std::max(longest, (corners.col(i) - corners.col(j)).norm());
    const double volume = signedVolume(corners.col(0), corners.col(1), corners.col(2), corners.col(3));
    const double flattest = flattestVolumeRatio * longest * longest * longest;
    if (volume < -flattest)
        fail(place, "the tetrahedron has a negative volume: its first three corners must turn "
                    "counterclockwise seen from the fourth");
    if (!(volume > flattest))
        fail(place, "the tetrahedron has zero volume (flat for its size)");
}

}  // namespace Zarvo
