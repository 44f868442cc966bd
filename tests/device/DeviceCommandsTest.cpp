// The camera commands of hazard-desk-cli run in-process against the virtual
// camera: exit codes and the form of what they print. What the answers mean
// is the bridge's and the worker's to test.
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

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

    QTemporaryDir folder_;
};

TEST_F(DeviceCommandsTest, CommandsPrintJsonLinesAndExitWithTheirCodes) {
    WorkstationDocument document;
    document.activeIndex = 2;
    const std::string draft = file("draft.json", dumpWorkstationDocument(document, 2));
    std::get<SquareZones>(document.templates[1].body).emergencyStopUpper = 1150.0;
    const std::string changed = file("changed.json", dumpWorkstationDocument(document, 2));
    const std::string broken = file("broken.json", "{");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::size_t lines;              // JSON lines on standard output
        std::vector<const char*> keys;  // of the first line
    };
    const std::vector<Case> cases = {
        {{"discover"}, 0, 3, {"ip", "model", "discoveryHandle", "cameraType"}},
        {{"info", "--ip", kK7}, 0, 1, {"descriptor", "algorithmMode", "capabilities"}},
        {{"runtime", "--ip", kK7, "--samples", "2"}, 0, 2, {"resultAvailable", "boxes"}},
        {{"calibrate-ground", "--ip", kK7}, 0, 1, {"ok", "pose", "inlierCount"}},
        {{"stream", "--ip", kK7, "--seconds", "1"}, 0, 1, {"frames", "measuredFps", "errors"}},
        {{"apply", "--ip", kK7, draft}, 0, 1, {"ok", "stage", "message", "templateIndex"}},
        {{"apply", "--ip", kAbsent, draft}, 1, 1, {"ok", "stage", "message"}},
        {{"switch-template", "--ip", kK7, "4"}, 0, 1, {"ok", "message", "templateIndex"}},
        {{"switch-template", "--ip", kK7, "20"}, 1, 1, {"ok", "message"}},
        {{"algorithm", "--ip", kK7, "on"}, 0, 1, {"ok", "message", "mode"}},
        {{"io", "--ip", kK7, "--hardware", "1"}, 0, 1, {"ok", "message", "hardwareMode"}},
        {{"diff", draft, draft}, 0, 1, {"equal", "differences"}},
        {{"diff", draft, changed}, 1, 3, {"path", "before", "after"}},
        {{"info", "--ip", kAbsent}, 1, 0, {}},
        {{"record", "--ip", kK7, "--seconds", "1", path("k7.mcap")}, 0, 1, {"frames", "droppedFrames"}},
        {{"record", "--ip", kK7, "--seconds", "1", "/nonexistent-folder/x.mcap"}, 1, 0, {}},
        // Usage and unreadable input.
        {{"info", "--ip", kK7, "extra"}, 2, 0, {}},
        {{"runtime", "--ip", kK7, "--samples", "0"}, 2, 0, {}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "1,2,3,4,5,x"}, 2, 0, {}},
        {{"apply", "--ip", kK7, path("missing.json")}, 2, 0, {}},
        {{"switch-template", "--ip", kK7, "x"}, 2, 0, {}},
        {{"diff", draft, broken}, 2, 0, {}},
        {{"replay", path("missing.mcap")}, 2, 0, {}},
    };
    for (const Case& c : cases) {
        const CliRun r = runCli(c.args);
        SCOPED_TRACE(::testing::PrintToString(c.args) + ": " + r.err);
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
    // The camera's running configuration is printed as the document itself.
    const CliRun read = runCli({"read", "--ip", kK7});
    EXPECT_EQ(read.code, 0) << read.err;
    EXPECT_TRUE(nlohmann::json::parse(read.out).contains("templates")) << read.out;
}

}  // namespace
}  // namespace hazard_desk
