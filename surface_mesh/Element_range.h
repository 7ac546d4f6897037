#pragma once

#include "surface_mesh/Property_array.h"

namespace surface_mesh {

// The elements of one kind in ascending index order, for range-for. When
// given a deleted-flag array (the mesh passes one only while it holds
// garbage), elements whose flag is set are skipped.
template <typename Element>
class Element_range
{
public:
    class iterator
    {
    public:
        iterator(int idx, int end, const Property_array<bool>* deleted)
            : idx_(idx), end_(end), deleted_(deleted)
        {
            skip_deleted();
        }

        Element operator*() const { return Element(idx_); }
        bool operator==(const iterator& other) const { return idx_ == other.idx_; }
        bool operator!=(const iterator& other) const { return idx_ != other.idx_; }

        iterator& operator++()
        {
            ++idx_;
            skip_deleted();
            return *this;
        }

    private:
        void skip_deleted()
        {
            if (deleted_ == nullptr)
                return;
            while (idx_ < end_ && (*deleted_)[static_cast<std::size_t>(idx_)])
                ++idx_;
        }

        int idx_;
        int end_;
        const Property_array<bool>* deleted_;
    };

    Element_range(int slots, const Property_array<bool>* deleted) : slots_(slots), deleted_(deleted) {}

    iterator begin() const { return iterator(0, slots_, deleted_); }
    iterator end() const { return iterator(slots_, slots_, nullptr); }

private:
    int slots_;
    const Property_array<bool>* deleted_;
};

} // namespace surface_mesh
