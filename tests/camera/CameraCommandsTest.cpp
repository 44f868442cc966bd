#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "CliRun.h"
#include "SimTestScene.h"

namespace algPlatform {
namespace {

using CameraCommandsTest = SimCameraTest;

// Exit codes and the form of what the commands print; the camera layer's own
// tests say what the values are.
TEST_F(CameraCommandsTest, CommandsPrintJsonLinesAndExitWithTheirCodes)
{
    namespace fs = std::filesystem;
    const fs::path exportDir = fs::temp_directory_path() / ("hd_camera_cli_" + std::to_string(::getpid()));
    const fs::path file = exportDir.string() + ".file";
    fs::remove_all(exportDir);
    std::ofstream(file) << "x";
    const std::vector<const char*> summary = {"frames", "failures", "fps", "grabMsMedian", "grabMsP95",
                                              "depthWidth", "depthHeight", "colorAvailable", "points"};
    struct Case {
        std::vector<std::string> args;
        int code;
        std::size_t lines;
        std::vector<const char*> keys;   // exactly these, on every line
    };
    const std::vector<Case> cases = {
        {{"discover", "--raw"}, 0, 5, {"type", "id", "serial", "extra1", "name", "typeName", "ip", "extra2", "extra3",
                                       "handle", "deviceType"}},
        {{"frames", "--ip", "127.0.10.1", "--count", "3"}, 0, 1, summary},
        {{"frames", "--ip", "127.0.10.2", "--count", "2", "--callback", "--no-cloud", "--export", exportDir.string()},
         0, 1, summary},
        {{"frames", "--ip", "127.0.0.99", "--count", "1"}, 1, 0, {}},
        {{"frames", "--ip", "127.0.10.1", "--count", "1", "--export", (file / "sub").string()}, 1, 1, summary},
        {{"frames"}, 2, 0, {}},
        {{"discover", "--raw", "extra"}, 2, 0, {}},
    };
    for (const Case& c : cases) {
        const hazard_desk::test::CliRun run = hazard_desk::test::runCli(c.args);
        SCOPED_TRACE(c.args.front() + " " + c.args.back() + ": " + run.err);
        EXPECT_EQ(run.code, c.code);
        const auto printed = hazard_desk::test::jsonLines(run.out);
        ASSERT_EQ(printed.size(), c.lines);
        for (const auto& line : printed) {
            EXPECT_EQ(line.size(), c.keys.size());
            for (const char* key : c.keys) {
                EXPECT_TRUE(line.contains(key)) << key;
            }
        }
    }
    fs::remove_all(exportDir);
    fs::remove(file);
}

}  // namespace
}  // namespace algPlatform
