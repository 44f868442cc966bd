// "hazard-desk-cli record" and "replay" run in-process against the virtual
// camera: exit codes and output format, and a served recording found by
// discovery while it is served and gone after.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
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
    EXPECT_TRUE(out.str().empty()) << out.str();
}

}  // namespace
}  // namespace hazard_desk::cli
