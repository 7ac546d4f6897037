#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "MeshChecks.h"

#include "surface_mesh/File_reader.h"
#include "surface_mesh/IO.h"

namespace surface_mesh {
namespace {

std::string writeFile(const std::string& name, const std::string& content)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// The corners' vertex indices, face by face.
std::vector<std::vector<int>> faceCorners(const Surface_mesh& mesh)
{
    std::vector<std::vector<int>> faces;
    for (const Face f : mesh.faces()) {
        faces.emplace_back();
        for (const Vertex v : mesh.vertices(f))
            faces.back().push_back(v.idx());
    }
    return faces;
}

// A binary STL of the given triangles (9 floats each) behind `header`.
std::string binaryStl(const std::string& header, const std::vector<std::array<float, 9>>& triangles)
{
    std::string bytes(80, ' ');
    bytes.replace(0, header.size(), header);
    const std::uint32_t count = static_cast<std::uint32_t>(triangles.size());
    bytes.append(reinterpret_cast<const char*>(&count), 4);
    for (const auto& t : triangles) {
        const float normal[3] = {0, 0, 1};
        bytes.append(reinterpret_cast<const char*>(normal), 12);
        bytes.append(reinterpret_cast<const char*>(t.data()), 36);
        bytes.append(2, '\0');
    }
    return bytes;
}

const std::vector<std::array<float, 9>> twoTriangles = {
    {{0, 0, 0, 1, 0, 0, 1, 1, 0}}, {{0, 0, 0, 1, 1, 0, 0, 1, 0}}};

TEST(Readers, BinaryStlMergesCornersWhateverItsHeaderSays)
{
    for (const std::string header : {"", "solid exported by a CAD tool"}) {
        Surface_mesh mesh;
        ASSERT_TRUE(read_mesh(mesh, writeFile("two.stl", binaryStl(header, twoTriangles))));
        EXPECT_EQ(mesh.vertex_count(), 4u) << header;
        EXPECT_EQ(mesh.face_count(), 2u) << header;
    }
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("trailing.stl", binaryStl("solid", twoTriangles) + "x")));
    EXPECT_EQ(mesh.face_count(), 2u);
}

TEST(Readers, TextStlDropsFacetsWithRepeatedCorners)
{
    const std::string facet = "  facet normal 0 0 1\n   outer loop\n    vertex %s\n    vertex %s\n    vertex %s\n   endloop\n  endfacet\n";
    std::string text = "   solid test\n";
    auto add = [&](const char* a, const char* b, const char* c) {
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, facet.c_str(), a, b, c);
        text += buffer;
    };
    add("0 0 0", "1 0 0", "1 1 0");
    add("0 0 0", "1 1 0", "0 1 0");
    add("0 0 0", "0 0 0", "0 1 0");
    text += "endsolid test\n";
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("text.stl", text)));
    EXPECT_EQ(mesh.vertex_count(), 4u);
    EXPECT_EQ(mesh.face_count(), 2u);
}

