#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "surface_mesh/IO.h"

namespace surface_mesh {
namespace {

std::string writeFile(const std::string& name, const std::string& content)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
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

TEST(Readers, OffHeaderPrefixesAreRecognisedOnlyInTheirOrder)
{
    const std::string body = "3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    for (const char* refused : {"4OFF", "nOFF", "NSTOFF", "SOFF", "OBJ"}) {
        Surface_mesh mesh;
        EXPECT_FALSE(read_mesh(mesh, writeFile("refused.off", std::string(refused) + "\n" + body))) << refused;
    }
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("plain.off", "OFF\n" + body)));
    EXPECT_EQ(mesh.face_count(), 1u);

    ASSERT_TRUE(read_mesh(mesh, writeFile("colors.off",
                                          "COFF\n3 1 0\n0 0 0 255 0 0\n1 0 0 1 0.5 0\n0 1 0 1 1 1\n3 0 1 2\n")));
    auto colors = mesh.find_vertex_property<Point>("v:color");
    ASSERT_TRUE(colors);
    EXPECT_EQ(colors[Vertex(0)][0], double(255 * 0.003921569f));
    EXPECT_EQ(colors[Vertex(1)][1], 0.5);
    EXPECT_EQ(colors[Vertex(2)][2], 1.0);
}

TEST(Readers, BinaryOffReadsPointsAndFaces)
{
    std::string bytes = "OFF BINARY\n";
    auto put = [&](const auto value) { bytes.append(reinterpret_cast<const char*>(&value), sizeof value); };
    put(std::int32_t(3)), put(std::int32_t(1)), put(std::int32_t(0));
    for (float v : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f})
        put(v);
    put(std::int32_t(3)), put(std::int32_t(0)), put(std::int32_t(1)), put(std::int32_t(2));
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("binary.off", bytes)));
    EXPECT_EQ(mesh.vertex_count(), 3u);
    EXPECT_EQ(mesh.face_count(), 1u);
    EXPECT_EQ(mesh.position(Vertex(1))[0], 1.0);
}

TEST(Readers, HugeHeaderCountsInTinyFilesAreHarmless)
{
    Surface_mesh mesh;
    EXPECT_TRUE(read_mesh(mesh, writeFile("huge.off", "OFF\n2000000000 2000000000 2000000000\n0 0 0\n")));
    EXPECT_EQ(mesh.vertex_count(), 1u);
    std::string stl = binaryStl("", twoTriangles);
    const std::uint32_t lie = 0xFFFFFFFFu;
    std::memcpy(&stl[80], &lie, 4);
    EXPECT_TRUE(read_mesh(mesh, writeFile("lying.stl", stl)));
    EXPECT_EQ(mesh.face_count(), 2u);
    EXPECT_FALSE(read_mesh(mesh, writeFile("unknown.ply", "ply\n")));
    EXPECT_FALSE(read_mesh(mesh, ::testing::TempDir() + "missing.obj"));
}

TEST(Readers, ObjKeepsTextureCoordinatesPerHalfedge)
{
    Surface_mesh mesh;
    ASSERT_TRUE(read_mesh(mesh, writeFile("tex.obj",
                                          "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nf 1/1 2/2 3/3\n")));
    auto texcoords = mesh.find_halfedge_property<Point>("h:texcoord");
    ASSERT_TRUE(texcoords);
    for (auto h : mesh.halfedges()) {
        if (!mesh.face(h).is_valid())
            continue;
        const auto& p = mesh.position(mesh.to_vertex(h));
        EXPECT_EQ(texcoords[h][0], p[0]);
        EXPECT_EQ(texcoords[h][1], p[1]);
    }
}

// Every real-world file reads without a crash. The manifest counts what the
// files hold; our readers keep every vertex line (STL: every distinct
// corner) and leave out the faces that the mesh refuses, so faces may be
// fewer. UTF-16 text is not decoded and reads as empty.
TEST(Readers, CorpusFilesReadWithTheManifestsCounts)
{
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
        ::testing::internal::CaptureStderr();
        read_mesh(mesh, corpus + "/" + file);
        ::testing::internal::GetCapturedStderr();
        ++files;
        if (fields[8].empty())
            continue;
        const unsigned expectedVertices = std::stoul(fields[8]);
        const unsigned expectedFaces = std::stoul(fields[9]);
        if (file.find("UTF16") != std::string::npos) {
            EXPECT_EQ(mesh.vertex_count(), 0u) << file;
            continue;
        }
        if (file.rfind("obj/", 0) == 0 && fields[10].find("oob_idx") != std::string::npos)
            continue;  // faces only, no vertices: nothing to compare
        EXPECT_EQ(mesh.vertex_count(), expectedVertices) << file;
        EXPECT_LE(mesh.face_count(), expectedFaces) << file;
        if (file.rfind("stl/", 0) == 0) {
            EXPECT_GT(mesh.face_count(), 0u) << file;
        }
    }
    EXPECT_GE(files, 60);
}

}  // namespace
}  // namespace surface_mesh
