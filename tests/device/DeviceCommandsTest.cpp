// The camera commands of hazard-desk-cli run in-process against the virtual
// camera: exit codes and the form of what they print. What the answers mean
// is the bridge's and the worker's to test.
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "CliRun.h"
#include "WorkstationDocument.h"
#include "WorkstationJsonWriter.h"
#include "ZoneBodies.h"
#include "bridge/BridgeSimFixture.h"

namespace hazard_desk {
namespace {

using test::CliRun;
using test::runCli;

constexpr const char* kAbsent = "127.0.99.1";

class DeviceCommandsTest : public BridgeSimTest {
protected:
    void SetUp() override {
        BridgeSimTest::SetUp();
        setFault("*", R"({"saveDelayMs": 0})");
        ASSERT_TRUE(folder_.isValid());
        // Cameras served by this test only.
        ::setenv("ZR_SIM_SERVE_DIR", folder_.filePath(QStringLiteral("served")).toUtf8().constData(), 1);
    }

    std::string path(const std::string& name) const {
        return folder_.filePath(QString::fromStdString(name)).toStdString();
    }

    std::string file(const std::string& name, const std::string& text) const {
        std::ofstream(path(name)) << text;
        return path(name);
    }

    static bool discovered(const char* ip) {
        const std::vector<CameraDescriptor> devices = ObstacleCameraBridge::listDevices();
        return std::any_of(devices.begin(), devices.end(),
                           [ip](const CameraDescriptor& d) { return d.ip == QString::fromUtf8(ip); });
    }

    QTemporaryDir folder_;
};

TEST_F(DeviceCommandsTest, CommandsPrintJsonLinesAndExitWithTheirCodes) {
    WorkstationDocument document;
    document.activeIndex = 2;
    const std::string draft = file("draft.json", dumpWorkstationDocument(document, 2));
    std::get<SquareZones>(document.templates[1].body).emergencyStopUpper = 1150.0;
    const std::string changed = file("changed.json", dumpWorkstationDocument(document, 2));
    const std::string broken = file("broken.json", "{");
    const std::string missing = path("missing.json");
    const std::string cut = file("cut.mcap", "\x89MCAP0\r\n");
    const std::string badConfiguration = file("bad.json", R"({"activeIndex": 99})");
    const std::vector<const char*> applyKeys = {"ok", "stage", "message", "saved", "durationMs", "templateIndex"};
    const std::vector<const char*> switchKeys = {"ok", "message", "templateIndex", "durationMs"};
    struct Case {
        std::vector<std::string> args;
        int code;
        std::size_t lines;              // JSON lines on standard output
        std::vector<const char*> keys;  // of the first line
    };
    const std::vector<Case> cases = {
        {{"discover"}, 0, 5, {"ip", "id", "serial", "name", "model", "firmware", "algorithmVersion", "discoveryHandle",
                              "sdkDeviceType", "maxDepthMm", "rgbAvailable", "cameraType"}},
        {{"info", "--ip", kK7}, 0, 1, {"descriptor", "algorithmMode", "capabilities", "sdkVersion"}},
        {{"runtime", "--ip", kK7, "--samples", "2"}, 0, 2, {"resultAvailable", "inputChannelMask", "boxes"}},
        {{"calibrate-ground", "--ip", kK7}, 0, 1, {"ok", "pose", "inlierCount"}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "nan,-180,90,0,0,50"}, 1, 1, {"ok"}},
        {{"stream", "--ip", kK7, "--seconds", "1"}, 0, 1, {"frames", "measuredFps", "latencyMsMedian", "latencyMsP95",
                                                          "runtimeSamples", "ioStatus", "algorithmMode", "errors"}},
        {{"apply", "--ip", kK7, draft}, 0, 1, applyKeys},
        {{"apply", "--ip", kK7, broken}, 1, 1, applyKeys},
        {{"apply", "--ip", kAbsent, draft}, 1, 1, applyKeys},
        {{"switch-template", "--ip", kK7, "4"}, 0, 1, switchKeys},
        {{"switch-template", "--ip", kK7, "20"}, 1, 1, switchKeys},
        {{"algorithm", "--ip", kK7, "off"}, 0, 1, {"ok", "message", "mode"}},
        {{"algorithm", "--ip", kK7, "on"}, 0, 1, {"ok", "message", "mode"}},
        {{"algorithm", "--ip", kAbsent, "on"}, 1, 1, {"ok", "message", "mode"}},
        {{"io", "--ip", kK7, "--hardware", "1"}, 0, 1, {"ok", "message", "hardwareMode"}},
        {{"diff", draft, draft}, 0, 1, {"equal", "differences"}},
        {{"diff", draft, changed}, 1, 3, {"path", "before", "after"}},
        {{"info", "--ip", kAbsent}, 1, 0, {}},
        {{"read", "--ip", kAbsent}, 1, 0, {}},
        {{"stream", "--ip", kAbsent, "--seconds", "1"}, 1, 0, {}},
        {{"record", "--ip", kK7, "--seconds", "1", "/nonexistent-folder/x.mcap"}, 1, 0, {}},
        {{"score", "--recording", cut, badConfiguration}, 1, 0, {}},
        // Usage and unreadable input.
        {{"info"}, 2, 0, {}},
        {{"info", "--ip", kK7, "extra"}, 2, 0, {}},
        {{"runtime", "--ip", kK7, "--samples", "0"}, 2, 0, {}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "1,2,3,4,5,x"}, 2, 0, {}},
        {{"stream"}, 2, 0, {}},
        {{"stream", "--ip", kK7, "--frames", "3"}, 2, 0, {}},
        {{"apply", "--ip", kK7, missing}, 2, 0, {}},
        {{"apply", draft}, 2, 0, {}},
        {{"read"}, 2, 0, {}},
        {{"switch-template", "--ip", kK7, "x"}, 2, 0, {}},
        {{"algorithm", "--ip", kK7, "maybe"}, 2, 0, {}},
        {{"io", "--ip", kK7, "--hardware", "2"}, 2, 0, {}},
        {{"diff", draft}, 2, 0, {}},
        {{"diff", draft, broken}, 2, 0, {}},
        {{"diff", "--ip", kAbsent, draft}, 2, 0, {}},
        {{"record", "--ip", kK7, "--seconds", "1"}, 2, 0, {}},
        {{"replay"}, 2, 0, {}},
        {{"replay", path("missing.mcap")}, 2, 0, {}},
        {{"score", "--recording", path("missing.mcap"), missing}, 2, 0, {}},
        {{"score", "--recording", cut, badConfiguration, "--template", "20"}, 2, 0, {}},
    };
    for (const Case& c : cases) {
        const CliRun r = runCli(c.args);
        std::string command;
        for (const std::string& arg : c.args) {
            command += arg + " ";
        }
        SCOPED_TRACE(command + ": " + r.err);
        EXPECT_EQ(r.code, c.code);
        const auto parsed = r.jsonLines();
        ASSERT_EQ(parsed.size(), c.lines);
        for (const char* key : c.keys) {
            EXPECT_TRUE(parsed.front().contains(key)) << key;
        }
        if (c.lines > 0 && parsed.front().contains("ok")) {
            EXPECT_EQ(parsed.front()["ok"], c.code == 0);
        }
        if (c.lines == 0) {
            EXPECT_FALSE(r.err.empty());
        }
    }
    // Against the camera's running configuration; that configuration is
    // printed as the document itself.
    const CliRun cameraDiff = runCli({"diff", "--ip", kK7, changed});
    EXPECT_EQ(cameraDiff.code, 1) << cameraDiff.err;
    EXPECT_EQ(cameraDiff.jsonLines().back()["equal"], false);
    const CliRun read = runCli({"read", "--ip", kK7});
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_TRUE(nlohmann::json::parse(read.out).contains("templates")) << read.out;
}

