#pragma once

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <vector>

namespace Zarvo {

// Disjoint sets of 0 .. count - 1. A set's root is its smallest member, so
// that numbering the sets by their roots in order is the same whatever
// order the joins came in.
class UnionFind
{
public:
    explicit UnionFind(std::size_t count) : parent_(count)
    {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    std::size_t root(std::size_t i)
    {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    void join(std::size_t a, std::size_t b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            parent_[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<std::size_t> parent_;
};

}  // namespace Zarvo
