#include "contact/BoxGrid.h"

#include <cmath>

namespace Zarvo {

namespace {

// A box of more cells than these along an axis, or in all, goes on the
// list of large boxes.
constexpr double mostCellsAlong = 8.0;
constexpr double mostCells = 128.0;
// Cell coordinates stay well inside int.
constexpr double farthestCell = 1e9;

}  // namespace

BoxGrid::Cells BoxGrid::cellsOf(const Eigen::AlignedBox3d& box) const
{
    Cells cells{Reach::None, Eigen::Array3i::Zero(), Eigen::Array3i::Zero()};
    if (!box.min().allFinite() || !box.max().allFinite() || (box.min().array() > box.max().array()).any())
        return cells;
    const Eigen::Array3d low = (box.min().array() / cell_).floor();
    const Eigen::Array3d high = (box.max().array() / cell_).floor();
    const Eigen::Array3d span = high - low + 1.0;
    cells.reach = (span <= mostCellsAlong).all() && span.prod() <= mostCells &&
                          (low.abs() <= farthestCell).all() && (high.abs() <= farthestCell).all()
                      ? Reach::Few
                      : Reach::Many;
    if (cells.reach == Reach::Few) {
        cells.low = low.cast<int>();
        cells.high = high.cast<int>();
    }
    return cells;
}

std::size_t BoxGrid::bucket(const Eigen::Array3i& cell) const
{
    const auto x = static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell.x()));
    const auto y = static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell.y()));
    const auto z = static_cast<std::uint64_t>(static_cast<std::uint32_t>(cell.z()));
    // Cells next to each other along x share buckets' cache lines, and a
    // surface's features, numbered along it, are looked up in turn there.
    return static_cast<std::size_t>(x + y * 19349663u + z * 83492791u) & mask_;
}

void BoxGrid::build(const std::vector<Eigen::AlignedBox3d>& boxes, double cell,
                    const std::vector<int>* only)
{
    boxes_ = &boxes;
    only_ = only;
    cell_ = cell;
    large_.clear();
    std::size_t filed = 0;
    forEachFiled([&](int i) {
        const Cells cells = cellsOf(boxes[i]);
        if (cells.reach == Reach::Few)
            filed += static_cast<std::size_t>((cells.high - cells.low + 1).prod());
        else if (cells.reach == Reach::Many)
            large_.push_back(i);
    });
    std::size_t buckets = 1;
    while (buckets < 2 * filed)
        buckets *= 2;
    mask_ = buckets - 1;
    starts_.assign(buckets + 1, 0);
    entries_.resize(filed);

    // A counting sort by bucket, in box order within each.
    const auto forEachCell = [&](auto&& file) {
        forEachFiled([&](int i) {
            const Cells cells = cellsOf(boxes[i]);
            if (cells.reach != Reach::Few)
                return;
            for (int x = cells.low.x(); x <= cells.high.x(); ++x)
                for (int y = cells.low.y(); y <= cells.high.y(); ++y)
                    for (int z = cells.low.z(); z <= cells.high.z(); ++z)
                        file(bucket(Eigen::Array3i(x, y, z)), i);
        });
    };
    forEachCell([&](std::size_t b, int) { ++starts_[b + 1]; });
    for (std::size_t b = 0; b < buckets; ++b)
        starts_[b + 1] += starts_[b];
    next_.assign(starts_.begin(), starts_.end() - 1);
    forEachCell([&](std::size_t b, int i) { entries_[next_[b]++] = i; });
}

}  // namespace Zarvo
