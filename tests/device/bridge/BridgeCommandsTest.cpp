// The obstacle-bridge commands of hazard-desk-cli, run in-process against
// the virtual camera.
#include "BridgeSimFixture.h"
#include "CliRun.h"

using hazard_desk::test::runCli;

using BridgeCommandsTest = BridgeSimTest;

// What the bridge finds is tested with the bridge; here the exit codes and
// the JSON lines each command prints.
TEST_F(BridgeCommandsTest, ExitCodesAndTheFormOfEachLine)
{
    const struct {
        std::vector<std::string> args;
        int code;
        std::size_t lines;
        std::vector<const char*> keys;   // of every line
    } cases[] = {
        {{"discover"}, 0, 5, {"ip", "model", "discoveryHandle", "sdkDeviceType", "maxDepthMm", "cameraType"}},
        {{"info", "--ip", kK7}, 0, 1, {"descriptor", "sdkVersion", "algorithmMode", "capabilities"}},
        {{"runtime", "--ip", kK7, "--samples", "2"}, 0, 2, {"resultAvailable", "inputChannelMask", "boxes"}},
        {{"calibrate-ground", "--ip", kK7}, 0, 1, {"ok", "pose", "inlierCount", "error"}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "nan,-180,90,0,0,50"}, 1, 1, {"ok", "pose", "error"}},
        {{"info", "--ip", "127.0.99.1"}, 1, 0, {}},
        {{"info"}, 2, 0, {}},
        {{"info", "--ip", kK7, "extra"}, 2, 0, {}},
        {{"runtime", "--ip", kK7, "--samples", "0"}, 2, 0, {}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "1,2,3"}, 2, 0, {}},
        {{"calibrate-ground", "--ip", kK7, "--pose", "1,2,3,4,5,x"}, 2, 0, {}},
    };
    for (const auto& c : cases) {
        const std::string name = c.args.front() + " " + c.args.back();
        const auto r = runCli(c.args);
        EXPECT_EQ(r.code, c.code) << name << ": " << r.err;
        const auto printed = r.jsonLines();
        ASSERT_EQ(printed.size(), c.lines) << name;
        for (const auto& line : printed) {
            for (const char* key : c.keys) {
                EXPECT_TRUE(line.contains(key)) << name << ": " << key;
            }
            if (line.contains("ok")) {
                EXPECT_EQ(line["ok"], c.code == 0) << name;
            }
        }
        if (c.code != 0) {
            EXPECT_FALSE(r.err.empty()) << name;
        }
    }
}
