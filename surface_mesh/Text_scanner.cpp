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

// Reads a number at `position` with `convert` (a C-locale strto* call),
// moving past it; false, with both unchanged, where none starts there.
template <typename Number, typename Convert>
bool read_number(const char*& position, Number& value, Convert convert)
{
    char* end = nullptr;
    const Number result = convert(position, &end);
    if (end == position)
        return false;
    value = result;
    position = end;
    return true;
}

} // namespace

bool Text_scanner::read_float(float& value)
{
    return read_number(position_, value,
                       [](const char* text, char** end) { return strtof_l(text, end, c_locale()); });
}

bool Text_scanner::read_double(double& value)
{
    return read_number(position_, value,
                       [](const char* text, char** end) { return strtod_l(text, end, c_locale()); });
}

bool Text_scanner::read_integer(long long& value)
{
    return read_number(position_, value, [](const char* text, char** end) {
        return strtoll_l(text, end, 10, c_locale());
    });
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
