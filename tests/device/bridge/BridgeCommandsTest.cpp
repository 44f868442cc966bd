// The obstacle-bridge commands of hazard-desk-cli, run in-process against
// the virtual camera.
#include <cmath>
#include <sstream>

#include <nlohmann/json.hpp>

#include "BridgeSimFixture.h"
#include "CommandRegistry.h"

using hazard_desk::cli::CommandRegistry;

namespace {

struct CommandRun {
    int code;
    std::string out;
    std::string err;
};

CommandRun run(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int code = CommandRegistry::instance().dispatch(args, out, err);
    return {code, out.str(), err.str()};
}

std::vector<nlohmann::json> lines(const std::string& text)
{
    std::vector<nlohmann::json> result;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        result.push_back(nlohmann::json::parse(line));
    }
    return result;
}

}  // namespace

using BridgeCommandsTest = BridgeSimTest;

TEST_F(BridgeCommandsTest, DiscoverListsDescriptorsInOrder)
{
    const CommandRun r = run({"discover"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto devices = lines(r.out);
    ASSERT_EQ(devices.size(), 5U);
    EXPECT_EQ(devices[0]["ip"], kK7);
    EXPECT_EQ(devices[0]["model"], "K7");
    EXPECT_EQ(devices[4]["model"], "ZR-2999");
    for (const char* key : {"ip", "id", "serial", "name", "model", "firmware", "algorithmVersion", "discoveryHandle",
                            "sdkDeviceType", "maxDepthMm", "rgbAvailable", "cameraType"}) {
        EXPECT_TRUE(devices[1].contains(key)) << key;
    }
}

TEST_F(BridgeCommandsTest, InfoPrintsTheCompletedDescriptor)
{
    const CommandRun r = run({"info", "--ip", kK7});
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json info = nlohmann::json::parse(r.out);
    EXPECT_EQ(info["descriptor"]["maxDepthMm"], 7000);
    EXPECT_EQ(info["descriptor"]["rgbAvailable"], true);
    EXPECT_EQ(info["algorithmMode"], 4);
    EXPECT_EQ(info["capabilities"]["v2Offered"], true);
    EXPECT_EQ(info["capabilities"]["recommendedMode"], 4);
    EXPECT_FALSE(info["sdkVersion"].get<std::string>().empty());

    EXPECT_EQ(run({"info"}).code, 2);
    EXPECT_EQ(run({"info", "--ip", kK7, "extra"}).code, 2);
    const CommandRun missing = run({"info", "--ip", "127.0.99.1"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("baseCamera 打开 127.0.99.1 失败"), std::string::npos) << missing.err;
}

TEST_F(BridgeCommandsTest, RuntimePrintsSamples)
{
    const CommandRun r = run({"runtime", "--ip", kK7, "--samples", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto samples = lines(r.out);
    ASSERT_EQ(samples.size(), 2U);
    EXPECT_EQ(samples[0]["resultAvailable"], true);
    EXPECT_EQ(samples[0]["inputChannelMask"], 3);
    EXPECT_TRUE(samples[0]["boxes"].is_array());
    EXPECT_EQ(run({"runtime", "--ip", kK7, "--samples", "0"}).code, 2);
}

TEST_F(BridgeCommandsTest, CalibrateGroundFindsTheMount)
{
    const CommandRun r = run({"calibrate-ground", "--ip", kK7});
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json result = nlohmann::json::parse(r.out);
    EXPECT_EQ(result["ok"], true);
    EXPECT_EQ(result["pose"]["yaw"], 90.0);   // unchanged
    EXPECT_EQ(result["pose"]["x"], 0.0);
    // The test scene mounts the K7 at roll 75, pitch -180, 600 mm high.
    EXPECT_NEAR(result["pose"]["roll"].get<double>(), 75.0, 1.0);
    EXPECT_NEAR(std::abs(result["pose"]["pitch"].get<double>()), 180.0, 1.0);
    EXPECT_NEAR(result["pose"]["z"].get<double>(), 600.0, 20.0);
    EXPECT_GT(result["inlierCount"].get<int>(), 0);

    EXPECT_EQ(run({"calibrate-ground", "--ip", kK7, "--pose", "1,2,3"}).code, 2);
    EXPECT_EQ(run({"calibrate-ground", "--ip", kK7, "--pose", "1,2,3,4,5,x"}).code, 2);
    const CommandRun nanPose = run({"calibrate-ground", "--ip", kK7, "--pose", "nan,-180,90,0,0,50"});
    EXPECT_EQ(nanPose.code, 1);
    EXPECT_EQ(nlohmann::json::parse(nanPose.out)["ok"], false);
}
