#include "solids/SurfaceFill.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "solids/InsideVoxels.h"
#include "solids/SolidFillError.h"
#include "solids/TetMeasures.h"
#include "solids/UnionFind.h"

namespace Zarvo {

namespace {

// Voxels along a cube's side for the inside test: eight keep apart pieces
// of the inside some 0.4 of a cube apart (a voxel that the surface touches
// on each side, and one between). Very fine lattices take fewer, so that the voxels
// stay below mostVoxels (a byte each in the inside test and the labels).
constexpr int finestVoxelsPerCell = 8;
constexpr double mostVoxels = 32.0 * 1024 * 1024;
// A side that a whole number of cubes spans may come out a rounding error
// above it (a file's single-precision coordinates); that is not worth a
// cube, and a vertex beyond the last cube by as little stays in it.
constexpr double sideRounding = 1e-6;

constexpr std::uint8_t noPiece = 255;

// Corner c of a cube lies at (c & 1, c >> 1 & 1, c >> 2 & 1) cubes from its
// low corner.
std::array<int, 3> cornerOffset(int c)
{
    return {c & 1, (c >> 1) & 1, (c >> 2) & 1};
}

// The six tetrahedra about the diagonal from corner 0 to corner 7: one per
// order of the axes, through 0, the first axis's corner, the first two's
// and 7. An odd order turns the other way; its middle corners are swapped
// so that every one is positively oriented.
constexpr int cubeTetrahedra[6][4] = {{0, 1, 3, 7}, {0, 5, 1, 7}, {0, 3, 2, 7},
                                      {0, 2, 6, 7}, {0, 4, 5, 7}, {0, 6, 4, 7}};

struct Lattice
{
    Eigen::Vector3d origin;
    double cell = 0.0;
    std::array<int, 3> cubes{};  // along x, y, z
    int voxelsPerCell = 1;
    std::array<int, 3> voxels{};

    std::size_t cubeIndex(int i, int j, int k) const
    {
        return (static_cast<std::size_t>(k) * cubes[1] + j) * cubes[0] + i;
    }
    std::size_t voxelIndex(int i, int j, int k) const
    {
        return (static_cast<std::size_t>(k) * voxels[1] + j) * voxels[0] + i;
    }
};

Lattice latticeAround(const Eigen::Matrix3Xd& vertices, int cells)
{
    Lattice lattice;
    const Eigen::Vector3d low = vertices.rowwise().minCoeff();
    const Eigen::Vector3d high = vertices.rowwise().maxCoeff();
    const Eigen::Vector3d extent = high - low;
    lattice.origin = low;
    lattice.cell = extent.maxCoeff() / cells;
    double count = 1.0;
    for (int c = 0; c < 3; ++c) {
        lattice.cubes[c] = std::max(
            1, static_cast<int>(std::ceil(extent[c] / lattice.cell * (1.0 - sideRounding))));
        count *= lattice.cubes[c];
    }
    lattice.voxelsPerCell = std::clamp(static_cast<int>(std::cbrt(mostVoxels / count)), 1,
                                       finestVoxelsPerCell);
    for (int c = 0; c < 3; ++c)
        lattice.voxels[c] = lattice.cubes[c] * lattice.voxelsPerCell;
    return lattice;
}


using Voxel = std::array<int, 3>;

// Calls `visit` for `at` and each of its 26 neighbours.
template <class Visit>
void forNeighbourhood(const Voxel& at, Visit visit)
{
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                visit(Voxel{at[0] + dx, at[1] + dy, at[2] + dz});
}

// The inside's voxels of every cube, labelled by their 26-connected piece
// within the cube: each piece is a copy of the cube.
struct CubeCopies
{
    // Per voxel: its piece in its cube, noPiece outside.
    std::vector<std::uint8_t> piece;
    // Per cube: its first copy; then the copy count.
    std::vector<int> firstCopy;
    // Per copy: its cube.
    std::vector<Voxel> cube;
    // Cubes with at least one copy.
    int cubesKept = 0;

