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
    EXPECT_EQ(in.depthHeight, 60);
    EXPECT_EQ(in.depthType, 2);
    EXPECT_FLOAT_EQ(in.depthFx, 60.0f);
    EXPECT_FLOAT_EQ(in.depthFy, 61.0f);
    EXPECT_FLOAT_EQ(in.depthCx, 40.0f);
    ASSERT_EQ(in.depthDistortion.size(), 5u);
    EXPECT_FLOAT_EQ(in.depthDistortion[1], -0.02f);
    EXPECT_FLOAT_EQ(in.depthScale, 0.001f);
    EXPECT_TRUE(in.colorAvailable());
    EXPECT_EQ(in.colorWidth, 80);
    EXPECT_EQ(in.colorHeight, 60);
    EXPECT_GE(in.colorChannels, 1);
    EXPECT_GT(in.colorFx, 0.0f);

    const std::string handle = std::to_string(camera->deviceInfo().handle);
    EXPECT_TRUE(capture_.contains("[info] K7 initial SDK image parameters, ip=127.0.10.1, handle=" + handle +
                                  ", depth_width=80, depth_height=60, depth_type=2, color_width=80, color_height=60"));
    EXPECT_TRUE(capture_.contains("[info] K7 apply SDK bool param, name=ZR_BOOL_ENABLE_3D_DEPTH_STREAM, cmd=3002, "
                                  "value=true, ip=127.0.10.1, handle=" + handle));
    EXPECT_TRUE(capture_.contains("[info] Camera intrinsics loaded, ip=127.0.10.1, depth=80x60, depth_fx=60, "
                                  "depth_fy=61, depth_source=new, color_available=true, color=80x60"));
    EXPECT_TRUE(capture_.contains("color_read_state=0"));
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

TEST_F(InitializeTest, EmptyCallListAppliesNothingAtAll)
{
    auto camera = openCamera("127.0.10.1");
    EXPECT_EQ(camera->initialize(R"({"sdk": {"calls": []}, "int": {"gain": 1}})"), 0);
    EXPECT_EQ(setterCalls(), 0);
    EXPECT_TRUE(capture_.contains("Camera intrinsics loaded"));
}

TEST_F(InitializeTest, InvalidCallListAppliesNothing)
{
    auto camera = openCamera("127.0.10.1");
    EXPECT_EQ(camera->initialize(R"({"sdk": {"calls": [
        {"type": "int", "name": "gain", "value": 1},
        {"type": "sleep", "sleep_ms": 0}]}})"),
              1);
    EXPECT_EQ(setterCalls(), 0);
    EXPECT_TRUE(capture_.contains(
        "[error] K7 invalid ordered SDK call, index=1, reason=sleep call missing positive delay_ms, ip=127.0.10.1"));
    EXPECT_FALSE(capture_.contains("Camera intrinsics loaded"));
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

    const std::size_t first = at("[info] K7 apply ordered SDK int call, index=0, name=gain, cmd=1005, value=5, ip=127.0.10.1");
    const std::size_t delay = at("[info] K7 ordered SDK delay, delay_ms=5, ip=127.0.10.1");
    const std::size_t second = at("[info] K7 apply ordered SDK float call, index=2, name=confidence, cmd=2008, value=0.5");
    const std::size_t after = at("[info] K7 ordered SDK delay, delay_ms=7, ip=127.0.10.1");
    const std::size_t third = at("[info] K7 apply ordered SDK bool call, index=3, name=enable_depth_stream, cmd=3002, value=true");
    const std::size_t fourth = at("[info] K7 apply ordered SDK string call, index=4, name=custom_id, cmd=4010, value=12");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(delay, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    ASSERT_NE(after, std::string::npos);
    ASSERT_NE(third, std::string::npos);
    ASSERT_NE(fourth, std::string::npos);
    EXPECT_LT(first, delay);
    EXPECT_LT(delay, second);
    EXPECT_LT(second, after);
    EXPECT_LT(after, third);
    EXPECT_LT(third, fourth);
}

TEST_F(InitializeTest, BadValueStopsTheOrderedListAtThatCall)
{
    auto camera = openCamera("127.0.10.1");
    EXPECT_EQ(camera->initialize(R"({"sdk": {"calls": [
        {"type": "int", "name": "gain", "value": 2},
        {"type": "Double", "name": "confidence", "value": "0.5x"},
        {"type": "int", "name": "max_depth", "value": 4000}
    ]}})"),
              1);
    EXPECT_EQ(calls("DcSetIntValue", ZR_INT_GAIN), 1);   // made before the failing call, stays made
    EXPECT_EQ(calls("DcSetFloatValue"), 0);
    EXPECT_EQ(calls("DcSetIntValue", ZR_INT_MAX_DEPTH), 0);
    EXPECT_TRUE(capture_.contains(
        "[error] K7 invalid ordered SDK call, index=1, reason=invalid float value for confidence, ip=127.0.10.1"));
}

TEST_F(InitializeTest, IntrinsicsFallBackToTheLegacyIds)
{
    setFault("127.0.10.1", R"({"unsupported": {"6011": -2, "6010": -2}})");
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize("{}"), 0);
    EXPECT_EQ(calls("DcGetPtrValue", ZR_PTR_3D_INTRIC_PARAM), 1);
    EXPECT_EQ(calls("DcGetPtrValue", ZR_PTR_2D_INTRIC_PARAM), 1);
    EXPECT_FLOAT_EQ(camera->intrinsics().depthFx, 60.0f);
    EXPECT_TRUE(camera->intrinsics().colorAvailable());
    EXPECT_TRUE(capture_.contains("depth_source=legacy, color_available=true"));
}

TEST_F(InitializeTest, MissingDepthIntrinsicsFailInitialize)
{
    setFault("127.0.10.1", R"({"unsupported": {"6011": -2, "6006": -3}})");
    auto camera = openCamera("127.0.10.1");
    EXPECT_EQ(camera->initialize("{}"), -3);
    EXPECT_TRUE(capture_.contains("[error] Read depth intrinsics (new/legacy) failed, state=-3, error="));
    EXPECT_TRUE(capture_.contains("[error] InitIntrinsics failed, ip=127.0.10.1, handle="));
    EXPECT_FLOAT_EQ(camera->intrinsics().depthFx, 0.0f);   // nothing stored
    EXPECT_EQ(calls("DcGetPtrValue", ZR_PTR_2D_NEW_INTRIC_PARAM), 0);
}

TEST_F(InitializeTest, ColourIntrinsicsMissingClearsTheColourPart)
{
    setFault("127.0.10.1", R"({"unsupported": {"6010": -2, "6005": -2}})");
    auto camera = openCamera("127.0.10.1");
    ASSERT_EQ(camera->initialize("{}"), 0);
    EXPECT_FALSE(camera->intrinsics().colorAvailable());
    EXPECT_TRUE(capture_.contains("color_available=false, color=0x0, color_fx=0, color_fy=0, color_read_state=-2"));
}

TEST_F(InitializeTest, InitializeBeforeOpenFails)
{
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    EXPECT_EQ(camera.initialize("{}"), 1);
    EXPECT_EQ(setterCalls(), 0);
}

}  // namespace
}  // namespace algPlatform
