#include "solids/MeditReader.h"

#include <limits>

#include "solids/TetFileText.h"
#include "solids/TetMeshBuilder.h"

namespace Zarvo {

namespace {

constexpr long long anyNumber = std::numeric_limits<long long>::max();
constexpr long long anyReference = std::numeric_limits<long long>::min();
constexpr long long mostVertices = std::numeric_limits<int>::max();

bool isKeyword(std::string_view token)
{
    const char c = token[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string entry(const char* thing, long long k, long long count)
{
    return std::string(thing) + " " + std::to_string(k + 1) + " of " + std::to_string(count);
}

long long readCount(TetFileText& text, const char* keyword, long long most)
{
    return text.integerOf(text.anyToken(std::string("the count of ") + keyword),
                          std::string("the count of ") + keyword, 0, most);
}

void readVertices(TetFileText& text, TetMeshBuilder& builder)
{
    const long long count = readCount(text, "Vertices", mostVertices);
    for (long long k = 0; k < count; ++k) {
        const std::string what = entry("a coordinate of vertex", k, count);
        Eigen::Vector3d position;
        for (int axis = 0; axis < 3; ++axis)
            position[axis] = text.numberOf(text.anyToken(what), what);
        const std::string reference = entry("the reference of vertex", k, count);
        text.integerOf(text.anyToken(reference), reference, anyReference, anyNumber);
        builder.addNode(k + 1, position, text);
    }
}

void readTetrahedra(TetFileText& text, TetMeshBuilder& builder)
{
    const long long count = readCount(text, "Tetrahedra", anyNumber);
    for (long long k = 0; k < count; ++k) {
        const std::string what = entry("a vertex of tetrahedron", k, count);
        std::array<long long, 4> corners{};
        for (long long& corner : corners)
            corner = text.integerOf(text.anyToken(what), what, 1, anyNumber);
        const std::string reference = entry("the reference of tetrahedron", k, count);
        text.integerOf(text.anyToken(reference), reference, anyReference, anyNumber);
        builder.addTetrahedron(corners, text);
    }
}

// Passes over the values of a keyword that is not read; returns the next
// keyword, or false at the end of the file.
bool skipValues(TetFileText& text, std::string_view& keyword)
{
    while (text.nextToken(keyword))
        if (isKeyword(keyword))
            return true;
    return false;
}

}  // namespace

TetMesh readMedit(const std::string& path, const std::string& name)
{
    TetFileText text(path, name, '#');
    std::string_view keyword;
    if (!text.nextToken(keyword) || keyword != "MeshVersionFormatted")
        text.fail("not a Medit mesh: the file must begin with MeshVersionFormatted");
    text.integerOf(text.anyToken("the version"), "the version", 1, 4);
    TetMeshBuilder builder;
    bool threeDimensional = false;
    bool more = text.nextToken(keyword);
    while (more && keyword != "End") {
        if (!isKeyword(keyword))
            text.failFound("a keyword (more entries than the last count gives?)", keyword);
        if (keyword == "Dimension") {
            const std::string_view value = text.anyToken("the dimension");
            threeDimensional = text.integerOf(value, "the dimension", 0, anyNumber) == 3;
            if (!threeDimensional)
                text.failFound("dimension 3", value);
        } else if (keyword == "Vertices" && !threeDimensional) {
            text.fail("Vertices before Dimension 3");
        } else if (keyword == "Vertices") {
            readVertices(text, builder);
        } else if (keyword == "Tetrahedra") {
            readTetrahedra(text, builder);
        } else {
            more = skipValues(text, keyword);
            continue;
        }
        more = text.nextToken(keyword);
    }
    return builder.finish(text, "no Tetrahedra section");
}

}  // namespace Zarvo