TEST(Readers, OffHeaderPrefixesChooseTheBodyAndThePerVertexArrays)
{
    const std::string body = "3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    for (const char* refused : {"4OFF", "nOFF", "NSTOFF", "SOFF", "OBJ"}) {
        Surface_mesh mesh;
        EXPECT_FALSE(read_mesh(mesh, writeFile("refused.off", std::string(refused) + "\n" + body))) << refused;
    }

    using Points = std::array<Point, 3>;
    const Points points = {Point(0, 0, 0), Point(1, 0, 0), Point(0, 1, 0)};
    const Points normals = {Point(0, 0, 1), Point(0, 0.5, 1), Point(0.25, 0, 1)};
    const Points colors = {Point(255, 0, 0), Point(1, 0.5, 0), Point(1, 1, 1)};
    // Colours above 1 are taken for 0 to 255 ones; the third component of a
    // texture coordinate is not in the file and stays 0.
    const Points scaledColors = {Point(double(255 * 0.003921569f), 0, 0), colors[1], colors[2]};
    const Points texcoords = {Point(0.25, 0.75, 0), Point(0.5, 1, 0), Point(1, 0.125, 0)};
    struct Case
    {
        const char* header;
        bool binary, hasNormals, hasColors, hasTexcoords;
    };
    const Case cases[] = {{"OFF", false, false, false, false},       {"OFF x", false, false, false, false},
                          {"COFF", false, false, true, false},       {"NOFF", false, true, false, false},
                          {"STNOFF", false, true, false, true},      {"STCNOFF", false, true, true, true},
                          {"OFF BINARY", true, false, false, false}, {"STNOFF BINARY", true, true, false, true}};
    for (const Case& c : cases) {
        // Per vertex: point, normal, colour, texture coordinate, in this order.
        std::string file = std::string(c.header) + "\n";
        const auto put = [&](const auto value) {
            file += c.binary ? std::string(reinterpret_cast<const char*>(&value), sizeof value)
                             : std::to_string(value) + ' ';
        };
        const auto putPoint = [&](const Point& p, bool wanted, int size = 3) {
            for (int i = 0; wanted && i < size; ++i)
                put(static_cast<float>(p[i]));
        };
        const auto endLine = [&] { file += c.binary ? "" : "\n"; };
        for (const std::int32_t count : {3, 1, 0})
            put(count);
        endLine();
        for (int v = 0; v < 3; ++v) {
            putPoint(points[v], true);
            putPoint(normals[v], c.hasNormals);
            putPoint(colors[v], c.hasColors);
            putPoint(texcoords[v], c.hasTexcoords, 2);
            endLine();
        }
        for (const std::int32_t corner : {3, 0, 1, 2})
            put(corner);
        endLine();

        Surface_mesh mesh;
        ASSERT_TRUE(read_mesh(mesh, writeFile("header.off", file))) << c.header;
        EXPECT_EQ(faceCorners(mesh), (std::vector<std::vector<int>>{{0, 1, 2}})) << c.header;
        const auto expectArray = [&](const char* name, bool wanted, const Points& expected) {
            const auto array = mesh.find_vertex_property<Point>(name);
            ASSERT_EQ(static_cast<bool>(array), wanted) << c.header << " " << name;
            for (int v = 0; wanted && v < 3; ++v)
                EXPECT_EQ(array[Vertex(v)], expected[v]) << c.header << " " << name << " " << v;
        };
        expectArray("v:point", true, points);
        expectArray("v:normal", c.hasNormals, normals);
        expectArray("v:color", c.hasColors, scaledColors);
        expectArray("v:texcoord", c.hasTexcoords, texcoords);
    }
}

// Files that end early or whose lines lack numbers are read up to the
// damage, saying what was missing; counts far beyond the file are harmless.
TEST(Readers, DamagedFilesAreReadUpToTheDamageWithAMessage)
{
    std::string lyingStl = binaryStl("", twoTriangles);
    const std::uint32_t lie = 0xFFFFFFFFu;
    std::memcpy(&lyingStl[80], &lie, 4);
    std::string shortBinaryOff = "OFF BINARY\n";
    for (const std::int32_t count : {3, 1, 0})
        shortBinaryOff.append(reinterpret_cast<const char*>(&count), 4);
    for (const float coordinate : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f})
        shortBinaryOff.append(reinterpret_cast<const char*>(&coordinate), 4);
    struct Case
    {
        std::string name, content;
        unsigned vertices, faces;
        std::string messages;
    };
    const Case cases[] = {
        {"huge.off", "OFF\n2000000000 2000000000 2000000000\n0 0 0\n", 1, 0,
         "read_off: the file ends after 1 of 2000000000 vertices and 0 of 2000000000 faces\n"},
        {"no-counts.off", "OFF\n", 0, 0, "read_off: the file ends before its counts\n"},
        {"short-lines.off", "OFF\n4 2 0\n0 0 0\n1 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2\n", 4, 1,
         "read_off: vertex lines lacking coordinates (read as 0): 1\n"
         "read_off: face lines lacking corner indices (skipped): 1\n"},
        {"short-binary.off", shortBinaryOff, 2, 0,
         "read_off: the file ends after 2 of 3 vertices and 0 of 1 faces\n"},
        {"lying.stl", lyingStl, 4, 2, "read_stl: the file ends after 2 of 4294967295 triangles\n"},
        {"short-corner.stl",
         "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\n"
         "endloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 1\n"
         "vertex 0 1 0\nendloop\nendfacet\nendsolid s\n",
         3, 1, "read_stl: facets lacking corner coordinates (skipped): 1\n"},
    };
    for (const Case& c : cases) {
        Surface_mesh mesh;
        bool read = false;
        const std::string messages =
            captured_stderr([&] { read = read_mesh(mesh, writeFile(c.name, c.content)); });
        EXPECT_TRUE(read) << c.name;
        EXPECT_EQ(mesh.vertex_count(), c.vertices) << c.name;
        EXPECT_EQ(mesh.face_count(), c.faces) << c.name;
        EXPECT_EQ(messages, c.messages) << c.name;
    }
    Surface_mesh mesh;
    EXPECT_FALSE(read_mesh(mesh, writeFile("unknown.ply", "ply\n")));
}

