#pragma once

// Scene files and meshes that tests write into their own folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scenes/ResourceError.h"
#include "scenes/SceneSimulation.h"

namespace sceneFiles {

// Writes `content` to `name` in the test's own folder and returns its path.
inline std::string writeFile(const std::string& name, const std::string& content)
{
    const std::filesystem::path path =
        std::filesystem::path(ZARVO_TEST_OUTPUT_DIR) / "own-bodies" / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The message a broken scene file is refused with, without the file's name.
// The file is the test's own: tests run side by side.
inline std::string refusal(const std::string& json)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = writeFile(
        std::string("broken-") + test->test_suite_name() + "-" + test->name() + ".json", json);
    try {
        SceneSimulation body(path, "");
    } catch (const ResourceError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
        return message.substr(path.size() + 2);
    }
    return "accepted";
}

}  // namespace sceneFiles
