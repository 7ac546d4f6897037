#pragma once

#include <cstddef>

namespace surface_mesh {

// Reads numbers one after another from a NUL-terminated text, each after
// optional white space, in the "C" number format whatever the process's or
// the thread's locale (a decimal point, never a comma), which it leaves
// alone: readers run on several threads at once. A failed read leaves the
// position where it was.
class Text_scanner
{
public:
    explicit Text_scanner(const char* text) : position_(text) {}

    bool read_float(float& value);
    bool read_double(double& value);
    // Integers beyond the range of long long read as its limits.
    bool read_integer(long long& value);
    // Reads up to `count` floats into `values`; returns how many were read.
    int read_floats(float* values, int count);

    // Moves past white space, then past up to `count` further characters.
    void skip_space();
    void skip(std::size_t count);

    const char* position() const { return position_; }

private:
    const char* position_;
};

} // namespace surface_mesh