const std::string objSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                              "vn 0 0 1\n";

TEST(Readers, ObjCornerFormsAndSpacing)
{
    struct Case
    {
        const char* faces;
        std::vector<std::vector<int>> corners;
        bool textured;
    };
    const std::vector<Case> cases = {
        {"f 1 2 3\nf 1 3 4\n", {{0, 1, 2}, {0, 2, 3}}, false},
        {"f 1/1 2/2 3/3 4/4\n", {{0, 1, 2, 3}}, true},
        {"f 1/1/1 2/2/1 3/3/1\n", {{0, 1, 2}}, true},
        {"f 1//1 2//1 3//1\n", {{0, 1, 2}}, false},
        {"f   1/1   2/2  3/3  \r\n", {{0, 1, 2}}, true},
        {"f 1 2 3", {{0, 1, 2}}, false},
        // A tab does not separate corners: "1\t2" reads as vertex 1.
        {"f 1\t2 3 4\n", {{0, 2, 3}}, false},
    };
    for (const auto& c : cases) {
        Surface_mesh mesh;
        ASSERT_TRUE(read_mesh(mesh, writeFile("forms.obj", objSquare + c.faces))) << c.faces;
        EXPECT_EQ(mesh.vertex_count(), 4u);
        EXPECT_EQ(faceCorners(mesh), c.corners) << c.faces;
        auto texcoords = mesh.find_halfedge_property<Point>("h:texcoord");
        ASSERT_TRUE(texcoords);
        for (const Face f : mesh.faces()) {
            for (const Halfedge h : mesh.halfedges(f)) {
                const Point& p = mesh.position(mesh.to_vertex(h));
                const Point expected = c.textured ? Point(p[0], p[1], 1) : Point(0, 0, 0);
                EXPECT_EQ(texcoords[h], expected) << c.faces;
            }
        }
    }
}

TEST(Readers, ObjSkipsCommentsAndOtherStatementsAndReadsLongLinesWhole)
{
    std::string polygon;
    std::string longFace = "f";
    for (int i = 0; i < 60; ++i) {
        const double angle = i * 0.1;
        polygon += "v " + std::to_string(std::cos(angle)) + " " + std::to_string(std::sin(angle)) + " 0\n";
        longFace += " " + std::to_string(i + 1) + "//" + std::to_string(i + 1);
    }
    ASSERT_GT(longFace.size(), 400u);
    const std::string text = "# a comment\n v 9 9 9\n\tv 9 9 9\n\n" + polygon +
                             "vn 0 0 1\ng group\no name\ns 1\nusemtl steel\nmtllib x.mtl\n" + longFace + "\n";
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("long.OBJ", text)));
    EXPECT_EQ(mesh.vertex_count(), 60u);
    ASSERT_EQ(mesh.face_count(), 1u);
    EXPECT_EQ(faceCorners(mesh)[0].size(), 60u);
    // "0.995004" scanned in single precision, then widened.
    EXPECT_EQ(mesh.position(Vertex(1))[0], static_cast<double>(0.995004f));
}

TEST(Readers, ObjBadIndicesSkipFacesOrLeaveCoordinatesUnset)
{
    const std::string faces =
        "f 1 2 3\n"          // added, untextured
        "f 1 2 3\n"          // complex edge: refused
        "f -1 -2 -3\n"       // relative indices: refused
        "f 1 4 9\n"          // vertex 9 undefined: refused
        "f 1/1 3/99 4/4\n"   // texture 99 beyond the list: added, corner unset
        "f 2/2 5 3/3\n";     // vertex 5 undefined: refused
    Surface_mesh mesh;
    std::string messages;
    ::testing::internal::CaptureStderr();
    const bool read = read_mesh(mesh, writeFile("bad.obj", objSquare + faces));
    messages = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(read);
    EXPECT_EQ(faceCorners(mesh), (std::vector<std::vector<int>>{{0, 1, 2}, {0, 2, 3}}));
    EXPECT_NE(messages.find("Surface_mesh::add_face: complex edge\n"), std::string::npos);
    EXPECT_NE(messages.find("Surface_mesh::add_face: invalid vertex\n"), std::string::npos);
    EXPECT_NE(messages.find("read_obj: a face refers to a missing texture coordinate\n"), std::string::npos);

    auto texcoords = mesh.find_halfedge_property<Point>("h:texcoord");
    const Face textured(1);
    std::vector<Point> corners;
    for (const Halfedge h : mesh.halfedges(textured))
        corners.push_back(texcoords[h]);
    EXPECT_EQ(corners, (std::vector<Point>{Point(0, 0, 1), Point(0, 0, 0), Point(0, 1, 1)}));
}

