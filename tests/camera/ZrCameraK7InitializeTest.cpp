#include <gtest/gtest.h>

#include "SimTestScene.h"
#include "ZrCameraApi.h"

namespace algPlatform {
namespace {

class InitializeTest : public SimCameraTest {
protected:
    // Opens a camera of the scene; the counters then start from the open.
    std::unique_ptr<ZrCameraK7> openCamera(const std::string& ip)
    {
        auto camera = std::make_unique<ZrCameraK7>(infoFor(ip));
        EXPECT_EQ(camera->open(), 0);
        capture_.clear();
        return camera;
    }

    static std::int64_t setterCalls()
    {
        return calls("DcSetIntValue") + calls("DcSetFloatValue") + calls("DcSetBoolValue") +
               calls("DcSetStringValue");
    }

    // Position of a piece in the log, or npos.
    std::size_t at(const std::string& piece) { return capture_.text().find(piece); }
};

TEST_F(InitializeTest, EmptyObjectAppliesOnlyTheStreamDefaults)
{
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize("{}"), 0);
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_3D_DEPTH_STREAM), 1);
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_2D_STREAM), 1);
    EXPECT_EQ(setterCalls(), 2);

    const CameraIntrinsics& in = camera->intrinsics();
    EXPECT_EQ(in.depthWidth, 80);
    EXPECT_EQ(in.depthType, 2);
    EXPECT_FLOAT_EQ(in.depthFy, 61.0f);
    EXPECT_FLOAT_EQ(in.depthCx, 40.0f);
    ASSERT_EQ(in.depthDistortion.size(), 5u);
    EXPECT_FLOAT_EQ(in.depthDistortion[1], -0.02f);
    EXPECT_TRUE(in.colorAvailable());
    EXPECT_EQ(in.colorHeight, 60);

    EXPECT_TRUE(capture_.contains("[info] Camera intrinsics loaded, ip=127.0.10.1, depth=80x60, depth_fx=60, "
                                  "depth_fy=61, depth_source=new, color_available=true, color=80x60"));
}

TEST_F(InitializeTest, ApplyConfigForwardsToInitialize)
{
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->applyConfig(R"({"int": {"gain": 3}})"), 0);
    EXPECT_EQ(calls("DcSetIntValue", ZR_INT_GAIN), 1);
    EXPECT_TRUE(capture_.contains("[info] K7 apply SDK int param, name=gain, cmd=1005, value=3, ip=127.0.10.1"));
}

TEST_F(InitializeTest, UnparsableOrNonObjectTextKeepsTheDefaults)
{
    for (const char* text : {"", "not json", "[1, 2]", "5", R"("text")"}) {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kCameraTestScene), 0);
        auto camera = openCamera("127.0.10.1");
        EXPECT_EQ(camera->initialize(text), 0) << text;
        EXPECT_EQ(setterCalls(), 2) << text;
    }
}

TEST_F(InitializeTest, CameraWithoutColourNeverEnablesIt)
{
    auto camera = openCamera("127.0.10.2");
    ASSERT_EQ(camera->initialize(R"({"enable_rgb_stream": true})"), 0);
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_2D_STREAM), 0);
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_3D_DEPTH_STREAM), 1);
    EXPECT_FALSE(camera->intrinsics().colorAvailable());
    EXPECT_EQ(calls("DcGetPtrValue", ZR_PTR_2D_NEW_INTRIC_PARAM), 0);
    EXPECT_TRUE(capture_.contains("color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-4"));
}

TEST_F(InitializeTest, ColourRefusedOnEnableIsCleared)
{
    setFault("127.0.10.1", R"({"colorUnavailable": true})");
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize("{}"), 0);
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_2D_STREAM), 1);
    EXPECT_FALSE(camera->intrinsics().colorAvailable());
    EXPECT_EQ(camera->intrinsics().colorWidth, 0);
    EXPECT_FLOAT_EQ(camera->intrinsics().colorFx, 0.0f);
}

TEST_F(InitializeTest, SkippableWriteStatusesGoOnOthersStop)
{
    {
        setFault("127.0.10.1", R"({"unsupported": {"1005": -2}})");
        auto camera = openCamera("127.0.10.1");
        EXPECT_EQ(camera->initialize(R"({"int": {"gain": 3}})"), 0);
        EXPECT_TRUE(capture_.contains("[error] gain failed, state=-2, error="));
        EXPECT_TRUE(capture_.contains("Camera intrinsics loaded"));
    }
    {
        setFault("127.0.10.1", R"({"unsupported": {"1005": -1}})");
        auto camera = openCamera("127.0.10.1");
        EXPECT_EQ(camera->initialize(R"({"int": {"gain": 3}})"), 1);
        EXPECT_TRUE(capture_.contains("[error] gain failed, state=-1, error="));
        EXPECT_FALSE(capture_.contains("Camera intrinsics loaded"));
    }
}