    // The copy that voxel `at` belongs to, or -1 outside.
    int copyAt(const Lattice& lattice, const Voxel& at) const
    {
        const std::uint8_t p = piece[lattice.voxelIndex(at[0], at[1], at[2])];
        if (p == noPiece)
            return -1;
        const int k = lattice.voxelsPerCell;
        return firstCopy[lattice.cubeIndex(at[0] / k, at[1] / k, at[2] / k)] + p;
    }
};

// Labels the inside's voxels in cube `cube` by piece, 0, 1, ...; returns
// the count. `front` is room for the flood.
int labelPieces(const Lattice& lattice, const InsideVoxels& inside, const Voxel& cube,
                std::vector<std::uint8_t>& piece, std::vector<Voxel>& front)
{
    const int k = lattice.voxelsPerCell;
    const Voxel lo = {cube[0] * k, cube[1] * k, cube[2] * k};
    const auto unlabelledInside = [&](const Voxel& at) {
        for (int c = 0; c < 3; ++c)
            if (at[c] < lo[c] || at[c] >= lo[c] + k)
                return false;
        return piece[lattice.voxelIndex(at[0], at[1], at[2])] == noPiece
               && inside.inside(at[0], at[1], at[2]);
    };
    int pieces = 0;
    for (int a = lo[2]; a < lo[2] + k; ++a)
        for (int b = lo[1]; b < lo[1] + k; ++b)
            for (int c = lo[0]; c < lo[0] + k; ++c) {
                if (!unlabelledInside({c, b, a}))
                    continue;
                const auto label = static_cast<std::uint8_t>(pieces++);
                piece[lattice.voxelIndex(c, b, a)] = label;
                front.push_back({c, b, a});
                while (!front.empty()) {
                    const Voxel at = front.back();
                    front.pop_back();
                    forNeighbourhood(at, [&](const Voxel& next) {
                        if (unlabelledInside(next)) {
                            piece[lattice.voxelIndex(next[0], next[1], next[2])] = label;
                            front.push_back(next);
                        }
                    });
                }
            }
    return pieces;
}

CubeCopies copiesOfCubes(const Lattice& lattice, const InsideVoxels& inside)
{
    CubeCopies copies;
    copies.piece.assign(
        static_cast<std::size_t>(lattice.voxels[0]) * lattice.voxels[1] * lattice.voxels[2], noPiece);
    const std::size_t cubeCount =
        static_cast<std::size_t>(lattice.cubes[0]) * lattice.cubes[1] * lattice.cubes[2];
    copies.firstCopy.assign(cubeCount + 1, 0);
    std::vector<Voxel> front;
    for (int ck = 0; ck < lattice.cubes[2]; ++ck)
        for (int cj = 0; cj < lattice.cubes[1]; ++cj)
            for (int ci = 0; ci < lattice.cubes[0]; ++ci) {
                copies.firstCopy[lattice.cubeIndex(ci, cj, ck)] = static_cast<int>(copies.cube.size());
                const int pieces = labelPieces(lattice, inside, {ci, cj, ck}, copies.piece, front);
                copies.cube.insert(copies.cube.end(), pieces, Voxel{ci, cj, ck});
                copies.cubesKept += pieces > 0;
            }
    copies.firstCopy[cubeCount] = static_cast<int>(copies.cube.size());
    return copies;
}

// Joins the corners that copy `from` of cube `a` shares with copy `to` of
// the neighbouring cube `b`, as slots 8 x copy + corner.
void joinSharedCorners(UnionFind& slots, int from, const Voxel& a, int to, const Voxel& b)
{
    for (int corner = 0; corner < 8; ++corner) {
        const auto offset = cornerOffset(corner);
        int other = 0;
        bool shared = true;
        for (int c = 0; c < 3; ++c) {
            const int o = a[c] + offset[c] - b[c];
            shared = shared && (o == 0 || o == 1);
            if (o == 1)
                other |= 1 << c;
        }
        if (shared)
            slots.join(8 * static_cast<std::size_t>(from) + corner,
                       8 * static_cast<std::size_t>(to) + other);
    }
}

// Every copy's corners, joined where neighbouring copies' voxels touch
// (26-connected): those copies share the corners their cubes share.
UnionFind sharedCorners(const Lattice& lattice, const CubeCopies& copies)
{
    const int k = lattice.voxelsPerCell;
    UnionFind slots(8 * copies.cube.size());
    for (int z = 0; z < lattice.voxels[2]; ++z)
        for (int y = 0; y < lattice.voxels[1]; ++y)
            for (int x = 0; x < lattice.voxels[0]; ++x) {
                const int from = copies.copyAt(lattice, {x, y, z});
                const bool onSide = x % k == 0 || y % k == 0 || z % k == 0 || x % k == k - 1
                                    || y % k == k - 1 || z % k == k - 1;
                if (from < 0 || !onSide)
                    continue;
                forNeighbourhood({x, y, z}, [&](const Voxel& next) {
                    for (int c = 0; c < 3; ++c)
                        if (next[c] < 0 || next[c] >= lattice.voxels[c])
                            return;
                    const int to = copies.copyAt(lattice, next);
                    if (to > from && copies.cube[to] != copies.cube[from])
                        joinSharedCorners(slots, from, copies.cube[from], to, copies.cube[to]);
                });
            }
    return slots;
}

// The node of every slot (8 x copy + corner), numbered in the order of each
// node's first slot, and the nodes' positions.
std::vector<int> numberNodes(const Lattice& lattice, const CubeCopies& copies, Eigen::Matrix3Xd& nodes)
{
    UnionFind slots = sharedCorners(lattice, copies);
    std::vector<int> nodeOfSlot(8 * copies.cube.size(), -1);
    std::vector<Eigen::Vector3d> positions;
    for (std::size_t slot = 0; slot < nodeOfSlot.size(); ++slot) {
        const std::size_t root = slots.root(slot);
        if (nodeOfSlot[root] < 0) {
            nodeOfSlot[root] = static_cast<int>(positions.size());
            const Voxel& cube = copies.cube[slot / 8];
            const auto offset = cornerOffset(static_cast<int>(slot % 8));
            Eigen::Vector3d at;
            for (int c = 0; c < 3; ++c)
                at[c] = lattice.origin[c] + lattice.cell * (cube[c] + offset[c]);
            positions.push_back(at);
        }
        nodeOfSlot[slot] = nodeOfSlot[root];
    }
    nodes.resize(3, static_cast<Eigen::Index>(positions.size()));
    for (std::size_t n = 0; n < positions.size(); ++n)
        nodes.col(static_cast<Eigen::Index>(n)) = positions[n];
    return nodeOfSlot;
}

// The copy whose piece holds `point`: its voxel's, or the nearest piece of
// its cube when rounding left its voxel outside; -1 for none.
int copyHolding(const Lattice& lattice, const CubeCopies& copies, const Eigen::Vector3d& point)
{
    const int k = lattice.voxelsPerCell;
    const Eigen::Vector3d local = (point - lattice.origin) / (lattice.cell / k);
    Voxel at;
    for (int c = 0; c < 3; ++c)
        at[c] = std::clamp(static_cast<int>(std::floor(local[c])), 0, lattice.voxels[c] - 1);
    const int copy = copies.copyAt(lattice, at);
    if (copy >= 0)
        return copy;
    int best = -1;
    long nearest = 0;
    const Voxel lo = {at[0] / k * k, at[1] / k * k, at[2] / k * k};
    for (int z = lo[2]; z < lo[2] + k; ++z)
        for (int y = lo[1]; y < lo[1] + k; ++y)
            for (int x = lo[0]; x < lo[0] + k; ++x) {
                const int c = copies.copyAt(lattice, {x, y, z});
                const long d = (x - at[0]) * (x - at[0]) + (y - at[1]) * (y - at[1])
                               + (z - at[2]) * (z - at[2]);
                if (c >= 0 && (best < 0 || d < nearest)) {
                    best = c;
                    nearest = d;
                }
            }
    return best;
}

}  // namespace

FilledSolid fillSurface(const Eigen::Matrix3Xd& vertices,
                        const std::vector<std::array<int, 3>>& triangles, int cells,
                        double closing, const std::string& name)
{
    if (!vertices.allFinite())
        throw SolidFillError(name + " has coordinates that are not finite numbers");
    if (vertices.cols() == 0 || triangles.empty())
        throw SolidFillError(name + " has no faces to fill");
    const Lattice lattice = latticeAround(vertices, cells);
    if (!(lattice.cell > 0.0))
        throw SolidFillError(name + " is a single point: it has no size to fill");
    const double voxel = lattice.cell / lattice.voxelsPerCell;
    const InsideVoxels inside(vertices, triangles, lattice.origin, voxel, lattice.voxels,
                              closing * lattice.cell);
    if (inside.hasHoles() && !inside.enclosesVolume())
        throw SolidFillError(name + " has holes that closing by " + std::to_string(closing).substr(0, 4)
                             + " of a cell leaves open: it encloses nothing to fill");

    const CubeCopies copies = copiesOfCubes(lattice, inside);
    FilledSolid solid;
    solid.cubes = copies.cubesKept;
    solid.copies = static_cast<int>(copies.cube.size()) - copies.cubesKept;
    solid.cell = lattice.cell;
    const std::vector<int> nodeOfSlot = numberNodes(lattice, copies, solid.nodes);
    const auto node = [&](std::size_t copy, int corner) { return nodeOfSlot[8 * copy + corner]; };
    solid.tetrahedra.reserve(6 * copies.cube.size());
    for (std::size_t copy = 0; copy < copies.cube.size(); ++copy)
        for (const auto& t : cubeTetrahedra)
            solid.tetrahedra.push_back(
                {node(copy, t[0]), node(copy, t[1]), node(copy, t[2]), node(copy, t[3])});

    for (Eigen::Index v = 0; v < vertices.cols(); ++v) {
        const int copy = copyHolding(lattice, copies, vertices.col(v));
        if (copy < 0)
            throw SolidFillError(name + ": vertex " + std::to_string(v)
                                 + " lies in no filled cube");
        const Voxel& cube = copies.cube[copy];
        std::array<double, 3> t;
        for (int c = 0; c < 3; ++c)
            t[c] = std::clamp((vertices(c, v) - lattice.origin[c]) / lattice.cell - cube[c], 0.0, 1.0);
        // The tetrahedron 0, first axis, first two axes, 7 that holds the
        // point orders its axes by decreasing coordinate.
        std::array<int, 3> axes = {0, 1, 2};
        std::stable_sort(axes.begin(), axes.end(), [&t](int a, int b) { return t[a] > t[b]; });
        const int second = (1 << axes[0]) | (1 << axes[1]);
        solid.embedding.add({node(copy, 0), node(copy, 1 << axes[0]), node(copy, second), node(copy, 7)},
                            {1.0 - t[axes[0]], t[axes[0]] - t[axes[1]], t[axes[1]] - t[axes[2]],
                             t[axes[2]]});
    }
    return solid;
}

}  // namespace Zarvo