TEST(Readers, ObjMixedCornerFormsKeepEachTextureIndexWithItsCorner)
{
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("mixed.obj", objSquare + "f 1/1 2 3/3\n")));
    auto texcoords = mesh.find_halfedge_property<Point>("h:texcoord");
    std::vector<Point> corners;
    for (const Halfedge h : mesh.halfedges(Face(0)))
        corners.push_back(texcoords[h]);
    EXPECT_EQ(corners, (std::vector<Point>{Point(0, 0, 1), Point(0, 0, 0), Point(1, 1, 1)}));
}

TEST(Readers, StlSkipsNonFiniteFacetsWithOneMessageAndMergesOnlyEqualCorners)
{
    const float nan = std::nanf(""), inf = HUGE_VALF;
    const std::string stl = binaryStl("", {{{0, 0, 0, 1, 0, 0, 0, 1, 0}},
                                           {{nan, 0, 0, 2, 0, 0, 2, 1, 0}},
                                           {{3, 0, 0, inf, 0, 0, 3, 1, 0}},
                                           // Apart by less than the smallest normalised float.
                                           {{0, 0, 1, 1e-38f, 0, 1, 2e-38f, 0, 1}}});
    Surface_mesh mesh;
    bool read = false;
    const std::string messages =
        captured_stderr([&] { read = read_mesh(mesh, writeFile("nonfinite.stl", stl)); });
    ASSERT_TRUE(read);
    EXPECT_EQ(messages, "read_stl: facets with non-finite coordinates are skipped\n");
    EXPECT_EQ(mesh.vertex_count(), 6u);
    EXPECT_EQ(mesh.face_count(), 2u);
    for (const Vertex v : mesh.vertices())
        for (int c = 0; c < 3; ++c)
            EXPECT_TRUE(std::isfinite(mesh.position(v)[c]));
}

TEST(Readers, EveryReaderEmptiesTheMeshFirst)
{
    const std::string triangle = writeFile("triangle.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    const std::vector<std::pair<bool (*)(Surface_mesh&, const std::string&), std::string>> reads = {
        {read_obj, writeFile("nothing.obj", "")},
        {read_off, writeFile("no_counts.off", "OFF\n")},
        {read_off, writeFile("bad_header.off", "FFO\n3 1 0\n")},
        {read_stl, writeFile("nothing.stl", "")}};
    for (const auto& [read, file] : reads) {
        Surface_mesh mesh;
        ASSERT_TRUE(read_mesh(mesh, triangle));
        read(mesh, file);
        EXPECT_TRUE(mesh.empty()) << file;
        EXPECT_EQ(mesh.face_count(), 0u) << file;
    }
}

TEST(Readers, ArraysNamedWithAnotherTypeRefuseTheReadWithAMessage)
{
    struct Case
    {
        const char* array;
        const char* file;
        const char* content;
    };
    const Case cases[] = {{"h:texcoord", "clash.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/1 2/1 3/1\n"},
                          {"v:normal", "clash.off", "NOFF\n3 1 0\n0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n3 0 1 2\n"},
                          {"v:color", "clash.off", "COFF\n3 1 0\n0 0 0 1 0 0\n1 0 0 1 0 0\n0 1 0 1 0 0\n3 0 1 2\n"},
                          {"v:texcoord", "clash.off", "STOFF\n3 1 0\n0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n3 0 1 2\n"}};
    for (const Case& c : cases) {
        Surface_mesh mesh;
        if (c.array[0] == 'h')
            mesh.add_halfedge_property<int>(c.array);
        else
            mesh.add_vertex_property<int>(c.array);
        bool read = true;
        const std::string messages =
            captured_stderr([&] { read = read_mesh(mesh, writeFile(c.file, c.content)); });
        EXPECT_FALSE(read) << c.array;
        EXPECT_NE(messages.find(std::string("the property \"") + c.array + "\" holds another type"),
                  std::string::npos)
            << messages;
    }
}

TEST(Readers, FileSizeIsTakenOnceWhenOpened)
{
    const std::string path = writeFile("growing.off", "OFF BINARY\n");
    File_reader file;
    ASSERT_TRUE(file.open(path, File_reader::Mode::binary));
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100, 'x');
    EXPECT_EQ(file.size(), 11u);
    EXPECT_EQ(file.remaining(), 11u);
}

