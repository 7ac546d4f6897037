#pragma once

#include "surface_mesh/Property_array.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace surface_mesh {

// The named arrays of one element kind, all kept at the same length: the
// container's element count.
class Property_container
{
public:
    Property_container() = default;
    virtual ~Property_container() = default;

    Property_container(const Property_container&) = delete;
    Property_container& operator=(const Property_container&) = delete;

    // A new array named `name` holding `value` for every existing element, or
    // nullptr (with a message on standard error) when the name is taken by an
    // array of any type.
    template <typename T>
    Property_array<T>* add_property(const std::string& name, const T& value)
    {
        for (const auto& array : arrays_) {
            if (array->name() == name) {
                std::cerr << "[Property_container] A property with name \"" << name
                          << "\" already exists. Returning invalid property.\n";
                return nullptr;
            }
        }
        auto array = std::make_unique<Property_array<T>>(name, value);
        array->resize(size_);
        Property_array<T>* result = array.get();
        arrays_.push_back(std::move(array));
        return result;
    }

    // The first array named `name`, or nullptr when there is none or it does
    // not hold elements of type T.
    template <typename T>
    Property_array<T>* find_property(const std::string& name) const
    {
        for (const auto& array : arrays_) {
            if (array->name() == name) {
                if (array->type() != typeid(T))
                    return nullptr;
                return static_cast<Property_array<T>*>(array.get());
            }
        }
        return nullptr;
    }

    void push_back()
    {
        for (const auto& array : arrays_)
            array->push_back();
        ++size_;
    }

    void resize(std::size_t n)
    {
        for (const auto& array : arrays_)
            array->resize(n);
        size_ = n;
    }

    void reserve(std::size_t n) const
    {
        for (const auto& array : arrays_)
            array->reserve(n);
    }

    void free_memory() const
    {
        for (const auto& array : arrays_)
            array->free_memory();
    }

    // Deletes every array; handles into the container dangle afterwards.
    void clear()
    {
        arrays_.clear();
        size_ = 0;
    }

    std::size_t size() const { return size_; }

    // Names in order of creation.
    std::vector<std::string> property_names() const
    {
        std::vector<std::string> names;
        for (const auto& array : arrays_)
            names.push_back(array->name());
        return names;
    }

private:
    std::vector<std::unique_ptr<Base_property_array>> arrays_;
    std::size_t size_ = 0;
};

// Reports on `messages` that `caller` leaves the array `name` alone: the
// name is held by an array of another type, so obtaining it gave an invalid
// handle.
inline void report_name_of_other_type(const std::string& caller, const std::string& name,
                                      std::ostream& messages = std::cerr)
{
    messages << caller << ": the property \"" << name << "\" holds another type; left alone\n";
}

} // namespace surface_mesh
