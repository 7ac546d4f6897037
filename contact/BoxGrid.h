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

    // Calls visit(index) for every filed box from index `from` on that
    // overlaps `box` and that accept(index) takes, once for every cell of
    // `box` that it was filed in (the caller removes repeats, which costs
    // less than finding the one cell to report it from). accept() comes
    // first: a test of the index alone spares reading the box.
    template <class Accept, class Visit>
    void forEachOverlapping(const Eigen::AlignedBox3d& box, int from, Accept&& accept,
                            Visit&& visit) const;

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
    // Whether two boxes overlap, with one branch: which boxes near a cell
    // overlap a query follows no pattern a branch predictor learns.
    static bool overlap(const Eigen::AlignedBox3d& a, const Eigen::AlignedBox3d& b)
    {
        return (a.min().x() <= b.max().x()) & (b.min().x() <= a.max().x()) &
               (a.min().y() <= b.max().y()) & (b.min().y() <= a.max().y()) &
               (a.min().z() <= b.max().z()) & (b.min().z() <= a.max().z());
    }
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
void BoxGrid::forEachOverlapping(const Eigen::AlignedBox3d& box, int from, Accept&& accept,
                                 Visit&& visit) const
{
    const std::vector<Eigen::AlignedBox3d>& boxes = *boxes_;
    for (auto e = std::lower_bound(large_.begin(), large_.end(), from); e != large_.end(); ++e)
        if (accept(*e) && overlap(boxes[*e], box))
            visit(*e);
    const Cells cells = cellsOf(box);
    if (cells.reach == Reach::None)
        return;
    if (cells.reach == Reach::Many) {
        // As costly as reading every box: read them all.
        forEachFiled([&](int index) {
            if (index >= from && accept(index) && overlap(boxes[index], box) &&
                !std::binary_search(large_.begin(), large_.end(), index))
                visit(index);
        });
        return;
    }
    for (int x = cells.low.x(); x <= cells.high.x(); ++x)
        for (int y = cells.low.y(); y <= cells.high.y(); ++y)
            for (int z = cells.low.z(); z <= cells.high.z(); ++z) {
                // A bucket holds its boxes in ascending order.
                const std::size_t b = bucket(Eigen::Array3i(x, y, z));
                const auto end = entries_.begin() + starts_[b + 1];
                for (auto e = std::lower_bound(entries_.begin() + starts_[b], end, from); e != end;
                     ++e) {
                    const int index = *e;
                    if (accept(index) && overlap(boxes[index], box))
                        visit(index);
                }
            }
}

}  // namespace Zarvo
