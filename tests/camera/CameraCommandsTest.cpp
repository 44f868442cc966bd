#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "CliRun.h"
#include "SimTestScene.h"

namespace algPlatform {
namespace {

class CameraCommandsTest : public SimCameraTest {
protected:
    int run(const std::vector<std::string>& args)
    {
        const hazard_desk::test::CliRun r = hazard_desk::test::runCli(args);
        out_ = r.out;
        err_ = r.err;
        return r.code;
    }

    std::vector<nlohmann::ordered_json> lines() const { return hazard_desk::test::jsonLines(out_); }

    std::string out_;
    std::string err_;
};

// Exit codes and the form of what the commands print; the camera layer's own
// tests say what the values are.
TEST_F(CameraCommandsTest, CommandsPrintJsonLinesAndExitWithTheirCodes)
{
    struct Case {
        std::vector<std::string> args;
        int code;
        std::size_t lines;
        std::vector<const char*> keys;   // exactly these, on every line
    };
    const std::vector<Case> cases = {
        {{"discover", "--raw"}, 0, 5, {"type", "id", "serial", "extra1", "name", "typeName", "ip", "extra2", "extra3",
                                       "handle", "deviceType"}},
        {{"frames", "--ip", "127.0.10.1", "--count", "3"}, 0, 1, {"frames", "failures", "fps", "grabMsMedian",
                                                                 "grabMsP95", "depthWidth", "depthHeight",
                                                                 "colorAvailable", "points"}},
        {{"frames", "--ip", "127.0.0.99", "--count", "1"}, 1, 0, {}},
        {{"frames"}, 2, 0, {}},
        {{"frames", "--ip", "127.0.10.1", "--count", "0"}, 2, 0, {}},
        {{"frames", "--ip", "127.0.10.1", "--count", "x"}, 2, 0, {}},
        {{"frames", "--ip", "127.0.10.1", "--bogus"}, 2, 0, {}},
        {{"discover", "--raw", "extra"}, 2, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args.back() + ": " + err_);
        EXPECT_EQ(run(c.args), c.code);
        const auto printed = lines();
        ASSERT_EQ(printed.size(), c.lines);
        for (const auto& line : printed) {
            EXPECT_EQ(line.size(), c.keys.size());
            for (const char* key : c.keys) {
                EXPECT_TRUE(line.contains(key)) << key;
            }
        }
    }
    EXPECT_EQ(run({"frames", "--ip", "127.0.10.1", "--count", "3"}), 0);
    EXPECT_EQ(lines().at(0)["frames"], 3);
}

TEST_F(CameraCommandsTest, FramesByCallbackWithoutCloudAndExport)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("hd_camera_cli_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    ASSERT_EQ(run({"frames", "--ip", "127.0.10.2", "--count", "2", "--callback", "--no-cloud", "--export",
                   dir.string()}),
              0)
        << err_;
    const auto s = lines().at(0);
    EXPECT_EQ(s["frames"], 2);
    EXPECT_EQ(s["colorAvailable"], false);
    EXPECT_EQ(s["points"], 0);
    EXPECT_TRUE(s["grabMsMedian"].is_null());
    int depthFiles = 0;
    int other = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        (name.rfind("depth_", 0) == 0 && entry.path().extension() == ".png" ? depthFiles : other)++;
    }
    EXPECT_EQ(depthFiles, 1);
    EXPECT_EQ(other, 0);   // no colour, no cloud, no leftover temporary file
    std::filesystem::remove_all(dir);
}

TEST_F(CameraCommandsTest, FailedFramesAreCountedAndTheLoopGoesOn)
{
    setFault("127.0.10.6", R"({"reconnectAfterFrames": 1, "reconnectMs": 100})");
    ASSERT_EQ(run({"frames", "--ip", "127.0.10.6", "--count", "3", "--no-cloud"}), 0) << err_;
    const auto s = lines().at(0);
    EXPECT_EQ(s["frames"], 3);
    ASSERT_TRUE(s["failures"].contains("3"));
    EXPECT_GT(s["failures"]["3"].get<int>(), 0);
}

TEST_F(CameraCommandsTest, ExportIntoAnUnwritablePlaceFails)
{
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("hd_camera_cli_file_" + std::to_string(::getpid()));
    { std::ofstream(file) << "x"; }
    EXPECT_EQ(run({"frames", "--ip", "127.0.10.1", "--count", "1", "--export", (file / "sub").string()}), 1);
    EXPECT_NE(err_.find("export failed: cannot create folder"), std::string::npos) << err_;
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace algPlatform