TEST(Readers, ReadMeshDispatchesOnTheLowerCasedLastExtension)
{
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    Surface_mesh mesh;
    EXPECT_TRUE(read_mesh(mesh, writeFile("shape.off.ObJ", triangle)));
    EXPECT_EQ(mesh.face_count(), 1u);
    EXPECT_FALSE(read_mesh(mesh, writeFile("shape_obj", triangle)));
    EXPECT_TRUE(mesh.empty());
    EXPECT_TRUE(mesh.find_halfedge_property<Point>("h:texcoord"));
    for (const char* missing : {"missing.obj", "missing.off", "missing.stl"}) {
        EXPECT_FALSE(read_mesh(mesh, ::testing::TempDir() + missing)) << missing;
        EXPECT_TRUE(mesh.empty());
    }
}

// Every real-world file reads with the manifest's plain counts of what it
// holds, except where our readers' rules give other counts; those are listed
// as {vertices, faces}, by the rule that makes them differ.
TEST(Readers, CorpusFilesReadWithTheCountsOfTheReadersRules)
{
    const std::map<std::string, std::pair<unsigned, unsigned>> differences = {
        // add_face leaves out, with its message, faces at bowtie vertices,
        // faces repeating a halfedge of an earlier face (often across an
        // edge of three or more faces), and faces with fewer than three
        // corners, a repeated corner or an index of no vertex (0, relative).
        {"obj/assimp__WusonOBJ.obj", {2117, 3721}},
        {"stl/assimp__Wuson.stl", {2117, 3721}},
        {"stl/assimp__3DSMaxExport.STL", {1042, 1968}},
        {"obj/assimp__spider.obj", {762, 1362}},
        {"stl/npstl__triamid.stl", {7, 5}},
        {"obj/assimp__only_a_part_of_vertexcolors.obj", {5, 2}},
        {"obj/assimp__regr_3429812.obj", {4, 1}},
        {"obj/o3dv__two_meshes_same_vertices.obj", {4, 1}},
        {"obj/assimp__box_longline.obj", {8, 5}},
        {"obj/assimp__concave_polygon.obj", {64, 0}},
        {"obj/tinyobj__invalid-face-definition.obj", {8, 0}},
        {"off/assimp__invalid.off", {3, 0}},
        {"obj/tinyobj__issue-140-zero-face-idx.obj", {4, 1}},
        {"obj/o3dv__single_triangle_negative_indices.obj", {3, 0}},
        {"obj/tinyobj__cornell_box.obj", {76, 3}},
        {"obj/tinyobj__invalid-relative-vertex-index.obj", {0, 0}},
        // STL facets with a repeated corner are dropped silently: 56 here,
        // besides 6 faces that add_face refuses.
        {"stl/assimp__Spider_ascii.stl", {722, 1306}},
        {"stl/assimp__Spider_binary.stl", {722, 1306}},
        // UTF-16 text is not decoded.
        {"obj/assimp__box_UTF16BE.obj", {0, 0}},
        // Not an STL of either kind (it starts with "#"): read as binary,
        // its 5 whole 50-byte records after the 84-byte head.
        {"stl/o3dv__single_triangle_with_comments.stl", {15, 5}},
    };
    const std::string corpus = ZARVO_MESH_CORPUS;
    std::ifstream manifest(corpus + "/MANIFEST.tsv");
    ASSERT_TRUE(manifest) << "missing " << corpus << "/MANIFEST.tsv";
    std::string line;
    std::getline(manifest, line);
    int files = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        for (std::string field; std::getline(row, field, '\t');)
            fields.push_back(field);
        ASSERT_GE(fields.size(), 10u) << line;
        const std::string& file = fields[0];
        Surface_mesh mesh;
        bool read = false;
        const std::string messages = captured_stderr([&] { read = read_mesh(mesh, corpus + "/" + file); });
        ++files;
        EXPECT_TRUE(read) << file;
        const auto difference = differences.find(file);
        const bool differs = difference != differences.end();
        const std::pair<unsigned, unsigned> expected =
            differs ? difference->second : std::pair<unsigned, unsigned>(std::stoul(fields[8]), std::stoul(fields[9]));
        EXPECT_EQ(mesh.vertex_count(), expected.first) << file;
        EXPECT_EQ(mesh.face_count(), expected.second) << file;
        EXPECT_EQ(connectivity_error(mesh), "") << file;
        if (!differs) {
            EXPECT_EQ(messages, "") << file;
        }
    }
    EXPECT_EQ(files, 62);
}

}  // namespace
}  // namespace surface_mesh
