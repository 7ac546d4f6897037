#pragma once

#include "surface_mesh/Handle.h"
#include "surface_mesh/Property_array.h"

namespace surface_mesh {

// A non-owning, pointer-like handle to the array of T kept for one element
// kind; indexed with that kind's element handles. The null handle is invalid.
// Like a pointer, a const handle still gives write access to the elements.
template <typename Element, typename T>
class Property
{
public:
    using reference = typename Property_array<T>::reference;
    using const_reference = typename Property_array<T>::const_reference;

    Property() = default;
    explicit Property(Property_array<T>* array) : array_(array) {}

    explicit operator bool() const { return array_ != nullptr; }

    reference operator[](Element e) const { return (*array_)[static_cast<std::size_t>(e.idx())]; }

    // The whole storage, one entry per element slot.
    auto& vector() const { return array_->vector(); }

    Property_array<T>& array() const { return *array_; }

private:
    Property_array<T>* array_ = nullptr;
};

template <typename T>
using Vertex_property = Property<Vertex, T>;
template <typename T>
using Halfedge_property = Property<Halfedge, T>;
template <typename T>
using Edge_property = Property<Edge, T>;
template <typename T>
using Face_property = Property<Face, T>;

} // namespace surface_mesh