TEST_F(InitializeTest, DepthGeometryReadFailures)
{
    {
        setFault("127.0.10.1", R"({"unsupported": {"1021": -2}})");
        auto camera = openCamera("127.0.10.1");
        EXPECT_EQ(camera->initialize("{}"), 0);
        EXPECT_TRUE(capture_.contains("[error] K7 SDK call failed, expr=DcGetIntValue(device_info_.handle, "
                                      "ZR_INT_3D_IMAGE_WIDTH, &int_value), state=-2, error="));
    }
    {
        setFault("127.0.10.1", R"({"unsupported": {"1026": -1}})");
        auto camera = openCamera("127.0.10.1");
        const std::int64_t settersBefore = setterCalls();
        EXPECT_EQ(camera->initialize("{}"), 1);
        EXPECT_TRUE(capture_.contains("expr=DcGetIntValue(device_info_.handle, ZR_INT_3D_DEPTH_DATA_TYPE, "
                                      "&int_value), state=-1"));
        EXPECT_EQ(setterCalls(), settersBefore);
    }
}

TEST_F(InitializeTest, OptionalColourReadWarnsOnlyOnUnexpectedStatus)
{
    setFault("127.0.10.1", R"({"unsupported": {"1041": -7, "1046": -2}})");
    auto camera = openCamera("127.0.10.1");
    EXPECT_EQ(camera->initialize("{}"), 0);
    EXPECT_TRUE(capture_.contains("[warning] K7 optional 2D feature unavailable, feature=1041, state=-7, ip=127.0.10.1"));
    EXPECT_FALSE(capture_.contains("feature=1046"));
    EXPECT_FALSE(camera->intrinsics().colorAvailable());
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_2D_STREAM), 0);
}

// Which calls of an ordered list are made: none of an empty or invalid list
// (the typed sections are ignored), those before a value that does not convert.
TEST_F(InitializeTest, OrderedListsThatApplyNothingOrStopPartWay)
{
    struct Case {
        const char* text;
        std::int32_t status;
        std::int64_t setters;
        bool intrinsicsRead;
    };
    const Case cases[] = {
        {R"({"sdk": {"calls": []}, "int": {"gain": 1}})", 0, 0, true},
        {R"({"sdk": {"calls": [{"type": "int", "name": "gain", "value": 1}, {"type": "sleep", "sleep_ms": 0}]}})", 1, 0,
         false},
        {R"({"sdk": {"calls": [{"type": "int", "name": "gain", "value": 2},
                              {"type": "Double", "name": "confidence", "value": "0.5x"},
                              {"type": "int", "name": "max_depth", "value": 4000}]}})",
         1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kCameraTestScene), 0);
        auto camera = openCamera("127.0.10.1");
        EXPECT_EQ(camera->initialize(c.text), c.status);
        EXPECT_EQ(setterCalls(), c.setters);
        EXPECT_EQ(capture_.contains("Camera intrinsics loaded"), c.intrinsicsRead);
    }
    // The call made before the failing one stays made.
    EXPECT_EQ(calls("DcSetIntValue", ZR_INT_GAIN), 1);
    EXPECT_TRUE(capture_.contains(
        "[error] K7 invalid ordered SDK call, index=1, reason=invalid float value for confidence, ip=127.0.10.1"));
}

TEST_F(InitializeTest, OrderedCallsRunInOrderWithTheirDelays)
{
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize(R"({"sdk": {"calls": [
        {"type": "int", "name": "gain", "value": "0x5"},
        {"type": "delay", "delay_ms": 5},
        {"type": "Double", "name": "confidence", "value": "0.5", "after_ms": 7},
        {"name": "enable_depth_stream", "value": "on"},
        {"type": "string", "name": "custom_id", "value": 12}
    ]}})"),
              0);
    EXPECT_EQ(calls("DcSetIntValue", ZR_INT_GAIN), 1);
    EXPECT_EQ(calls("DcSetFloatValue", ZR_FLOAT_CONFIDENCE), 1);
    EXPECT_EQ(calls("DcSetBoolValue", ZR_BOOL_ENABLE_3D_DEPTH_STREAM), 1);
    EXPECT_EQ(calls("DcSetStringValue", ZR_STRING_CUSTOM_ID), 1);
    EXPECT_EQ(setterCalls(), 4);   // no stream defaults in ordered mode

    // The log names each call and delay in the order they were made.
    std::size_t previous = 0;
    for (const char* piece : {"K7 apply ordered SDK int call, index=0, name=gain, cmd=1005, value=5, ip=127.0.10.1",
                              "K7 ordered SDK delay, delay_ms=5, ip=127.0.10.1",
                              "K7 apply ordered SDK float call, index=2, name=confidence, cmd=2008, value=0.5",
                              "K7 ordered SDK delay, delay_ms=7, ip=127.0.10.1",
                              "K7 apply ordered SDK bool call, index=3, name=enable_depth_stream, cmd=3002, value=true",
                              "K7 apply ordered SDK string call, index=4, name=custom_id, cmd=4010, value=12"}) {
        const std::size_t position = at(piece);
        ASSERT_NE(position, std::string::npos) << piece;
        EXPECT_GE(position, previous) << piece;
        previous = position;
    }
}

TEST_F(InitializeTest, InitializeBeforeOpenFails)
{
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    EXPECT_EQ(camera.initialize("{}"), 1);
    EXPECT_EQ(setterCalls(), 0);
}

}  // namespace
}  // namespace algPlatform
