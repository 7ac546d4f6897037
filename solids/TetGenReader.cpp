#include "solids/TetGenReader.h"

#include <filesystem>
#include <limits>

#include "solids/TetFileText.h"
#include "solids/TetMeshBuilder.h"

namespace Zarvo {

namespace {

constexpr long long anyNumber = std::numeric_limits<long long>::max();
constexpr long long mostPoints = std::numeric_limits<int>::max();

// `file` with the extension `extension` in place of its own.
std::string sibling(const std::string& file, const char* extension)
{
    return std::filesystem::path(file).replace_extension(extension).string();
}

// Starts the line of item k of `count`; refuses the end of the file there.
void startItem(TetFileText& text, const char* things, long long k, long long count)
{
    if (!text.nextLine())
        text.fail("the file ends after " + std::to_string(k) + " of the " + std::to_string(count)
                  + " " + things + " its first line counts");
}

void expectEnd(TetFileText& text, const char* things, long long count)
{
    if (text.nextLine())
        text.fail("a line after the " + std::to_string(count) + " " + things
                  + " the first line counts");
}

void readPoints(TetFileText& text, TetMeshBuilder& builder)
{
    text.requireLine("the point count");
    const long long count = text.integer("the point count", 0, mostPoints);
    const std::string_view dimension = text.token("the dimension");
    if (text.integerOf(dimension, "the dimension", 0, anyNumber) != 3)
        text.failFound("dimension 3", dimension);
    const long long attributes = text.integer("the attribute count", 0, anyNumber);
    const long long markers = text.integer("the boundary marker count", 0, 1);
    text.endLine("the counts");
    long long first = 0;
    for (long long k = 0; k < count; ++k) {
        startItem(text, "points", k, count);
        const std::string_view token = text.token("the point's number");
        const long long number = text.integerOf(token, "the point's number", 0, anyNumber);
        if (k == 0 && number > 1)
            text.failFound("the first point numbered 0 or 1", token);
        first = k == 0 ? number : first;
        if (number != first + k)
            text.failFound("point " + std::to_string(first + k) + " (numbers run on from the first)",
                           token);
        Eigen::Vector3d position;
        for (int axis = 0; axis < 3; ++axis)
            position[axis] = text.number("a point coordinate");
        for (long long a = 0; a < attributes; ++a)
            text.number("an attribute");
        for (long long m = 0; m < markers; ++m)
            text.integer("a boundary marker", std::numeric_limits<long long>::min(), anyNumber);
        text.endLine("the point");
        builder.addNode(number, position, text);
    }
    expectEnd(text, "points", count);
}

void readTetrahedra(TetFileText& text, TetMeshBuilder& builder)
{
    text.requireLine("the tetrahedron count");
    const long long count = text.integer("the tetrahedron count", 0, anyNumber);
    const std::string_view perTetrahedron = text.token("the nodes per tetrahedron");
    const long long corners =
        text.integerOf(perTetrahedron, "the nodes per tetrahedron", 0, anyNumber);
    if (corners != 4 && corners != 10)
        text.failFound("4 or 10 nodes per tetrahedron", perTetrahedron);
    const long long regions = text.integer("the region attribute count", 0, 1);
    text.endLine("the counts");
    for (long long k = 0; k < count; ++k) {
        startItem(text, "tetrahedra", k, count);
        text.integer("the tetrahedron's number", 0, anyNumber);
        std::array<long long, 4> corner{};
        for (long long& c : corner)
            c = text.integer("a corner's point number", 0, anyNumber);
        for (long long extra = 4; extra < corners; ++extra)
            text.integer("an edge node's point number", 0, anyNumber);
        for (long long r = 0; r < regions; ++r)
            text.number("the region attribute");
        text.endLine("the tetrahedron");
        builder.addTetrahedron(corner, text);
    }
    expectEnd(text, "tetrahedra", count);
}

}  // namespace

TetMesh readTetGen(const std::string& path, const std::string& name)
{
    TetMeshBuilder builder;
    TetFileText points(sibling(path, ".node"), sibling(name, ".node"), '#');
    readPoints(points, builder);
    TetFileText tetrahedra(sibling(path, ".ele"), sibling(name, ".ele"), '#');
    readTetrahedra(tetrahedra, builder);
    return builder.finish(tetrahedra, "the .ele file lists none");
}

}  // namespace Zarvo
