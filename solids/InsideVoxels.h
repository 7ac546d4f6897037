#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <Eigen/Core>

namespace Zarvo {

// Which voxels of a box lie inside a surface, from an OpenVDB distance field
// of its triangles, which neither self-intersections nor the order of the
// triangles' corners disturb. A voxel is inside when the outside, flooded
// from beyond the box, cannot reach it without passing the surface: a voxel
// the surface touches (its centre within a voxel of the surface) counts as
// inside, so that no part of the body is thinner than the voxels.
//
// A surface with holes (edges of one triangle only, the rims) is closed
// first, morphologically: the flood is also stopped within `closing` of a
// rim (a dilation of the rims' distance field), and then, in as many rounds
// as `closing` spans voxels, takes back the voxels within `closing` of a rim
// that touch it (the erosion), so that a hole narrower than about twice
// `closing` ends up plugged near where its surface would be. Only the rims
// are dilated: a closed surface keeps its inside exactly, and the gap
// between two limbs stays open however narrow.
class InsideVoxels
{
public:
    // `vertices`: 3 x n; `triangles`: corner indices into them; the box's
    // voxel (0, 0, 0) has its low corner at `origin`, voxels are cubes of
    // side `voxel`, `size` of them along x, y and z; `closing`: the radius
    // of the closing, in the vertices' units.
    InsideVoxels(const Eigen::Matrix3Xd& vertices, const std::vector<std::array<int, 3>>& triangles,
                 const Eigen::Vector3d& origin, double voxel, const std::array<int, 3>& size,
                 double closing);

    // Voxel (i, j, k) of the box, each from 0 to its size - 1.
    bool inside(int i, int j, int k) const
    {
        return (state_[index(i + margin_, j + margin_, k + margin_)] & outside) == 0;
    }

    // Whether the surface has rims, edges of one triangle only.
    bool hasHoles() const { return hasHoles_; }
    // Whether some voxel is inside without the surface or its closing
    // touching it: false for a surface whose holes stay open (the flood
    // reached everywhere) or that encloses nothing thicker than a voxel.
    bool enclosesVolume() const { return enclosesVolume_; }

private:
    static constexpr std::uint8_t barrier = 1;  // the surface or its closing stops the flood
    static constexpr std::uint8_t outside = 2;
    static constexpr std::uint8_t nearRim = 4;  // within `closing` of a rim
    static constexpr std::uint8_t touched = 8;  // the surface touches it: never eroded

    std::size_t index(int i, int j, int k) const
    {
        return (static_cast<std::size_t>(k) * padded_[1] + j) * padded_[0] + i;
    }
    void flood();
    void erode(int rounds);

    int margin_ = 0;
    std::array<int, 3> padded_{};
    std::vector<std::uint8_t> state_;
    bool hasHoles_ = false;
    bool enclosesVolume_ = false;
};

}  // namespace Zarvo
