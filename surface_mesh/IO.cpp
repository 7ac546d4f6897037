#include "surface_mesh/IO.h"

#include <cctype>

namespace surface_mesh {

bool read_mesh(Surface_mesh& mesh, const std::string& filename, std::ostream& messages)
{
    mesh.clear();

    const auto dot = filename.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = filename.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    if (extension == "off")
        return read_off(mesh, filename, messages);
    if (extension == "obj")
        return read_obj(mesh, filename, messages);
    if (extension == "stl")
        return read_stl(mesh, filename, messages);
    return false;
}

} // namespace surface_mesh
