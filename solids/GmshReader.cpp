#include "solids/GmshReader.h"

#include <limits>
#include <string>

#include "solids/TetFileText.h"
#include "solids/TetMeshBuilder.h"

namespace Zarvo {

namespace {

constexpr long long tetrahedronType = 4;
constexpr long long anyNumber = std::numeric_limits<long long>::max();
// Nodes are numbered by int from 0 in a mesh.
constexpr long long mostNodes = std::numeric_limits<int>::max();

std::string ofCount(const char* thing, long long k, long long count)
{
    return std::string(thing) + " " + std::to_string(k + 1) + " of " + std::to_string(count);
}

// Starts the line of item k of `count` (a node, an element, a block) and
// returns its first token; a section's end there means the count promised
// more than the section holds.
std::string_view startItem(TetFileText& text, const char* thing, long long k, long long count)
{
    text.requireLine(ofCount(thing, k, count));
    const std::string_view first = text.token(thing);
    if (first[0] == '$')
        text.fail("the section ends after " + std::to_string(k) + " of the " + std::to_string(count)
                  + " " + thing + "s its count gives");
    return first;
}

// The line "$End<section>"; `after` says what came before it, for a
// section whose count promised fewer items than it holds.
void expectEnd(TetFileText& text, const std::string& section, const std::string& after = "")
{
    const std::string end = "$End" + section;
    text.requireLine(end);
    const std::string_view found = text.token(end);
    if (found != end)
        text.failFound(end + after, found);
    text.endLine(end);
}

void skipSection(TetFileText& text, const std::string& section)
{
    const std::string end = "$End" + section;
    do
        text.requireLine(end);
    while (text.token(end) != end);
}

Eigen::Vector3d readPosition(TetFileText& text)
{
    Eigen::Vector3d position;
    for (int axis = 0; axis < 3; ++axis)
        position[axis] = text.number("a node coordinate");
    return position;
}

std::array<long long, 4> readCorners(TetFileText& text)
{
    std::array<long long, 4> corners{};
    for (long long& corner : corners)
        corner = text.integer("a node of the tetrahedron", 1, anyNumber);
    text.endLine("the tetrahedron's four nodes");
    return corners;
}

// Returns the version's major number: 2 or 4.
int readFormat(TetFileText& text)
{
    text.requireLine("the format version");
    const std::string_view token = text.token("the format version");
    const double version = text.numberOf(token, "the format version");
    if (version != 2.2 && version != 4.1)
        text.failFound("format version 2.2 or 4.1 (save the mesh so)", token);
    if (text.integer("the file type", 0, 1) != 0)
        text.fail("binary files are not read: save the mesh as ASCII");
    text.integer("the data size", 0, anyNumber);
    text.endLine("the format");
    expectEnd(text, "MeshFormat");
    return version == 2.2 ? 2 : 4;
}

// A 2.2 section's first line: its item count, 0 to `most`.
long long readCount(TetFileText& text, const std::string& what, long long most)
{
    text.requireLine(what);
    const long long count = text.integer(what, 0, most);
    text.endLine(what);
    return count;
}

void readNodes2(TetFileText& text, TetMeshBuilder& builder)
{
    const long long count = readCount(text, "the node count", mostNodes);
    for (long long k = 0; k < count; ++k) {
        const std::string_view first = startItem(text, "node", k, count);
        const long long tag = text.integerOf(first, "a node number", 1, anyNumber);
        const Eigen::Vector3d position = readPosition(text);
        text.endLine("the node's coordinates");
        builder.addNode(tag, position, text);
    }
    expectEnd(text, "Nodes", " after the " + std::to_string(count) + " nodes its count gives");
}

void readElements2(TetFileText& text, TetMeshBuilder& builder)
{
    const long long count = readCount(text, "the element count", anyNumber);
    for (long long k = 0; k < count; ++k) {
        const std::string_view first = startItem(text, "element", k, count);
        text.integerOf(first, "an element number", 0, anyNumber);
        const long long type = text.integer("the element type", 1, anyNumber);
        const long long tags = text.integer("the tag count", 0, anyNumber);
        if (type != tetrahedronType)
            continue;
        for (long long t = 0; t < tags; ++t)
            text.integer("a tag", std::numeric_limits<long long>::min(), anyNumber);
        builder.addTetrahedron(readCorners(text), text);
    }
    expectEnd(text, "Elements",
              " after the " + std::to_string(count) + " elements its count gives");
}

// The four numbers of a 4.1 section's first line; returns the block count
// and sets `total` to the item count.
long long readBlockCounts(TetFileText& text, const char* things, long long most, long long& total)
{
    text.requireLine("the block counts");
    const long long blocks = text.integer("the block count", 0, anyNumber);
    total = text.integer(std::string("the ") + things + " count", 0, most);
    text.integer("the smallest tag", 0, anyNumber);
    text.integer("the largest tag", 0, anyNumber);
    text.endLine("the block counts");
    return blocks;
}

void checkTotal(TetFileText& text, long long seen, long long total, const char* things)
{
    if (seen != total)
        text.fail("the blocks hold " + std::to_string(seen) + " " + things + "; the count says "
                  + std::to_string(total));
}

void readNodeBlock(TetFileText& text, TetMeshBuilder& builder, long long b, long long blocks,
                   long long& seen, long long total)
{
    const long long dimension =
        text.integerOf(startItem(text, "node block", b, blocks), "the entity dimension", 0, 3);
    text.integer("the entity tag", std::numeric_limits<long long>::min(), anyNumber);
    const long long parametric = text.integer("the parametric flag", 0, 1);
    const long long count = text.integer("the block's node count", 0, total - seen);
    text.endLine("the block's node count");
    seen += count;
    std::vector<long long> tags;
    for (long long k = 0; k < count; ++k) {
        tags.push_back(text.integerOf(startItem(text, "node number", k, count), "a node number", 1,
                                      anyNumber));
        text.endLine("the node number");
    }
    for (long long k = 0; k < count; ++k) {
        text.requireLine(ofCount("the coordinates of node", k, count));
        const Eigen::Vector3d position = readPosition(text);
        for (long long p = 0; p < parametric * dimension; ++p)
            text.number("a parametric coordinate");
        text.endLine("the node's coordinates");
        builder.addNode(tags[k], position, text);
    }
}

void readNodes4(TetFileText& text, TetMeshBuilder& builder)
{
    long long total = 0;
    const long long blocks = readBlockCounts(text, "node", mostNodes, total);
    long long seen = 0;
    for (long long b = 0; b < blocks; ++b)
        readNodeBlock(text, builder, b, blocks, seen, total);
    checkTotal(text, seen, total, "nodes");
    expectEnd(text, "Nodes", " after the " + std::to_string(blocks) + " blocks its count gives");
}

void readElements4(TetFileText& text, TetMeshBuilder& builder)
{
    long long total = 0;
    const long long blocks = readBlockCounts(text, "element", anyNumber, total);
    long long seen = 0;
    for (long long b = 0; b < blocks; ++b) {
        text.integerOf(startItem(text, "element block", b, blocks), "the entity dimension", 0, 3);
        text.integer("the entity tag", std::numeric_limits<long long>::min(), anyNumber);
        const long long type = text.integer("the element type", 1, anyNumber);
        const long long count = text.integer("the block's element count", 0, total - seen);
        text.endLine("the block's element count");
        seen += count;
        for (long long k = 0; k < count; ++k) {
            text.integerOf(startItem(text, "element", k, count), "an element number", 1, anyNumber);
            if (type == tetrahedronType)
                builder.addTetrahedron(readCorners(text), text);
        }
    }
    checkTotal(text, seen, total, "elements");
    expectEnd(text, "Elements", " after the " + std::to_string(blocks) + " blocks its count gives");
}

}  // namespace

TetMesh readGmsh(const std::string& path, const std::string& name)
{
    TetFileText text(path, name, '\0');
    if (!text.nextLine() || text.token("$MeshFormat") != "$MeshFormat")
        text.fail("not a Gmsh mesh: the file must begin with $MeshFormat");
    text.endLine("$MeshFormat");
    const int version = readFormat(text);
    TetMeshBuilder builder;
    while (text.nextLine()) {
        const std::string_view section = text.token("a section");
        if (section == "$Nodes")
            version == 2 ? readNodes2(text, builder) : readNodes4(text, builder);
        else if (section == "$Elements")
            version == 2 ? readElements2(text, builder) : readElements4(text, builder);
        else if (section.size() > 1 && section[0] == '$' && section.substr(0, 4) != "$End")
            skipSection(text, std::string(section.substr(1)));
        else
            text.failFound("a section such as $Nodes or $Elements", section);
    }
    return builder.finish(text, "elements of type 4");
}

}  // namespace Zarvo
