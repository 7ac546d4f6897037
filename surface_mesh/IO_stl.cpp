#include "surface_mesh/File_reader.h"
#include "surface_mesh/IO.h"
#include "surface_mesh/Text_scanner.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <iostream>
#include <map>

namespace surface_mesh {

namespace {

using Corner = std::array<float, 3>;

// Corners merge when their coordinates are equal floats (-0 and +0 alike).
// Only exact equality keeps the merging transitive: "within the smallest
// normalised float" chains among tiny values (a ~ b, b ~ c, a and c apart),
// which no ordered map can hold. Non-finite corners never enter the map.
using Corner_map = std::map<Corner, Vertex>;

bool is_finite(const Corner& corner)
{
    return std::isfinite(corner[0]) && std::isfinite(corner[1]) && std::isfinite(corner[2]);
}

class Corner_merger
{
public:
    Corner_merger(Surface_mesh& mesh, std::ostream& messages) : mesh_(mesh), messages_(messages) {}

    Vertex vertex(const Corner& corner)
    {
        const auto found = vertices_.find(corner);
        if (found != vertices_.end())
            return found->second;
        const Vertex v = mesh_.add_vertex(Point(corner[0], corner[1], corner[2]));
        vertices_.emplace(corner, v);
        return v;
    }

    // Triangles with a repeated corner are dropped silently; those with a
    // non-finite coordinate are dropped with one message per file.
    void add_triangle(const std::array<Corner, 3>& corners)
    {
        if (!is_finite(corners[0]) || !is_finite(corners[1]) || !is_finite(corners[2])) {
            if (!reported_non_finite_)
                messages_ << "read_stl: facets with non-finite coordinates are skipped\n";
            reported_non_finite_ = true;
            return;
        }
        const Vertex a = vertex(corners[0]), b = vertex(corners[1]), c = vertex(corners[2]);
        if (a != b && b != c && a != c)
            mesh_.add_face({a, b, c}, messages_);
    }

private:
    Surface_mesh& mesh_;
    std::ostream& messages_;
    Corner_map vertices_;
    bool reported_non_finite_ = false;
};

const char* skip_space(const char* text)
{
    while (*text && std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    return text;
}

bool starts_with_keyword(const std::string& line, const char* lower, const char* upper)
{
    const char* text = skip_space(line.c_str());
    const std::size_t n = std::strlen(lower);
    return std::strncmp(text, lower, n) == 0 || std::strncmp(text, upper, n) == 0;
}

// The 80 ignored header bytes and the triangle count of a binary file.
bool read_binary_header(File_reader& file, std::uint32_t& count)
{
    char header[80];
    return file.read_bytes(header, sizeof header) && file.read_uint32(count);
}

// A binary file is one whose size matches its triangle count (give or take
// trailing bytes fewer than one record), whatever its header says.
bool size_says_binary(const std::string& filename)
{
    File_reader file;
    if (!file.open(filename, File_reader::Mode::binary))
        return false;
    std::uint32_t count = 0;
    if (!read_binary_header(file, count))
        return false;
    const std::uint64_t expected = 84 + 50ull * count;
    const std::uint64_t size = file.size();
    return size >= expected && size < expected + 50;
}

bool begins_with_solid(const std::string& filename)
{
    File_reader file;
    std::string line;
    if (!file.open(filename, File_reader::Mode::text) || !file.read_line(line))
        return false;
    return starts_with_keyword(line, "solid", "SOLID");
}

bool read_text(Surface_mesh& mesh, const std::string& filename, std::ostream& messages)
{
    File_reader file;
    if (!file.open(filename, File_reader::Mode::text))
        return false;
    Corner_merger merger(mesh, messages);
    std::string line;
    long long incomplete = 0;
    while (file.read_line(line)) {
        if (!starts_with_keyword(line, "outer", "OUTER"))
            continue;
        std::array<Corner, 3> corners;
        bool complete = true;
        for (Corner& corner : corners) {
            if (!file.read_line(line)) {
                complete = false;
                break;
            }
            const char* text = skip_space(line.c_str());
            text += std::min<std::size_t>(6, std::strlen(text));
            complete = complete && Text_scanner(text).read_floats(corner.data(), 3) == 3;
        }
        if (complete)
            merger.add_triangle(corners);
        else
            ++incomplete;
    }
    if (incomplete > 0)
        messages << "read_stl: facets lacking corner coordinates (skipped): " << incomplete << '\n';
    return true;
}

// One 50-byte record: normal (ignored), three corners, attribute bytes.
bool read_triangle(File_reader& file, Corner_merger& merger)
{
    float normal[3];
    std::array<Corner, 3> corners;
    char attributes[2];
    if (!file.read_bytes(normal, sizeof normal))
        return false;
    for (Corner& corner : corners)
        for (float& value : corner)
            if (!file.read_float(value))
                return false;
    if (!file.read_bytes(attributes, sizeof attributes))
        return false;
    merger.add_triangle(corners);
    return true;
}

bool read_binary(Surface_mesh& mesh, const std::string& filename, std::ostream& messages)
{
    File_reader file;
    if (!file.open(filename, File_reader::Mode::binary))
        return false;
    std::uint32_t count = 0;
    if (!read_binary_header(file, count))
        return true;
    Corner_merger merger(mesh, messages);
    for (std::uint32_t t = 0; t < count; ++t)
        if (!read_triangle(file, merger)) {
            messages << "read_stl: the file ends after " << t << " of " << count << " triangles\n";
            break;
        }
    return true;
}

} // namespace

bool read_stl(Surface_mesh& mesh, const std::string& filename, std::ostream& messages)
{
    mesh.clear();
    // A file that cannot be opened fails both tests and then read_binary.
    if (!size_says_binary(filename) && begins_with_solid(filename))
        return read_text(mesh, filename, messages);
    return read_binary(mesh, filename, messages);
}

} // namespace surface_mesh
