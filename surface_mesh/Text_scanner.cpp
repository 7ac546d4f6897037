#include "surface_mesh/Text_scanner.h"

#include <cctype>
#include <cstdlib>

#include <locale.h>

namespace surface_mesh {

namespace {

// The "C" locale as a handle of its own, made once and kept for the
// process's life, for the *_l conversions: setting a locale to read would
// change it for every thread of the process.
locale_t c_locale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

} // namespace

bool Text_scanner::read_float(float& value)
{
    char* end = nullptr;
    const float result = strtof_l(position_, &end, c_locale());
    if (end == position_)
        return false;
    value = result;
    position_ = end;
    return true;
}

bool Text_scanner::read_double(double& value)
{
    char* end = nullptr;
    const double result = strtod_l(position_, &end, c_locale());
    if (end == position_)
        return false;
    value = result;
    position_ = end;
    return true;
}

bool Text_scanner::read_integer(long long& value)
{
    char* end = nullptr;
    const long long result = strtoll_l(position_, &end, 10, c_locale());
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
