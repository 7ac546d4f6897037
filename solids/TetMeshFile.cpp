#include "solids/TetMeshFile.h"

#include <cctype>
#include <filesystem>

#include "solids/GmshReader.h"
#include "solids/MeditReader.h"
#include "solids/TetGenReader.h"
#include "solids/TetMeshError.h"

namespace Zarvo {

namespace {

using Reader = TetMesh (*)(const std::string&, const std::string&);

Reader readerFor(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".msh")
        return readGmsh;
    if (extension == ".node" || extension == ".ele")
        return readTetGen;
    if (extension == ".mesh")
        return readMedit;
    return nullptr;
}

}  // namespace

bool isTetMeshFile(const std::string& path)
{
    return readerFor(path) != nullptr;
}

TetMesh readTetMeshFile(const std::string& path, const std::string& name)
{
    const Reader reader = readerFor(path);
    if (reader == nullptr)
        throw TetMeshError(name + ": not a tetrahedral mesh file (.msh, .node, .ele or .mesh)");
    return reader(path, name);
}

}  // namespace Zarvo
