// Closed surfaces filled with a lattice ("solid" in a scene file), stepped
// as zarvo-sim steps them: what a person sees of their own surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <Eigen/Geometry>

#include "scenes/ResourceError.h"
#include "scenes/SceneSimulation.h"
#include "SceneFiles.h"

namespace {

using namespace sceneFiles;

const std::string quadruped = std::string(ZARVO_RESOURCE_DIR) + "/quadruped.obj";

// The volume the mesh's faces enclose at `points` (each closed piece's own,
// added up).
double enclosedVolume(const SceneSimulation& body, const Eigen::Matrix3Xd& points)
{
    const auto& mesh = body.scene().mesh;
    double volume = 0.0;
    for (const auto f : mesh.faces()) {
        std::vector<int> corners;
        for (const auto v : mesh.vertices(f))
            corners.push_back(v.idx());
        volume += points.col(corners[0]).dot(points.col(corners[1]).cross(points.col(corners[2])));
    }
    return volume / 6.0;
}

// Six faces of the box from `low` to `high`, outward, after `first` vertices.
std::string boxFaces(const Eigen::Vector3d& low, const Eigen::Vector3d& high, int first)
{
    std::string text;
    for (int c = 0; c < 8; ++c)
        text += "v " + std::to_string((c & 1) ? high.x() : low.x()) + " "
                + std::to_string((c & 2) ? high.y() : low.y()) + " "
                + std::to_string((c & 4) ? high.z() : low.z()) + "\n";
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& face : faces) {
        text += "f";
        for (const int corner : face)
            text += " " + std::to_string(first + corner + 1);
        text += "\n";
    }
    return text;
}

TEST(FilledSolid, AQuadrupedDroppedOntoAFloorKeepsItsVolumeStaysAboveItAndStandsAtRest)
{
    const std::string scene = writeFile(
        "dropped.json", R"({"mesh": ")" + quadruped + R"(", "solid": {"cells": 12},
            "time_step": 0.0333333, "gravity": [0, -9.81, 0], "pins": [],
            "colliders": [{"plane": {"point": [0, -0.2, 0], "normal": [0, 1, 0]}}]})");
    SceneSimulation body(scene, "");
    // The person's own surface, vertex for vertex: 1,716 of them, where the
    // file puts them, 1.1 high with its feet on y = 0.
    ASSERT_EQ(body.vertexCount(), 1716);
    const Eigen::Matrix3Xd start = body.positions();
    EXPECT_EQ(start.col(0), Eigen::Vector3d(0.0, 1.0, 0.0));
    const double height = start.row(1).maxCoeff() - start.row(1).minCoeff();
    ASSERT_NEAR(height, 1.1, 1e-6);
    const double volume = enclosedVolume(body, start);

    Eigen::Matrix3Xd before = start;
    double lastMove = 0.0;
    for (int step = 1; step <= 210; ++step) {
        body.step();
        const Eigen::Matrix3Xd now = body.positions();
        EXPECT_NEAR(enclosedVolume(body, now) / volume, 1.0, 0.05) << "after " << step << " steps";
        EXPECT_GE(now.row(1).minCoeff(), -0.2) << "after " << step << " steps";
        lastMove = (now - before).colwise().norm().mean();
        before = now;
    }
    // It has landed (the fall alone takes it 0.2 lower) and stands at more
    // than 80% of its height, its vertices moving 3 cm/s on average, where
    // it landed at 2 m/s.
    EXPECT_LT(before.row(1).minCoeff(), -0.15);
    EXPECT_GT(before.row(1).maxCoeff() - before.row(1).minCoeff(), 0.8 * height);
    EXPECT_LT(lastMove, 0.03 * 0.0333333) << "mean motion in the last step";
}

TEST(FilledSolid, PiecesThatShareACubeStayApart)
{
    // Two boxes half a cube apart inside the same column of cubes (a cube
    // is 0.1): the left one pinned, the right one falls away freely.
    writeFile("two-boxes.obj", boxFaces({0, 0, 0}, {0.425, 0.3, 0.3}, 0)
                                   + boxFaces({0.475, 0, 0}, {1.0, 0.3, 0.3}, 8));
    const std::string scene = writeFile(
        "two-boxes.json", R"({"mesh": "two-boxes.obj", "solid": {"cells": 10},
            "pins": [{"box": {"min": [-1, -1, -1], "max": [0.43, 1, 1]}}]})");
    SceneSimulation body(scene, "");
    for (int step = 0; step < 10; ++step)
        body.step();
    const Eigen::Matrix3Xd now = body.positions();
    // Ten steps of 0.1 s at 10 m/s^2 free fall take a body 5.5 lower.
    EXPECT_NEAR(now.block(1, 0, 1, 8).minCoeff(), 0.0, 0.01);
    EXPECT_LT(now.block(1, 8, 1, 8).maxCoeff(), -4.0);
}

TEST(FilledSolid, ASmallHoleIsClosedAndAWideOneRefusedNamingTheMesh)
{
    // The quadruped without one of the triangles on top of its back (its
    // 67th face, some six voxels across: wider than the surface's touch
    // closes, narrower than the closing) fills as the whole one does, to the
    // same lattice.
    std::string text = readFile(quadruped);
    auto face = text.find("\nf ");
    for (int k = 0; k < 66; ++k)
        face = text.find("\nf ", face + 1);
    text.erase(face, text.find('\n', face + 1) - face);
    writeFile("holed.obj", text);
    const std::string holed = writeFile(
        "holed.json", R"({"mesh": "holed.obj", "solid": {"cells": 20}, "pins": []})");
    const std::string whole =
        writeFile("whole.json", R"({"mesh": ")" + quadruped + R"(", "solid": {"cells": 20}, "pins": []})");
    SceneSimulation filled(holed, "");
    SceneSimulation reference(whole, "");
    EXPECT_EQ(filled.solver().points, reference.solver().points);

    // A box without its top: the opening, two cubes across, stays open.
    std::string open = boxFaces({0, 0, 0}, {1.0, 0.2, 0.2}, 0);
    open.erase(open.find("f 3 7 8 4\n"), 10);
    writeFile("open.obj", open);
    EXPECT_EQ(refusal(R"({"mesh": "open.obj", "solid": {"cells": 10}})"),
              "solid cannot be filled: " + writeFile("open.obj", open)
                  + " has holes that closing by 0.50 of a cell leaves open: it encloses nothing "
                    "to fill");
}

}  // namespace
