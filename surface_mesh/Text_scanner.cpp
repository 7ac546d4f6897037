#include "surface_mesh/Text_scanner.h"

#include <cctype>
#include <cstdlib>

namespace surface_mesh {

bool Text_scanner::read_float(float& value)
{
    char* end = nullptr;
    const float result = std::strtof(position_, &end);
    if (end == position_)
        return false;
    value = result;
    position_ = end;
    return true;
}

bool Text_scanner::read_integer(long long& value)
{
    char* end = nullptr;
    const long long result = std::strtoll(position_, &end, 10);
    if (end == position_)
        return false;
    value = result;
    position_ = end;
    return true;
}

int Text_scanner::read_floats(float* values, int count)
{
    int read = 0;
    while (read < count && read_float(values[read]))
        ++read;
    return read;
}

void Text_scanner::skip_space()
{
    while (*position_ != '\0' && std::isspace(static_cast<unsigned char>(*position_)))
        ++position_;
}

void Text_scanner::skip(std::size_t count)
{
    for (std::size_t i = 0; i < count && *position_ != '\0'; ++i)
        ++position_;
}

} // namespace surface_mesh
