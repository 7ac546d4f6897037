// A missing or unfit mesh is refused with a message naming the file, before
// any body is built from it or stepped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scenes/ResourceError.h"
#include "scenes/SceneRecipe.h"
#include "scenes/SceneSetup.h"
#include "surface_mesh/IO.h"
#include "surface_mesh/Surface_mesh.h"

namespace {

namespace fs = std::filesystem;

// A resource folder of its own holding `file` with `content`.
std::string folderWith(const std::string& name, const std::string& file, const std::string& content)
{
    const fs::path folder = fs::path(ZARVO_TEST_OUTPUT_DIR) / name;
    fs::create_directories(folder);
    std::ofstream(folder / file, std::ios::binary) << content;
    return folder.string();
}

std::string shipped(const std::string& file)
{
    std::ifstream in(fs::path(ZARVO_RESOURCE_DIR) / file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The shipped cloth with three more vertices (`corners`, "v" lines) and a
// face on them.
std::string clothWithTriangle(const std::string& corners)
{
    surface_mesh::Surface_mesh cloth;
    surface_mesh::read_mesh(cloth, ZARVO_RESOURCE_DIR "/cloth_mesh.obj");
    const unsigned n = cloth.vertex_count();
    return shipped("cloth_mesh.obj") + corners + "f " + std::to_string(n + 1) + " "
           + std::to_string(n + 2) + " " + std::to_string(n + 3) + "\n";
}

// The message of the ResourceError that reading `recipe` from `folder` throws.
std::string refusal(const SceneRecipe& recipe, const std::string& folder)
{
    surface_mesh::Surface_mesh mesh;
    try {
        readSceneMesh(recipe, folder, mesh);
    } catch (const ResourceError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(MeshRefusal, MissingFileIsNamed)
{
    SceneRecipe recipe = clothRecipe();
    recipe.meshFile = "no_such_mesh.obj";
    EXPECT_EQ(refusal(recipe, ZARVO_RESOURCE_DIR), "cannot read mesh resources/no_such_mesh.obj");
    EXPECT_EQ(refusal(bucklingRecipe(), ZARVO_TEST_OUTPUT_DIR "/no_such_folder"),
              "cannot read mesh resources/cylinder.obj");
}

TEST(MeshRefusal, TruncatedMeshesAreRefusedNotIndexed)
{
    const std::string cylinder = shipped("cylinder.obj");
    // Cut in the middle of the vertex list: no face survives.
    const std::string cut = cylinder.substr(0, cylinder.size() / 10);
    EXPECT_EQ(refusal(bucklingRecipe(), folderWith("cut", "cylinder.obj", cut)),
              "mesh resources/cylinder.obj has no faces");

    // A small but valid mesh: too few vertices for the pinned ranges.
    const std::string small = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nf 1/1 2/2 3/3\n";
    EXPECT_EQ(refusal(bucklingRecipe(), folderWith("small", "cylinder.obj", small)),
              "mesh resources/cylinder.obj has 3 vertices; the scene needs at least 1682");
    EXPECT_EQ(refusal(plateRecipe(), folderWith("small", "plate.obj", small)),
              "mesh resources/plate.obj has 3 vertices; the scene needs at least 1262");
}

TEST(MeshRefusal, UnreadableContentIsRefused)
{
    EXPECT_EQ(refusal(clothRecipe(), folderWith("binary", "cloth_mesh.obj", std::string(500, '\x7f'))),
              "mesh resources/cloth_mesh.obj has no faces");
    const std::string cloth = shipped("cloth_mesh.obj");
    const std::string poisoned = "v nan 0 0\n" + cloth;
    EXPECT_EQ(refusal(clothRecipe(), folderWith("nan", "cloth_mesh.obj", poisoned)),
              "mesh resources/cloth_mesh.obj has non-finite vertex coordinates");
}

TEST(MeshRefusal, StrayVertexOnNoFaceIsRefused)
{
    const std::string stray = shipped("cloth_mesh.obj") + "v 1 2 3\n";
    EXPECT_EQ(refusal(clothRecipe(), folderWith("stray", "cloth_mesh.obj", stray)),
              "mesh resources/cloth_mesh.obj has 1 vertex on no face");
}

TEST(MeshRefusal, DegenerateFacesAreRefused)
{
    const std::string message = "mesh resources/cloth_mesh.obj has degenerate faces (edges or "
                                "areas near zero for its size)";
    // A sliver, and a small triangle far smaller than the cloth.
    for (const std::string corners :
         {"v 0 0 0\nv 1 0 0\nv 0.5 1e-9 0\n", "v 0 0 0\nv 1e-9 0 0\nv 0 1e-9 0\n"})
        EXPECT_EQ(refusal(clothRecipe(),
                          folderWith("degenerate", "cloth_mesh.obj", clothWithTriangle(corners))),
                  message)
            << corners;
}

TEST(MeshRefusal, SystemThatCannotBeFactorizedIsRefusedBeforeAnyFaceIsDrawn)
{
    // A face whose three corners coincide: no area, so no mass, and edges of
    // no length, so no rows: a zero pivot.
    const std::string collapsed = clothWithTriangle("v 1 2 3\nv 1 2 3\nv 1 2 3\n");
    // The mesh checks refuse such a face too; the body guards its own system.
    surface_mesh::Surface_mesh mesh;
    surface_mesh::read_mesh(mesh, folderWith("collapsed", "cloth_mesh.obj", collapsed) + "/cloth_mesh.obj");
    int facesSeen = 0;
    try {
        buildSceneBody(clothRecipe(), mesh, [&](const std::vector<int>&, const Eigen::Matrix3Xd&) {
            ++facesSeen;
        });
        ADD_FAILURE() << "accepted";
    } catch (const ResourceError& error) {
        EXPECT_STREQ(error.what(),
                     "mesh resources/cloth_mesh.obj gives a system that the solver cannot factorize");
    }
    EXPECT_EQ(facesSeen, 0);
}

} // namespace
