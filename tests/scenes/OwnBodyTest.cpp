// Bodies from files: the shipped scenes' scene files, meshes nobody on the
// project made on the defaults, and broken scene files.
#include <gtest/gtest.h>

#include <Eigen/Geometry>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scenes/KeyAction.h"
#include "scenes/ResourceError.h"
#include "scenes/SceneSimulation.h"
#include "SceneFiles.h"

namespace {

namespace fs = std::filesystem;
using namespace sceneFiles;

const std::string tryMeshes = ZARVO_SHARED_DIR "/try-meshes/";

// Every vertex of a run of `steps` steps: finite, pinned ones within a
// thousandth of the body's size of where they started, none farther than
// twice its size, and some free vertex moved (a flat pattern hanging in its
// own plane only stretches).
void expectHangsOnTheDefaults(const std::string& mesh, int steps)
{
    SCOPED_TRACE(mesh);
    SceneSimulation body(mesh, "");
    const Eigen::Matrix3Xd start = body.solver().points;
    const double size = (start.rowwise().maxCoeff() - start.rowwise().minCoeff()).norm();
    for (int k = 0; k < steps; ++k)
        body.step();
    const Eigen::Matrix3Xd end = body.solver().points;
    ASSERT_TRUE(end.allFinite());
    std::vector<bool> pinned(end.cols(), false);
    for (const auto& handle : body.body().handles)
        for (int id : handle->indices) {
            pinned[id] = true;
            EXPECT_LT((end.col(id) - start.col(id)).norm(), 1e-3 * size) << "pinned vertex " << id;
        }
    double moved = 0.0;
    for (Eigen::Index i = 0; i < end.cols(); ++i) {
        const double distance = (end.col(i) - start.col(i)).norm();
        EXPECT_LT(distance, 2.0 * size) << "vertex " << i << " flies away";
        if (!pinned[i])
            moved = std::max(moved, distance);
    }
    EXPECT_GT(moved, 1e-4 * size) << "the free vertices do not move";
}

TEST(OwnBodies, MeshesFromOutsideTheProjectHangOnTheDefaults)
{
    for (const char* name : {"garment-pants.obj", "garment-victor_dress_shaped.obj",
                             "garment-robe.obj", "alligator.obj", "cheburashka.obj",
                             "rocker-arm.obj"})
        expectHangsOnTheDefaults(tryMeshes + name, 60);
}

TEST(OwnBodies, AScanInCentimetresWithStrayVerticesAndRefusedFacesRuns)
{
    // The robe scaled to centimetres, with two vertices on no face and a
    // third face on one of its inner edges, which the mesh refuses.
    std::istringstream robe(readFile(tryMeshes + "garment-robe.obj"));
    std::string scan = "v 1 2 3\n";
    std::string line;
    std::string firstFace;
    while (std::getline(robe, line)) {
        if (line.rfind("v ", 0) == 0) {
            double x, y, z;
            std::istringstream(line.substr(2)) >> x >> y >> z;
            scan += "v " + std::to_string(100 * x) + " " + std::to_string(100 * y) + " "
                    + std::to_string(100 * z) + "\n";
        } else {
            if (firstFace.empty() && line.rfind("f ", 0) == 0)
                firstFace = line;
            scan += line + "\n";
        }
    }
    scan += "v 0 0 0\n";
    ASSERT_FALSE(firstFace.empty());
    // Shift every index by the stray vertex in front; a face on the first
    // face's first edge and the last (stray) vertex is the refused third.
    std::ostringstream shifted;
    std::istringstream lines(scan);
    int vertices = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("v ", 0) == 0)
            ++vertices;
        if (line.rfind("f ", 0) != 0) {
            shifted << line << '\n';
            continue;
        }
        std::istringstream corners(line.substr(2));
        std::string corner;
        shifted << 'f';
        while (corners >> corner)
            shifted << ' ' << std::stoi(corner) + 1;
        shifted << '\n';
    }
    std::istringstream first(firstFace.substr(2));
    std::string a, b;
    first >> a >> b;
    shifted << "f " << std::stoi(a) + 1 << ' ' << std::stoi(b) + 1 << ' ' << vertices << '\n';
    const std::string path = writeFile("robe-cm.obj", shifted.str());

    testing::internal::CaptureStderr();
    expectHangsOnTheDefaults(path, 60);
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("1 faces that the mesh refuses"), std::string::npos) << messages;
    EXPECT_NE(messages.find("2 vertices on no face left out"), std::string::npos) << messages;
}