// A recording is served as a camera, found by discovery while it is served
// and gone after, and scored against the configuration the camera ran.
TEST_F(DeviceCommandsTest, RecordReplayAndScorePrintTheirSummaries) {
    const std::string recording = path("k7.mcap");
    const CliRun recorded = runCli({"record", "--ip", kK7, "--seconds", "1", recording});
    ASSERT_EQ(recorded.code, 0) << recorded.err;
    const nlohmann::json line = nlohmann::json::parse(recorded.out);
    for (const char* key : {"path", "frames", "droppedFrames", "runtimeSamples", "bytes", "seconds", "liveFps",
                            "bytesPerMinute", "writerCpuMsPerFrame"}) {
        EXPECT_TRUE(line.contains(key)) << key;
    }

    CliRun served;
    std::thread server([&] { served = runCli({"replay", recording, "--ip", "127.0.60.1", "--seconds", "2"}); });
    bool seen = false;
    for (int attempt = 0; attempt < 40 && !seen; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        seen = discovered("127.0.60.1");
    }
    server.join();
    EXPECT_TRUE(seen);
    ASSERT_EQ(served.code, 0) << served.err;
    const nlohmann::json summary = nlohmann::json::parse(served.out);
    EXPECT_EQ(summary["frames"], line["frames"]);
    EXPECT_TRUE(summary["complete"].get<bool>());
    EXPECT_FALSE(discovered("127.0.60.1"));

    const std::string configuration = file("config.json", runCli({"read", "--ip", kK7}).out);
    const std::string plot = path("timeline.png");
    const CliRun scored = runCli({"score", "--recording", recording, configuration, "--plot", plot});
    ASSERT_EQ(scored.code, 0) << scored.err;
    const auto parsed = scored.jsonLines();
    ASSERT_EQ(parsed.size(), line["frames"].get<std::size_t>() + 1);
    for (const char* key : {"timeS", "timeNs", "sequence", "verdict", "points"}) {
        EXPECT_TRUE(parsed.front().contains(key)) << key;
    }
    for (const char* key : {"frames", "template", "safe", "warning", "stop", "stopEpisodes", "firstStop", "longestStop",
                            "recordedSeconds", "complete", "framesPerSecond", "cpuFramesPerSecond", "realTimeFactor"}) {
        EXPECT_TRUE(parsed.back()["summary"].contains(key)) << key;
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(plot)));
}

}  // namespace
}  // namespace hazard_desk
