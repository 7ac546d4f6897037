#include "surface_mesh/File_reader.h"
#include "surface_mesh/IO.h"
#include "surface_mesh/Text_scanner.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <iostream>
#include <optional>
#include <vector>

namespace surface_mesh {

namespace {

struct Obj_state
{
    std::vector<Point> texcoords; // every "vt" entry as (u, v, 1)
    std::vector<Vertex> face_vertices;
    // One entry per corner of face_vertices: its 0-based texture index (-1
    // when the index names no element), or none when the corner has none.
    std::vector<std::optional<long long>> face_texcoords;
    bool with_tex_coord = false;
};

bool starts_with(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A 1-based OBJ index as a 0-based one; -1 for anything that names no
// element (0, negative relative indices, numbers beyond int).
long long zero_based(const char* token)
{
    long long index = 0;
    Text_scanner(token).read_integer(index);
    return index >= 1 && index <= INT_MAX ? index - 1 : -1;
}

// Splits a face line in place into its corners' components: the vertex
// index (component 0) and the texture index (component 1), which stays with
// its own corner; normal indices are ignored. Only spaces separate corners;
// a texture index of a corner without a vertex index is dropped.
void split_face_line(char* line, Obj_state& state)
{
    state.face_vertices.clear();
    state.face_texcoords.clear();
    int component = 0;
    bool corner_has_vertex = false;
    char* p = line + 1;
    while (*p == ' ')
        ++p;
    for (;;) {
        char* token = p;
        char* delimiter = p;
        bool end_of_corner = false;
        if (*p != '/') {
            delimiter = p + std::strcspn(p, "\n\r /");
            end_of_corner = *delimiter != '/';
        }
        char* next = delimiter;
        if (*delimiter != '\0') {
            *delimiter = '\0';
            next = delimiter + 1;
        }
        if (*token != '\0') {
            if (component == 0) {
                state.face_vertices.emplace_back(static_cast<int>(zero_based(token)));
                state.face_texcoords.emplace_back();
                corner_has_vertex = true;
            } else if (component == 1 && corner_has_vertex) {
                state.face_texcoords.back() = zero_based(token);
                state.with_tex_coord = true;
            }
        }
        if (end_of_corner)
            corner_has_vertex = false;
        component = end_of_corner ? 0 : component + 1;
        if (*next == '\0' || *next == '\n')
            break;
        p = next;
    }
}

// Corners without a texture index keep the default coordinate; so do those
// whose index names no "vt" entry, with a message.
void assign_texcoords(Surface_mesh& mesh, Face f, const Obj_state& state, Halfedge_property<Point>& texcoords,
                      std::ostream& messages)
{
    std::size_t k = 0;
    bool complete = true;
    for (const Halfedge h : mesh.halfedges(f)) {
        const std::optional<long long>& t = state.face_texcoords[k++];
        if (!t)
            continue;
        if (*t >= 0 && static_cast<unsigned long long>(*t) < state.texcoords.size())
            texcoords[h] = state.texcoords[static_cast<std::size_t>(*t)];
        else
            complete = false;
    }
    if (!complete)
        messages << "read_obj: a face refers to a missing texture coordinate\n";
}

void read_face(Surface_mesh& mesh, char* line, Obj_state& state, Halfedge_property<Point>& texcoords,
               std::ostream& messages)
{
    split_face_line(line, state);
    const Face f = mesh.add_face(state.face_vertices, messages);
    if (state.with_tex_coord && f.is_valid())
        assign_texcoords(mesh, f, state, texcoords, messages);
}

} // namespace

bool read_obj(Surface_mesh& mesh, const std::string& filename, std::ostream& messages)
{
    auto texcoords = mesh.obtain_halfedge_property<Point>("h:texcoord");
    mesh.clear();
    if (!texcoords) {
        report_name_of_other_type("read_obj", "h:texcoord", messages);
        return false;
    }

    File_reader file;
    if (!file.open(filename, File_reader::Mode::text))
        return false;

    Obj_state state;
    std::string line;
    while (file.read_line(line)) {
        char* text = &line[0];
        if (text[0] == '#' || std::isspace(static_cast<unsigned char>(text[0])))
            continue;
        if (starts_with(text, "v ")) {
            float xyz[3] = {0, 0, 0};
            if (Text_scanner(text + 2).read_floats(xyz, 3) > 0)
                mesh.add_vertex(Point(xyz[0], xyz[1], xyz[2]));
        } else if (starts_with(text, "vt ")) {
            float uv[2] = {0, 0};
            if (Text_scanner(text + 3).read_floats(uv, 2) > 0)
                state.texcoords.emplace_back(uv[0], uv[1], 1.0);
        } else if (starts_with(text, "f ")) {
            read_face(mesh, text, state, texcoords, messages);
        }
    }
    return true;
}

} // namespace surface_mesh
