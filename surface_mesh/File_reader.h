#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace surface_mesh {

// An open file for the mesh readers: whole lines of any length, exact reads
// of little-endian binary values, and how many bytes are left, so that a count
// read from a header can be checked against what the file can still hold.
// The file is closed when the reader goes away.
class File_reader
{
public:
    enum class Mode { text, binary };

    // False when the file cannot be opened.
    bool open(const std::string& filename, Mode mode);

    // The next line with its line feed (the last line may lack one); false
    // when the file has nothing left.
    bool read_line(std::string& line);

    // Exact reads; false (and nothing promised about the target) when the
    // file ends first.
    bool read_bytes(void* target, std::size_t count);
    bool read_int32(std::int32_t& value);
    bool read_uint32(std::uint32_t& value);
    bool read_float(float& value);

    // Bytes between the read position and the end of the file as it was
    // when opened; 0 when unknown.
    std::uint64_t remaining() const;
    // Size of the whole file, taken once when it was opened (seeking to the
    // end and back on every call would make per-record checks slow); 0 when
    // unknown.
    std::uint64_t size() const { return size_; }

private:
    std::uint64_t measure_size() const;

    struct Closer
    {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::uint64_t size_ = 0;
};

} // namespace surface_mesh
