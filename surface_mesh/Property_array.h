#pragma once

#include "surface_mesh/Base_property_array.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace surface_mesh {

// A named array of T with a default value for new elements. Index access does
// no bounds test.
template <typename T>
class Property_array : public Base_property_array
{
public:
    using reference = T&;
    using const_reference = const T&;

    Property_array(std::string name, T value) : Base_property_array(std::move(name)), value_(std::move(value)) {}

    void reserve(std::size_t n) override { data_.reserve(n); }
    void resize(std::size_t n) override { data_.resize(n, value_); }
    void free_memory() override { data_.shrink_to_fit(); }
    void push_back() override { data_.push_back(value_); }
    void swap(std::size_t i0, std::size_t i1) override { std::swap(data_[i0], data_[i1]); }

    std::unique_ptr<Base_property_array> clone() const override
    {
        auto copy = std::make_unique<Property_array<T>>(name(), value_);
        copy->data_ = data_;
        return copy;
    }

    const std::type_info& type() const override { return typeid(T); }

    reference operator[](std::size_t i) { return data_[i]; }
    const_reference operator[](std::size_t i) const { return data_[i]; }

    std::vector<T>& vector() { return data_; }
    const std::vector<T>& vector() const { return data_; }

    std::size_t size() const { return data_.size(); }

private:
    std::vector<T> data_;
    T value_;
};

// Flags are packed: bit i is bit (i mod 32) of 32-bit word i / 32, least
// significant bit first.
template <>
class Property_array<bool> : public Base_property_array
{
public:
    // Writable view of one bit.
    class Bit_reference
    {
    public:
        Bit_reference(std::uint32_t& word, std::uint32_t mask) : word_(word), mask_(mask) {}
        operator bool() const { return (word_ & mask_) != 0; }
        Bit_reference& operator=(bool value)
        {
            word_ = value ? (word_ | mask_) : (word_ & ~mask_);
            return *this;
        }
        Bit_reference& operator=(const Bit_reference& other) { return *this = static_cast<bool>(other); }

    private:
        std::uint32_t& word_;
        std::uint32_t mask_;
    };

    using reference = Bit_reference;
    using const_reference = bool;

    Property_array(std::string name, bool value) : Base_property_array(std::move(name)), value_(value) {}

    void reserve(std::size_t n) override { words_.reserve(word_count(n)); }

    void resize(std::size_t n) override
    {
        const std::size_t old_size = size_;
        words_.resize(word_count(n), value_ ? ~std::uint32_t(0) : 0);
        size_ = n;
        for (std::size_t i = old_size; i < n && i % bits_per_word != 0; ++i)
            (*this)[i] = value_;
        clear_unused_bits();
    }

    void free_memory() override { words_.shrink_to_fit(); }

    void push_back() override { resize(size_ + 1); }

    void swap(std::size_t i0, std::size_t i1) override
    {
        const bool b0 = (*this)[i0];
        (*this)[i0] = static_cast<bool>((*this)[i1]);
        (*this)[i1] = b0;
    }

    std::unique_ptr<Base_property_array> clone() const override
    {
        auto copy = std::make_unique<Property_array<bool>>(name(), value_);
        copy->words_ = words_;
        copy->size_ = size_;
        return copy;
    }

    const std::type_info& type() const override { return typeid(bool); }

    reference operator[](std::size_t i) { return Bit_reference(words_[i / bits_per_word], mask(i)); }
    const_reference operator[](std::size_t i) const { return (words_[i / bits_per_word] & mask(i)) != 0; }

    // The packed storage, (size + 31) / 32 words.
    std::vector<std::uint32_t>& words() { return words_; }
    const std::vector<std::uint32_t>& words() const { return words_; }

    std::size_t size() const { return size_; }

private:
    static constexpr std::size_t bits_per_word = 32;

    static std::size_t word_count(std::size_t n) { return (n + bits_per_word - 1) / bits_per_word; }
    static std::uint32_t mask(std::size_t i) { return std::uint32_t(1) << (i % bits_per_word); }

    // Bits past the length stay zero, so growing the array again starts clean.
    void clear_unused_bits()
    {
        if (size_ % bits_per_word != 0)
            words_.back() &= mask(size_) - 1;
    }

    std::vector<std::uint32_t> words_;
    std::size_t size_ = 0;
    bool value_;
};

} // namespace surface_mesh
