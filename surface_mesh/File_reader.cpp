#include "surface_mesh/File_reader.h"

#include <cstring>

namespace surface_mesh {

bool File_reader::open(const std::string& filename, Mode mode)
{
    file_.reset(std::fopen(filename.c_str(), mode == Mode::binary ? "rb" : "r"));
    size_ = file_ ? measure_size() : 0;
    return file_ != nullptr;
}

bool File_reader::read_line(std::string& line)
{
    line.clear();
    int c = 0;
    while ((c = std::getc(file_.get())) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n')
            break;
    }
    return !line.empty();
}

bool File_reader::read_bytes(void* target, std::size_t count)
{
    return std::fread(target, 1, count, file_.get()) == count;
}

bool File_reader::read_uint32(std::uint32_t& value)
{
    unsigned char bytes[4];
    if (!read_bytes(bytes, sizeof bytes))
        return false;
    value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8
            | static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

bool File_reader::read_int32(std::int32_t& value)
{
    std::uint32_t bits = 0;
    if (!read_uint32(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool File_reader::read_float(float& value)
{
    static_assert(sizeof(float) == 4, "binary mesh files hold 32-bit floats");
    std::uint32_t bits = 0;
    if (!read_uint32(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

std::uint64_t File_reader::remaining() const
{
    const long position = std::ftell(file_.get());
    if (position < 0 || static_cast<std::uint64_t>(position) > size_)
        return 0;
    return size_ - static_cast<std::uint64_t>(position);
}

std::uint64_t File_reader::measure_size() const
{
    std::FILE* file = file_.get();
    const long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long end = std::ftell(file);
    if (std::fseek(file, position, SEEK_SET) != 0 || end < 0)
        return 0;
    return static_cast<std::uint64_t>(end);
}

} // namespace surface_mesh
