// The grid against reading every box: what a query finds among boxes of
// every size, filed whole or in part, from a first index on.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <set>

#include "contact/BoxGrid.h"

namespace {

using Eigen::AlignedBox3d;
using Eigen::Vector3d;

TEST(BoxGrid, AQueryFindsEveryFiledBoxItOverlapsFromItsFirstIndexAndNoOther)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> place(-3.0, 3.0), size(0.0, 0.4);
    const auto boxAt = [&](double scale) {
        const Vector3d low(place(random), place(random), place(random));
        return AlignedBox3d(low, low + scale * Vector3d(size(random), size(random), size(random)));
    };
    // Mostly boxes about a cell across, some of many cells, one not finite.
    std::vector<AlignedBox3d> boxes;
    for (int k = 0; k < 600; ++k)
        boxes.push_back(boxAt(k % 50 == 0 ? 30.0 : 1.0));
    boxes[7].max().x() = std::numeric_limits<double>::infinity();
    std::vector<int> some;  // every third
    for (int k = 0; k < 600; k += 3)
        some.push_back(k);

    const std::vector<int>* every = nullptr;
    for (const std::vector<int>* only : {every, static_cast<const std::vector<int>*>(&some)}) {
        Zarvo::BoxGrid grid;
        grid.build(boxes, 0.3, only);
        const auto filed = [&](int k) {
            return k != 7 && (!only || std::binary_search(only->begin(), only->end(), k));
        };
        for (int q = 0; q < 300; ++q) {
            const AlignedBox3d query = boxAt(q % 30 == 0 ? 40.0 : 1.0);
            const int from = q % 4 == 0 ? 0 : static_cast<int>(random() % 600);
            std::set<int> found;
            grid.forEachOverlapping(query, from, [](int) { return true; },
                                    [&](int k) { found.insert(k); });
            for (int k = 0; k < 600; ++k) {
                const bool wanted = k >= from && filed(k) && boxes[k].intersects(query);
                EXPECT_EQ(found.count(k), wanted ? 1u : 0u) << "box " << k << ", query " << q;
            }
        }
    }
}

}  // namespace