// The positions after a run of the shipped scene `name` and of its scene
// file, with the same keys and pull.
void expectSameBits(const std::string& name, const std::vector<SceneKey>& keys)
{
    SceneSimulation shipped(name, ZARVO_RESOURCE_DIR);
    SceneSimulation fromFile(ZARVO_RESOURCE_DIR "/scenes/" + name + ".json", "");
    ASSERT_EQ(shipped.vertexCount(), fromFile.vertexCount());
    for (int step = 0; step < 40; ++step) {
        for (const SceneKey key : keys)
            EXPECT_EQ(shipped.press(key), fromFile.press(key));
        if (step == 5) {
            shipped.pull(shipped.vertexCount() / 2);
            fromFile.pull(fromFile.vertexCount() / 2);
        }
        shipped.step();
        fromFile.step();
        ASSERT_EQ(std::memcmp(shipped.solver().points.data(), fromFile.solver().points.data(),
                              sizeof(double) * 3 * shipped.vertexCount()),
                  0)
            << name << " after step " << step + 1;
    }
}

namespace {

// A flat grid of side x side vertices in the plane y = 0 (spacing 1) as
// quads (a, b, c, d), or with each quad split into (a, b, c) and (a, c, d).
std::string gridObj(int side, bool split)
{
    std::ostringstream obj;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            obj << "v " << i << " 0 " << j << '\n';
    for (int j = 0; j + 1 < side; ++j)
        for (int i = 0; i + 1 < side; ++i) {
            const int a = j * side + i + 1, b = a + 1, c = b + side, d = a + side;
            if (split)
                obj << "f " << a << ' ' << b << ' ' << c << "\nf " << a << ' ' << c << ' ' << d << '\n';
            else
                obj << "f " << a << ' ' << b << ' ' << c << ' ' << d << '\n';
        }
    return obj.str();
}

Eigen::Matrix3Xd hungFor(const std::string& mesh, int steps)
{
    SceneSimulation body(mesh, "");
    for (int k = 0; k < steps; ++k)
        body.step();
    return body.solver().points;
}

} // namespace

TEST(OwnBodies, AQuadGridHangsAsItsTriangulatedTwin)
{
    // Flat in y, both hang from their largest z and swing down.
    const int side = 12;
    const Eigen::Matrix3Xd quads = hungFor(writeFile("quads.obj", gridObj(side, false)), 30);
    const Eigen::Matrix3Xd twin = hungFor(writeFile("quads-split.obj", gridObj(side, true)), 30);
    ASSERT_EQ(quads.cols(), twin.cols());
    const double drop = -twin.row(1).minCoeff();
    ASSERT_GT(drop, 1.0);
    EXPECT_LT((quads - twin).colwise().norm().maxCoeff(), 0.01 * drop);
}

TEST(ShippedSceneFiles, GiveTheBuiltInBodiesBitForBit)
{
    // Presses every step, so that the keys' limits are reached too.
    expectSameBits("cloth", {SceneKey::Left, SceneKey::Left, SceneKey::Right});
    expectSameBits("shell", {SceneKey::Down, SceneKey::Down, SceneKey::Up});
    expectSameBits("plate", {SceneKey::Left});
}

TEST(SceneFilePage, ItsExampleIsAValidSceneWithEveryField)
{
    const std::string page = readFile(ZARVO_SOURCE_DIR "/docs/scene-files.md");
    const auto begin = page.find("```json\n");
    ASSERT_NE(begin, std::string::npos);
    const auto end = page.find("```", begin + 8);
    const std::string example = page.substr(begin + 8, end - begin - 8);
    writeFile("flag.obj", readFile(ZARVO_RESOURCE_DIR "/cloth_mesh.obj"));
    SceneSimulation flag(writeFile("flag.json", example), "");
    for (const char* field : {"images", "texture_scale", "strain_weight", "bending_weight",
                              "density", "iterations", "pins", "keys", "mouse.force", "mouse.pick_radius",
                              "camera.eye", "camera.center",
                              "range", "plane", "offsets", "about", "limit"})
        EXPECT_NE(page.find(std::string("`") + field + "`"), std::string::npos) << field;
    // The plane pins the cloth's top row, the indices the second group.
    ASSERT_EQ(flag.body().handles.size(), 2u);
    EXPECT_EQ(flag.body().handles[0]->indices.size(), 41u);
    EXPECT_EQ(flag.body().handles[1]->indices, (std::vector<int>{700, 710}));
    EXPECT_TRUE(flag.press(SceneKey::Down));
}

