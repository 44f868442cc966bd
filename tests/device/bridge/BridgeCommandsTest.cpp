// The obstacle-bridge commands of hazard-desk-cli, run in-process against
// the virtual camera.
#include "BridgeSimFixture.h"
#include "CliRun.h"

using hazard_desk::test::CliRun;

namespace {

CliRun run(const std::vector<std::string>& args) { return hazard_desk::test::runCli(args); }
std::vector<nlohmann::ordered_json> lines(const std::string& text) { return hazard_desk::test::jsonLines(text); }

}  // namespace

using BridgeCommandsTest = BridgeSimTest;

// Exit codes and the form of each command's output; what the answers mean
// is the bridge's to test.
TEST_F(BridgeCommandsTest, CommandsPrintJsonLinesAndExitWithTheirCodes)
{
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
        {{"info", "--ip", "127.0.99.1"}, 1, 0, {}},
        {{"info"}, 2, 0, {}},
        {{"info", "--ip", kK7, "extra"}, 2, 0, {}},
        {{"runtime", "--ip", kK7, "--samples", "0"}, 2, 0, {}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "1,2,3"}, 2, 0, {}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "1,2,3,4,5,x"}, 2, 0, {}},
    };
    for (const Case& c : cases) {
        const CliRun r = run(c.args);
        SCOPED_TRACE(c.args.front() + " " + c.args.back() + ": " + r.err);
        EXPECT_EQ(r.code, c.code);
        const auto parsed = lines(r.out);
        ASSERT_EQ(parsed.size(), c.lines);
        for (const char* key : c.keys) {
            EXPECT_TRUE(parsed.front().contains(key)) << key;
        }
        if (c.code == 1 && c.lines == 0) {
            EXPECT_FALSE(r.err.empty());
        }
    }
}
