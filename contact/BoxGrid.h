#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <Eigen/Geometry>

namespace Zarvo {

// Boxes filed by the cells of a uniform grid that they overlap, hashed into
// a table of twice as many buckets as entries, so that finding the boxes
// near a given one costs time proportional to what is near it. Box
// overlapping whole stretches of the grid (a point flung far in one step)
// are kept on a list of their own, which every query reads.
class BoxGrid
{
public:
    // Files `boxes`, or only those of them that `only` lists (in ascending
    // order) when given; both must stay alive until the next build. `cell`:
    // the cells' side, above zero. A box that is not finite is never
    // reported. Queries test the boxes as they are then: a box that has
    // moved since is still found where it lies within cells it was filed in.
    void build(const std::vector<Eigen::AlignedBox3d>& boxes, double cell,
               const std::vector<int>* only = nullptr);

    // Calls visit(index) for every filed box that overlaps `box` and that
    // accept(index) takes, once for every cell of `box` that it was filed
    // in (the caller removes repeats, which costs less than finding the one
    // cell to report it from). accept() comes first: a test of the index
    // alone spares reading the box.
    template <class Accept, class Visit>
    void forEachOverlapping(const Eigen::AlignedBox3d& box, Accept&& accept, Visit&& visit) const;

private:
    // How many cells a box overlaps: none (it is not finite), few enough
    // to visit one by one, or many.
    enum class Reach { None, Few, Many };
    struct Cells
    {
        Reach reach;
        Eigen::Array3i low, high;  // for Few
    };

    Cells cellsOf(const Eigen::AlignedBox3d& box) const;
    std::size_t bucket(const Eigen::Array3i& cell) const;
    // Calls each(index) for every box filed, in index order.
    template <class Each>
    void forEachFiled(Each&& each) const;

    const std::vector<Eigen::AlignedBox3d>* boxes_ = nullptr;
    const std::vector<int>* only_ = nullptr;
    double cell_ = 1.0;
    std::size_t mask_ = 0;
    std::vector<int> starts_;   // bucket b holds entries_[starts_[b] ... starts_[b + 1])
    std::vector<int> entries_;  // box indices
    std::vector<int> large_;    // boxes of too many cells, ascending
    std::vector<int> next_;     // where the counting sort files next, by bucket
};

template <class Each>
void BoxGrid::forEachFiled(Each&& each) const
{
    if (only_) {
        for (const int index : *only_)
            each(index);
    } else {
        for (int index = 0; index < static_cast<int>(boxes_->size()); ++index)
            each(index);
    }
}

template <class Accept, class Visit>
void BoxGrid::forEachOverlapping(const Eigen::AlignedBox3d& box, Accept&& accept,
                                 Visit&& visit) const
{
    const std::vector<Eigen::AlignedBox3d>& boxes = *boxes_;
    for (const int index : large_)
        if (accept(index) && boxes[index].intersects(box))
            visit(index);
    const Cells cells = cellsOf(box);
    if (cells.reach == Reach::None)
        return;
    if (cells.reach == Reach::Many) {
        // As costly as reading every box: read them all.
        forEachFiled([&](int index) {
            if (accept(index) && boxes[index].intersects(box) &&
                !std::binary_search(large_.begin(), large_.end(), index))
                visit(index);
        });
        return;
    }
    for (int x = cells.low.x(); x <= cells.high.x(); ++x)
        for (int y = cells.low.y(); y <= cells.high.y(); ++y)
            for (int z = cells.low.z(); z <= cells.high.z(); ++z) {
                const std::size_t b = bucket(Eigen::Array3i(x, y, z));
                for (int e = starts_[b]; e < starts_[b + 1]; ++e) {
                    const int index = entries_[e];
                    if (accept(index) && boxes[index].intersects(box))
                        visit(index);
                }
            }
}

}  // namespace Zarvo
