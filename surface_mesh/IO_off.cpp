#include "surface_mesh/File_reader.h"
#include "surface_mesh/IO.h"
#include "surface_mesh/Text_scanner.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <vector>

namespace surface_mesh {

namespace {

struct Off_header
{
    bool texcoords = false;
    bool colors = false;
    bool normals = false;
    bool binary = false;
};

// Prefixes in the only order they are recognised: ST, C, N, 4, n; then "OFF".
bool parse_header(const std::string& line, Off_header& header)
{
    const char* c = line.c_str();
    if (c[0] == 'S' && c[1] == 'T') {
        header.texcoords = true;
        c += 2;
    }
    if (*c == 'C') {
        header.colors = true;
        ++c;
    }
    if (*c == 'N') {
        header.normals = true;
        ++c;
    }
    if (*c == '4' || *c == 'n')
        return false;
    if (std::strncmp(c, "OFF", 3) != 0)
        return false;
    header.binary = std::strlen(c) >= 10 && std::strncmp(c + 4, "BINARY", 6) == 0;
    return true;
}

// A header count bounded by what the remaining bytes could possibly hold, so
// that a corrupt count cannot force a huge reservation.
unsigned int bounded(long long count, std::uint64_t remaining, unsigned int bytes_each)
{
    if (count <= 0)
        return 0;
    const std::uint64_t limit = remaining / bytes_each + 1;
    return static_cast<unsigned int>(std::min<std::uint64_t>({static_cast<std::uint64_t>(count), limit, 1u << 30}));
}

void reserve(Surface_mesh& mesh, long long nv, long long ne, long long nf, std::uint64_t remaining,
             unsigned int vertex_bytes)
{
    const unsigned int v = bounded(nv, remaining, vertex_bytes);
    const unsigned int f = bounded(nf, remaining, 2);
    const unsigned int e = std::max(std::min(3u * v, 1u << 30), bounded(ne, remaining, 2));
    mesh.reserve(v, e, f);
}

// The next line holding data: blank lines and '#' comment lines, which
// real files carry around the header, the counts and between blocks, are
// passed over.
bool read_data_line(File_reader& file, std::string& line)
{
    while (file.read_line(line)) {
        const auto first = line.find_first_not_of(" \t\r\n");
        if (first != std::string::npos && line[first] != '#')
            return true;
    }
    return false;
}

// The vertex arrays that the header asks for; invalid handles for the others.
struct Off_arrays
{
    Vertex_property<Point> normals;
    Vertex_property<Point> texcoords;
    Vertex_property<Point> colors;
};

// False, with a message, when an array the header asks for cannot be had
// because its name is held by an array of another type.
bool obtain_arrays(Surface_mesh& mesh, const Off_header& header, Off_arrays& arrays, std::ostream& messages)
{
    const struct
    {
        bool wanted;
        const char* name;
        Vertex_property<Point>& array;
    } requests[] = {{header.normals, "v:normal", arrays.normals},
                    {header.texcoords, "v:texcoord", arrays.texcoords},
                    {header.colors, "v:color", arrays.colors}};
    for (const auto& request : requests) {
        if (!request.wanted)
            continue;
        request.array = mesh.obtain_vertex_property<Point>(request.name);
        if (!request.array) {
            report_name_of_other_type("read_off", request.name, messages);
            return false;
        }
    }
    return true;
}

// How far a body was read, against what its counts declared.
struct Off_progress
{
    bool counts_read = false;
    long long declared_vertices = 0;
    long long declared_faces = 0;
    long long vertices = 0;
    long long faces = 0; // face lines or records, skipped ones included
    long long short_vertex_lines = 0;
    long long short_face_lines = 0;
};

// Says on `messages` where a damaged body stopped being read and what its
// lines lacked.
void report_damage(const Off_progress& progress, std::ostream& messages)
{
    if (!progress.counts_read)
        messages << "read_off: the file ends before its counts\n";
    else if (progress.vertices < progress.declared_vertices || progress.faces < progress.declared_faces)
        messages << "read_off: the file ends after " << progress.vertices << " of "
                  << progress.declared_vertices << " vertices and " << progress.faces << " of "
                  << progress.declared_faces << " faces\n";
    if (progress.short_vertex_lines > 0)
        messages << "read_off: vertex lines lacking coordinates (read as 0): "
                  << progress.short_vertex_lines << '\n';
    if (progress.short_face_lines > 0)
        messages << "read_off: face lines lacking corner indices (skipped): "
                  << progress.short_face_lines << '\n';
}

void add_face_of(Surface_mesh& mesh, const std::vector<long long>& ids, std::ostream& messages)
{
    std::vector<Vertex> face;
    face.reserve(ids.size());
    for (long long id : ids)
        face.emplace_back(id >= 0 && id < static_cast<long long>(mesh.vertex_count()) ? static_cast<int>(id) : -1);
    mesh.add_face(face, messages);
}

bool read_text_body(Surface_mesh& mesh, File_reader& file, const Off_header& header,
                    Off_progress& progress, std::ostream& messages)
{
    Off_arrays arrays;
    if (!obtain_arrays(mesh, header, arrays, messages))
        return false;

    std::string line;
    long long counts[3] = {0, 0, 0};
    if (!read_data_line(file, line))
        return true;
    Text_scanner header_counts(line.c_str());
    for (long long& count : counts)
        header_counts.read_integer(count);
    progress.counts_read = true;
    progress.declared_vertices = counts[0];
    progress.declared_faces = counts[1];
    reserve(mesh, counts[0], counts[2], counts[1], file.remaining(), 6);

    for (; progress.vertices < counts[0] && read_data_line(file, line); ++progress.vertices) {
        Text_scanner scan(line.c_str());
        float p[3] = {0, 0, 0};
        if (scan.read_floats(p, 3) < 3)
            ++progress.short_vertex_lines;
        const Vertex v = mesh.add_vertex(Point(p[0], p[1], p[2]));
        float values[3];
        if (header.normals && scan.read_floats(values, 3) == 3)
            arrays.normals[v] = Point(values[0], values[1], values[2]);
        if (header.colors && scan.read_floats(values, 3) == 3) {
            if (values[0] > 1 || values[1] > 1 || values[2] > 1)
                for (float& value : values)
                    value *= 0.003921569f;  // 0 to 255 colours become 0 to 1
            arrays.colors[v] = Point(values[0], values[1], values[2]);
        }
        if (header.texcoords && scan.read_floats(values, 2) == 2) {
            arrays.texcoords[v][0] = values[0];
            arrays.texcoords[v][1] = values[1];
        }
    }

    std::vector<long long> ids;
    for (; progress.faces < counts[1] && read_data_line(file, line); ++progress.faces) {
        Text_scanner scan(line.c_str());
        long long k = -1;
        ids.clear();
        long long id = 0;
        if (scan.read_integer(k))
            for (long long j = 0; j < k && scan.read_integer(id); ++j)
                ids.push_back(id);
        if (static_cast<long long>(ids.size()) == k)
            add_face_of(mesh, ids, messages); // add_face refuses too few corners itself
        else
            ++progress.short_face_lines;
    }
    return true;
}

bool read_binary_body(Surface_mesh& mesh, File_reader& file, const Off_header& header,
                      Off_progress& progress, std::ostream& messages)
{
    Off_arrays arrays;
    if (header.colors || !obtain_arrays(mesh, header, arrays, messages))
        return false;

    std::int32_t nv = 0, nf = 0, ne = 0;
    if (!file.read_int32(nv) || !file.read_int32(nf) || !file.read_int32(ne))
        return true;
    progress.counts_read = true;
    progress.declared_vertices = nv;
    progress.declared_faces = nf;
    const unsigned int vertex_bytes = 12 + (header.normals ? 12 : 0) + (header.texcoords ? 8 : 0);
    reserve(mesh, nv, ne, nf, file.remaining(), vertex_bytes);

    float p[3];
    for (; progress.vertices < nv; ++progress.vertices) {
        if (!file.read_float(p[0]) || !file.read_float(p[1]) || !file.read_float(p[2]))
            return true;
        const Vertex v = mesh.add_vertex(Point(p[0], p[1], p[2]));
        if (header.normals) {
            if (!file.read_float(p[0]) || !file.read_float(p[1]) || !file.read_float(p[2]))
                return true;
            arrays.normals[v] = Point(p[0], p[1], p[2]);
        }
        if (header.texcoords) {
            if (!file.read_float(p[0]) || !file.read_float(p[1]))
                return true;
            arrays.texcoords[v][0] = p[0];
            arrays.texcoords[v][1] = p[1];
        }
    }

    std::vector<long long> ids;
    for (; progress.faces < nf; ++progress.faces) {
        std::int32_t k = 0;
        if (!file.read_int32(k) || k < 0 || static_cast<std::uint64_t>(k) * 4 > file.remaining())
            return true;
        ids.clear();
        std::int32_t id = 0;
        for (std::int32_t j = 0; j < k; ++j) {
            if (!file.read_int32(id))
                return true;
            ids.push_back(id);
        }
        add_face_of(mesh, ids, messages);
    }
    return true;
}

} // namespace

bool read_off(Surface_mesh& mesh, const std::string& filename, std::ostream& messages)
{
    mesh.clear();
    File_reader file;
    if (!file.open(filename, File_reader::Mode::text))
        return false;
    std::string line;
    Off_header header;
    if (!read_data_line(file, line) || !parse_header(line, header))
        return false;
    Off_progress progress;
    if (!header.binary) {
        if (!read_text_body(mesh, file, header, progress, messages))
            return false;
    } else {
        File_reader binary;
        if (!binary.open(filename, File_reader::Mode::binary) || !read_data_line(binary, line)
            || !read_binary_body(mesh, binary, header, progress, messages))
            return false;
    }
    report_damage(progress, messages);
    return true;
}

} // namespace surface_mesh
