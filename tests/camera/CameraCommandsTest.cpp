#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "CommandRegistry.h"
#include "SimTestScene.h"

namespace algPlatform {
namespace {

using hazard_desk::cli::CommandRegistry;

class CameraCommandsTest : public SimCameraTest {
protected:
    int run(const std::vector<std::string>& args)
    {
        out_.str(std::string());
        err_.str(std::string());
        return CommandRegistry::instance().dispatch(args, out_, err_);
    }

    std::vector<nlohmann::json> lines() const
    {
        std::vector<nlohmann::json> result;
        std::istringstream in(out_.str());
        for (std::string line; std::getline(in, line);) {
            result.push_back(nlohmann::json::parse(line));
        }
        return result;
    }

    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(CameraCommandsTest, RawDiscoveryListsEveryRecordInOrder)
{
    ASSERT_EQ(run({"discover", "--raw"}), 0) << err_.str();
    const auto records = lines();
    ASSERT_EQ(records.size(), 5u);
    const char* keys[] = {"type", "id", "serial", "extra1", "name", "typeName", "ip", "extra2", "extra3", "handle",
                          "deviceType"};
    for (const auto& record : records) {
        ASSERT_EQ(record.size(), std::size(keys));
        for (const char* key : keys) {
            EXPECT_TRUE(record.contains(key)) << key;
        }
    }
    EXPECT_EQ(records[0]["ip"], "127.0.10.1");
    EXPECT_EQ(records[0]["deviceType"], 1005);
    EXPECT_EQ(records[0]["type"], 0);
    EXPECT_EQ(records[1]["type"], 2);
    EXPECT_EQ(records[2]["deviceType"], 0);
    EXPECT_EQ(records[2]["typeName"], "ZR_DEVICE_NULL");
    EXPECT_EQ(records[4]["type"], 1);
}

TEST_F(CameraCommandsTest, FramesSummaryHasExactlyTheListedKeys)
{
    ASSERT_EQ(run({"frames", "--ip", "127.0.10.1", "--count", "3"}), 0) << err_.str();
    const auto summary = lines();
    ASSERT_EQ(summary.size(), 1u);
    const nlohmann::json& s = summary[0];
    const char* keys[] = {"frames", "failures", "fps", "grabMsMedian", "grabMsP95", "depthWidth", "depthHeight",
                          "colorAvailable", "points"};
    ASSERT_EQ(s.size(), std::size(keys));
    for (const char* key : keys) {
        EXPECT_TRUE(s.contains(key)) << key;
    }
    EXPECT_EQ(s["frames"], 3);
    EXPECT_TRUE(s["failures"].is_object());
    EXPECT_EQ(s["depthWidth"], 80);
    EXPECT_EQ(s["depthHeight"], 60);
    EXPECT_EQ(s["colorAvailable"], true);
    EXPECT_EQ(s["points"], 4800);
    EXPECT_GE(s["grabMsP95"].get<double>(), s["grabMsMedian"].get<double>());
}

TEST_F(CameraCommandsTest, FramesByCallbackWithoutCloudAndExport)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("hd_camera_cli_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    ASSERT_EQ(run({"frames", "--ip", "127.0.10.2", "--count", "2", "--callback", "--no-cloud", "--export",
                   dir.string()}),
              0)
        << err_.str();
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

TEST_F(CameraCommandsTest, FramesFailuresAndUsageErrors)
{
    EXPECT_EQ(run({"frames", "--ip", "127.0.0.99", "--count", "1"}), 1);
    EXPECT_NE(err_.str().find("cannot open the camera at 127.0.0.99"), std::string::npos);
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(run({"frames"}), 2);
    EXPECT_EQ(run({"frames", "--ip", "127.0.10.1", "--count", "0"}), 2);
    EXPECT_EQ(run({"frames", "--ip", "127.0.10.1", "--count", "x"}), 2);
    EXPECT_EQ(run({"frames", "--ip", "127.0.10.1", "--bogus"}), 2);
    EXPECT_EQ(run({"discover", "--raw", "extra"}), 2);

}

TEST_F(CameraCommandsTest, FailedFramesAreCountedAndTheLoopGoesOn)
{
    setFault("127.0.10.6", R"({"reconnectAfterFrames": 1, "reconnectMs": 100})");
    ASSERT_EQ(run({"frames", "--ip", "127.0.10.6", "--count", "3", "--no-cloud"}), 0) << err_.str();
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
    EXPECT_NE(err_.str().find("export failed: cannot create folder"), std::string::npos) << err_.str();
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace algPlatform
