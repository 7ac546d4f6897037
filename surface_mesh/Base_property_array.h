#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <typeinfo>

namespace surface_mesh {

// One named array of per-element values. A Property_container keeps several
// of them at the same length and resizes them all together.
class Base_property_array
{
public:
    explicit Base_property_array(std::string name) : name_(std::move(name)) {}
    virtual ~Base_property_array() = default;

    Base_property_array(const Base_property_array&) = delete;
    Base_property_array& operator=(const Base_property_array&) = delete;

    // Make room for n elements without changing the length.
    virtual void reserve(std::size_t n) = 0;
    // Set the length to n; new elements get the array's default value.
    virtual void resize(std::size_t n) = 0;
    // Release spare capacity.
    virtual void free_memory() = 0;
    // Append one element holding the default value.
    virtual void push_back() = 0;
    // Exchange the elements at i0 and i1.
    virtual void swap(std::size_t i0, std::size_t i1) = 0;
    // A new array with the same name, default value and elements.
    virtual std::unique_ptr<Base_property_array> clone() const = 0;
    // The element type.
    virtual const std::type_info& type() const = 0;

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace surface_mesh
