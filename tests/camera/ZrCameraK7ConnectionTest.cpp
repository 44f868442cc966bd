#include <gtest/gtest.h>

#include "SimTestScene.h"

namespace algPlatform {
namespace {

using ConnectionTest = SimCameraTest;

TEST_F(ConnectionTest, DiscoveryKeepsTheKFamilyInOrder)
{
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    const std::vector<DeviceInfo> found = camera.discover();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].ip, "127.0.10.1");
    EXPECT_EQ(found[0].serial, "SN-K7");
    EXPECT_EQ(found[0].type, CameraType::K_SERIES);
    EXPECT_EQ(found[1].ip, "127.0.10.6");
}

TEST_F(ConnectionTest, DiscoveryFailureGivesAnEmptyList)
{
    // A scene that does not load leaves the library without cameras: every call fails.
    ASSERT_NE(ZrSim_LoadSceneText("{not json"), 0);
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    EXPECT_TRUE(camera.discover().empty());
    EXPECT_TRUE(capture_.contains("[error] DcGetDeviceList failed, state="));
}

struct OpenFailureCase {
    const char* ip;
    const char* fault;
};

TEST_F(ConnectionTest, FailedOpenLeavesStateZeroAndNoHandle)
{
    const OpenFailureCase cases[] = {{"127.0.0.99", nullptr}, {"127.0.10.1", R"({"openFails": true})"}};
    for (const OpenFailureCase& c : cases) {
        if (c.fault != nullptr) {
            setFault(c.ip, c.fault);
        }
        capture_.clear();
        ZrCameraK7 camera(infoFor(c.ip));
        EXPECT_EQ(camera.state(), CameraState::NONE);
        EXPECT_EQ(camera.open(), 1) << c.ip;
        EXPECT_EQ(camera.state(), CameraState::DISCONNECTED);
        EXPECT_EQ(camera.deviceInfo().handle, 0u);
        EXPECT_TRUE(camera.isNotConnected());
        EXPECT_TRUE(capture_.contains(std::string("[error] DcOpenDevice failed, state=")));
        EXPECT_TRUE(capture_.contains(std::string(", ip=") + c.ip + ", handle=0"));
    }
}

// Open, stream and close walked once, before and after the open.
TEST_F(ConnectionTest, CallsBeforeOpenThenOpenStreamAndClose)
{
    ZrCameraK7 camera(infoFor("127.0.0.99"));
    int delivered = 0;
    EXPECT_EQ(camera.initialize("{}"), 1);
    EXPECT_EQ(camera.startStream(), 1);
    EXPECT_EQ(camera.stopStream(), 1);
    EXPECT_EQ(camera.startCallbackStream(true, [&](FrameSet&) { ++delivered; }), 1);
    EXPECT_EQ(camera.executeCommand("soft_trigger"), 1);
    EXPECT_TRUE(capture_.contains(
        "[error] K7 DcSetCmd skipped because camera is not opened, name=soft_trigger, cmd=5008, ip=127.0.0.99"));
    for (const char* function : {"DcStartStream", "DcStopStream", "DcRegisterFrameCallback", "DcSetCmd",
                                 "DcSetBoolValue"}) {
        EXPECT_EQ(calls(function), 0) << function;
    }
    EXPECT_EQ(delivered, 0);

    camera.setIp("127.0.10.1");   // the address the next open uses
    ASSERT_EQ(camera.open(), 0);
    EXPECT_EQ(camera.state(), CameraState::CONNECTED);
    EXPECT_FALSE(camera.isNotConnected());
    EXPECT_NE(camera.deviceInfo().handle, 0u);
    EXPECT_EQ(camera.deviceInfo().id, "k7-a");
    EXPECT_EQ(calls("DcGetDeviceList"), 1);   // open runs a discovery first

    // The stream calls leave the state to the frames.
    camera.setState(CameraState::CONNECTING);
    EXPECT_EQ(camera.startStream(), 0);
    EXPECT_EQ(camera.state(), CameraState::CONNECTING);
    EXPECT_EQ(camera.stopStream(), 0);

    EXPECT_EQ(camera.close(), 0);
    EXPECT_EQ(camera.deviceInfo().handle, 0u);
    EXPECT_EQ(camera.state(), CameraState::DISCONNECTED);
    EXPECT_EQ(camera.close(), 0);   // nothing left to close
    EXPECT_EQ(calls("DcCloseDevice"), 1);
}

// Every form a command may take, and those that name no command (id 0):
// they make no SDK call. Which names and numbers name a command is the name
// table's test.
TEST_F(ConnectionTest, ExecuteCommandForms)
{
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    ASSERT_EQ(camera.open(), 0);
    const std::pair<const char*, std::int32_t> cases[] = {
        {"soft_trigger", 5008},
        {R"({"cmd": "ZR_CMD_SOFTWARE_TRIGGER"})", 5008},
        {R"({"sdk": {"name": "get_new_frame"}})", 5001},
        {R"("trigger")", 5008},
        {R"({"name": 5, "command": "get_new_frame_3d"})", 5009},
        {"no_such_command", 0},
        {"", 0},
        {R"({"sdk": 5})", 0},
        {"{}", 0},
    };
    for (const auto& [text, id] : cases) {
        const std::int64_t before = calls("DcSetCmd");
        const std::int64_t beforeId = calls("DcSetCmd", id);
        capture_.clear();
        const std::int32_t status = camera.executeCommand(text);
        EXPECT_EQ(calls("DcSetCmd"), before + (id != 0 ? 1 : 0)) << text;
        EXPECT_EQ(calls("DcSetCmd", id), beforeId + (id != 0 ? 1 : 0)) << text;
        if (id == 0) {
            EXPECT_EQ(status, 1) << text;
            EXPECT_TRUE(capture_.contains("[error] K7 unknown SDK command, name=")) << text;
        }
    }
    EXPECT_TRUE(capture_.contains("K7 unknown SDK command, name={}, ip=127.0.10.1"));
}

TEST_F(ConnectionTest, FailedCloseKeepsTheHandle)
{
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    ASSERT_EQ(camera.open(), 0);
    const std::uint64_t handle = camera.deviceInfo().handle;
    setFault("127.0.10.1", R"({"closeFails": true})");
    EXPECT_EQ(camera.close(), 1);
    EXPECT_EQ(camera.deviceInfo().handle, handle);
    EXPECT_EQ(camera.state(), CameraState::CONNECTED);
    EXPECT_TRUE(capture_.contains("[error] DcCloseDevice failed, state=-1, error=operation failed, ip=127.0.10.1, "
                                  "handle=" + std::to_string(handle)));
    // The handle is still the camera's: closing it again works once the camera lets go.
    setFault("127.0.10.1", R"({"closeFails": null})");
    EXPECT_EQ(camera.close(), 0);
    EXPECT_EQ(camera.deviceInfo().handle, 0u);
}

}  // namespace
}  // namespace algPlatform