TEST(SceneFileKeys, ARotateKeyTurnsItsGroupAboutItsCentreUntilItsLimit)
{
    const std::string mesh = "\"mesh\": \"" ZARVO_RESOURCE_DIR "/cloth_mesh.obj\"";
    SceneSimulation twist(writeFile("twist.json", "{" + mesh + R"(, "pins": [{"indices": [0, 40]}],
        "keys": {"Left": {"rotate": {"axis": [0, 0, 2], "degrees": 30}, "limit": 60},
                 "Right": {"rotate": {"axis": [0, 0, 1], "degrees": -30}, "about": [0, 0, 0]}}})"),
                          "");
    const Eigen::Matrix3Xd start = twist.body().handles[0]->targets;
    const Eigen::Vector3d centre = start.rowwise().mean();
    const Eigen::Matrix3d turn = Eigen::AngleAxisd(std::acos(-1.0) / 6, Eigen::Vector3d::UnitZ()).toRotationMatrix();
    EXPECT_TRUE(twist.press(SceneKey::Left));
    const Eigen::Matrix3Xd turned = (turn * (start.colwise() - centre)).colwise() + centre;
    EXPECT_LT((twist.body().handles[0]->targets - turned).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_TRUE(twist.press(SceneKey::Left));
    EXPECT_FALSE(twist.press(SceneKey::Left)) << "90 degrees passes the limit of 60";
    // Turning back about the origin frees the limit again.
    EXPECT_TRUE(twist.press(SceneKey::Right));
    EXPECT_TRUE(twist.press(SceneKey::Left));

    const auto key = [&](const std::string& action) {
        return refusal("{" + mesh + ", \"keys\": {\"Up\": " + action + "}}");
    };
    EXPECT_EQ(key(R"({"rotate": {"axis": [0, 0, 0], "degrees": 5}})"), "keys.Up.rotate.axis must not be zero");
    EXPECT_EQ(key(R"({"rotate": {"axis": [1, 0, 0], "degrees": 5}, "move": [1, 0, 0]})"),
              "keys.Up must have one of move, scale and rotate");
    EXPECT_EQ(key(R"({"rotate": {"axis": [1, 0, 0], "degrees": 0}})"), "keys.Up.rotate.degrees must not be zero");
}

TEST(SceneFileRefusals, NameTheFieldAndWhatIsWrong)
{
    const std::string mesh = "\"mesh\": \"" ZARVO_RESOURCE_DIR "/cloth_mesh.obj\"";
    EXPECT_EQ(refusal("{" + mesh + "}").substr(0, 8), "accepted");
    EXPECT_EQ(refusal("{" + mesh + ",}").substr(0, 13), "invalid JSON:");
    EXPECT_EQ(refusal("{" + mesh + ", \"strain_wieght\": 1}"), "strain_wieght is not a known key");
    EXPECT_EQ(refusal("{" + mesh + ", \"iterations\": \"ten\"}"), "iterations must be a whole number");
    EXPECT_EQ(refusal("{" + mesh + ", \"bending_weight\": -1}"), "bending_weight must not be negative");
    EXPECT_EQ(refusal("{" + mesh + ", \"density\": 1e999}"),
              "invalid JSON: number overflow parsing '1e999'");
    EXPECT_EQ(refusal("{" + mesh + ", \"pins\": [{\"indices\": [0]}, {\"range\": [0, 1435]}]}"),
              "pins[1].range[1] must be from 0 to 1434");
    EXPECT_EQ(refusal("{" + mesh + ", \"pins\": [{\"box\": {\"min\": [0, 5, 0], \"max\": [1, 6, 1]}}]}"),
              "pins[0] selects no vertex");
    EXPECT_EQ(refusal("{" + mesh + ", \"keys\": {\"Left\": {\"group\": 1, \"move\": [1, 0, 0]}}}"),
              "keys.Left.group must be from 0 to 0");
    EXPECT_EQ(refusal("{\"mesh\": \"no-such.obj\"}"),
              "mesh: cannot read mesh " + (fs::path(ZARVO_TEST_OUTPUT_DIR) / "own-bodies/no-such.obj").string());
    writeFile("faceless.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    EXPECT_EQ(refusal("{\"mesh\": \"faceless.obj\"}"),
              "mesh: mesh " + (fs::path(ZARVO_TEST_OUTPUT_DIR) / "own-bodies/faceless.obj").string()
                  + " has no faces");
}

} // namespace
