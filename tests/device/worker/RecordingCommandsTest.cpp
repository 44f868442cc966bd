// "hazard-desk-cli record" and "replay" run in-process against the virtual
// camera: exit codes and output format, and a served recording found by
// discovery while it is served and gone after.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "../bridge/BridgeSimFixture.h"
#include "CommandRegistry.h"
#include "ZrCameraApi.h"
#include "ZrSimControl.h"

namespace hazard_desk::cli {
namespace {

class RecordingCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        // Served cameras of this test only.
        ::setenv("ZR_SIM_SERVE_DIR", folder_.filePath(QStringLiteral("served")).toUtf8().constData(), 1);
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0) << ZrSim_LastError();
    }

    int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
        return CommandRegistry::instance().dispatch(args, out, err);
    }

    std::vector<std::string> discoveredAddresses() {
        ZrDeviceInfo* devices = nullptr;
        int32_t count = 0;
        std::vector<std::string> ips;
        if (DcGetDeviceList(&devices, &count, 4) == 0) {
            for (int32_t i = 0; i < count; ++i) {
                ips.emplace_back(devices[i].ip);
            }
        }
        return ips;
    }

    std::string path(const char* name) { return folder_.filePath(QString::fromUtf8(name)).toStdString(); }

    QTemporaryDir folder_;
};

TEST_F(RecordingCommandsTest, RecordPrintsItsSummaryAndServesTheFileAsACamera) {
    std::ostringstream out;
    std::ostringstream err;
    const std::string file = path("k7.mcap");
    ASSERT_EQ(run({"record", "--ip", "127.0.10.1", "--seconds", "1", file}, out, err), 0) << err.str();
    const nlohmann::json line = nlohmann::json::parse(out.str());
    for (const char* key : {"path", "frames", "droppedFrames", "runtimeSamples", "bytes", "seconds", "liveFps",
                            "bytesPerMinute", "writerCpuMsPerFrame"}) {
        EXPECT_TRUE(line.contains(key)) << key;
    }
    EXPECT_GT(line["frames"].get<int>(), 0);

    std::ostringstream replayOut;
    std::ostringstream replayErr;
    int replayExit = -1;
    std::thread server([&] { replayExit = run({"replay", file, "--ip", "127.0.60.1", "--seconds", "2"}, replayOut, replayErr); });
    bool seen = false;
    for (int attempt = 0; attempt < 40 && !seen; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const auto ips = discoveredAddresses();
        seen = std::find(ips.begin(), ips.end(), "127.0.60.1") != ips.end();
    }
    server.join();
    EXPECT_TRUE(seen);
    EXPECT_EQ(replayExit, 0) << replayErr.str();
    const nlohmann::json served = nlohmann::json::parse(replayOut.str());
    EXPECT_EQ(served["ip"], "127.0.60.1");
    EXPECT_EQ(served["frames"].get<int>(), line["frames"].get<int>());
    EXPECT_TRUE(served["complete"].get<bool>());
    const auto after = discoveredAddresses();
    EXPECT_EQ(std::find(after.begin(), after.end(), "127.0.60.1"), after.end());

    // The configuration the camera ran, scored against what it recorded.
    std::ostringstream readOut;
    ASSERT_EQ(run({"read", "--ip", "127.0.10.1"}, readOut, err), 0) << err.str();
    const std::string config = path("config.json");
    std::ofstream(config) << readOut.str();
    std::ostringstream scoreOut;
    std::ostringstream scoreErr;
    const std::string plot = path("timeline.png");
    ASSERT_EQ(run({"score", "--recording", file, config, "--plot", plot}, scoreOut, scoreErr), 0) << scoreErr.str();
    std::istringstream lines(scoreOut.str());
    std::string text;
    std::vector<nlohmann::json> parsed;
    while (std::getline(lines, text)) {
        parsed.push_back(nlohmann::json::parse(text));
    }
    ASSERT_EQ(parsed.size(), line["frames"].get<std::size_t>() + 1);
    for (const char* key : {"timeS", "timeNs", "sequence", "verdict", "points"}) {
        EXPECT_TRUE(parsed.front().contains(key)) << key;
    }
    const nlohmann::json& summary = parsed.back()["summary"];
    for (const char* key : {"frames", "template", "safe", "warning", "stop", "stopEpisodes", "firstStop", "longestStop",
                            "recordedSeconds", "complete", "framesPerSecond", "cpuFramesPerSecond", "realTimeFactor"}) {
        EXPECT_TRUE(summary.contains(key)) << key;
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(plot)));
}

TEST_F(RecordingCommandsTest, BadArgumentsAndUnreadableFilesFailClearly) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run({"record", "--ip", "127.0.10.1", "--seconds", "1"}, out, err), 2);
    EXPECT_EQ(run({"record", "--ip", "127.0.10.1", path("x.mcap")}, out, err), 2);
    EXPECT_EQ(run({"record", "--ip", "127.0.10.1", "--seconds", "1", "/nonexistent-folder/x.mcap"}, out, err), 1);
    EXPECT_NE(err.str().find("/nonexistent-folder/x.mcap"), std::string::npos) << err.str();
    EXPECT_EQ(run({"replay"}, out, err), 2);
    EXPECT_EQ(run({"replay", path("missing.mcap")}, out, err), 2);
    EXPECT_EQ(run({"score", "--recording", path("missing.mcap"), path("missing.json")}, out, err), 2);
    const std::string notAConfiguration = path("bad.json");
    std::ofstream(notAConfiguration) << R"({"activeIndex": 99})";
    const std::string recording = path("cut.mcap");
    std::ofstream(recording) << "\x89MCAP0\r\n";
    EXPECT_EQ(run({"score", "--recording", recording, notAConfiguration}, out, err), 1);
    EXPECT_EQ(run({"score", "--recording", recording, notAConfiguration, "--template", "20"}, out, err), 2);
    EXPECT_TRUE(out.str().empty()) << out.str();
}

}  // namespace
}  // namespace hazard_desk::cli
