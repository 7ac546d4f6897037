// A body read from a tetrahedral mesh file, stepped as zarvo-sim steps it.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "scenes/SceneSimulation.h"
#include "solids/TetMeasures.h"
#include "SceneFiles.h"

namespace {

using namespace sceneFiles;

// A bar of 10 x 2 x 2 cubes of side 0.1 along x, each split into six
// tetrahedra about its diagonal from its lowest to its highest corner, so
// that neighbouring cubes share their faces' diagonals; as a Medit file.
std::string barFile()
{
    constexpr int nx = 10, ny = 2, nz = 2;
    constexpr double side = 0.1;
    const auto node = [](int i, int j, int k) { return (i * (ny + 1) + j) * (nz + 1) + k; };
    std::string vertices, tetrahedra;
    for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j)
            for (int k = 0; k <= nz; ++k)
                vertices += std::to_string(i * side) + " " + std::to_string(j * side) + " "
                            + std::to_string(k * side) + " 0\n";
    // Corner c of a cube is at (c & 1, c >> 1 & 1, c >> 2); the six
    // tetrahedra 0 a b 7 go round the diagonal 0-7, each positively oriented.
    const int around[6][2] = {{1, 3}, {3, 2}, {2, 6}, {6, 4}, {4, 5}, {5, 1}};
    int count = 0;
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            for (int k = 0; k < nz; ++k)
                for (const auto& pair : around) {
                    const auto corner = [&](int c) {
                        return std::to_string(1 + node(i + (c & 1), j + (c >> 1 & 1), k + (c >> 2)));
                    };
                    tetrahedra += corner(0) + " " + corner(pair[0]) + " " + corner(pair[1]) + " "
                                  + corner(7) + " 1\n";
                    ++count;
                }
    return "MeshVersionFormatted 2\nDimension 3\nVertices\n"
           + std::to_string((nx + 1) * (ny + 1) * (nz + 1)) + "\n" + vertices + "Tetrahedra\n"
           + std::to_string(count) + "\n" + tetrahedra + "End\n";
}

double volume(const Eigen::Matrix3Xd& points, const std::vector<Zarvo::Tetrahedron>& tetrahedra)
{
    double sum = 0.0;
    for (const auto& tetrahedron : tetrahedra)
        sum += Zarvo::signedVolume(points, tetrahedron);
    return sum;
}

TEST(SolidBody, ABarPinnedAtOneEndSagsUnderGravityAndKeepsItsVolume)
{
    writeFile("bar.mesh", barFile());
    const std::string scene = writeFile(
        "bar.json",
        R"({"mesh": "bar.mesh", "pins": [{"box": {"min": [-0.01, -1, -1], "max": [0.01, 1, 1]}}]})");
    SceneSimulation bar(scene, "");
    const auto& tetrahedra = bar.scene().recipe.tetrahedra;
    ASSERT_EQ(tetrahedra.size(), 240u);
    const Eigen::Matrix3Xd rest = bar.solver().points;
    const double restVolume = volume(rest, tetrahedra);
    ASSERT_NEAR(restVolume, 0.04, 1e-12);

    for (int step = 1; step <= 150; ++step) {
        bar.step();
        if (step % 30 == 0) {
            EXPECT_NEAR(volume(bar.solver().points, tetrahedra) / restVolume, 1.0, 0.02)
                << "after " << step << " steps";
        }
    }
    // The free end (x = 1) has come down by more than a hundredth of the
    // length, while the bar holds its shape: less than a fifth, and the end
    // no shorter than 0.9 from the pins.
    const Eigen::Matrix3Xd& now = bar.solver().points;
    double drop = 0.0, reach = 0.0;
    int endNodes = 0;
    for (Eigen::Index i = 0; i < rest.cols(); ++i)
        if (rest(0, i) > 0.999) {
            drop += rest(1, i) - now(1, i);
            reach += now(0, i);
            ++endNodes;
        }
    ASSERT_EQ(endNodes, 9);
    EXPECT_GT(drop / endNodes, 0.01);
    EXPECT_LT(drop / endNodes, 0.2);
    EXPECT_GT(reach / endNodes, 0.9);
}

}  // namespace
