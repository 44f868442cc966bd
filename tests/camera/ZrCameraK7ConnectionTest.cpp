#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include <unistd.h>

#include <gtest/gtest.h>

#include "BaseCameraFactory.h"
#include "SimTestScene.h"
#include "ZrCameraApi.h"

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
    EXPECT_EQ(found[0].id, "k7-a");
    EXPECT_EQ(found[0].name, "K7 test");
    EXPECT_EQ(found[0].type, CameraType::K_SERIES);
    EXPECT_EQ(found[1].ip, "127.0.10.6");

    // The raw list keeps everything, including the null type and other families.
    std::vector<SdkDeviceRecord> records;
    ASSERT_EQ(ZrCameraK7::listSdkDevices(records), 0);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[2].info.typeName, "ZR_DEVICE_NULL");
    EXPECT_EQ(records[4].info.type, CameraType::R_SERIES);
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
    EXPECT_EQ(camera.startCallbackStream(true, FrameCallback()), 1);
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
// they make no SDK call.
TEST_F(ConnectionTest, ExecuteCommandForms)
{
    ZrCameraK7 camera(infoFor("127.0.10.1"));
    ASSERT_EQ(camera.open(), 0);
    const std::pair<const char*, std::int32_t> cases[] = {
        {"soft_trigger", 5008},
        {R"({"cmd": "ZR_CMD_SOFTWARE_TRIGGER"})", 5008},
        {R"({"sdk": {"name": "get_new_frame"}})", 5001},
        {" \t5008\r\n", 5008},
        {R"("trigger")", 5008},
        {R"({"name": 5, "command": "get_new_frame_3d"})", 5009},
        {"ZR_CMD_RESET_PARAM", 5007},
        {"6001", 0},
        {"4005", 0},
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

// The GPU switch is made once per process: checked in a child process of its own.
void redirectWithGpuFault()
{
    ZrSim_Reset();
    if (ZrSim_LoadSceneText(kCameraTestScene) != 0 || ZrSim_SetFault("*", R"({"gpuEnableFails": true})") != 0) {
        std::_Exit(3);
    }
    LogCapture capture(ZrCameraK7::log());
    ZrCameraK7::redirectSdkLog("", 1);
    std::cerr << capture.text() << std::endl;
    std::exit(0);
}

TEST_F(ConnectionTest, GpuAccelerationFailureIsLoggedAndStartUpGoesOn)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(redirectWithGpuFault(), ::testing::ExitedWithCode(0),
                "\\[error\\] Failed to enable ZRSDK GPU acceleration, state=-1, error=operation failed\n"
                "\\[info\\] ZRSDK log redirected");
}

TEST_F(ConnectionTest, FactoryHoldsTheSdkCameraForTheKFamilyOnly)
{
    BaseCameraFactory& factory = BaseCameraFactory::instance();
    EXPECT_EQ(factory.create(CameraType::P_SERIES, infoFor("127.0.10.2")), nullptr);
    const std::shared_ptr<BaseCamera> camera = factory.create(CameraType::K_SERIES, infoFor("127.0.10.1"));
    EXPECT_NE(dynamic_cast<ZrCameraK7*>(camera.get()), nullptr);
    EXPECT_EQ(camera->deviceInfo().ip, "127.0.10.1");
    // A second creator for a family is refused; the first stays.
    EXPECT_FALSE(factory.registerCamera(CameraType::K_SERIES, [](const DeviceInfo&) { return nullptr; }));
    EXPECT_NE(dynamic_cast<ZrCameraK7*>(factory.create(CameraType::K_SERIES, infoFor("x")).get()), nullptr);
}

TEST_F(ConnectionTest, SdkLogRedirection)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("hd_camera_sdklog_" + std::to_string(::getpid())) / "a" / "b";
    std::filesystem::remove_all(dir.parent_path().parent_path());
    ZrCameraK7::redirectSdkLog(dir.string(), 2);
    ZrCameraK7::redirectSdkLog(dir.string(), 3);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_EQ(calls("DcSetInfoOutput"), 2);
    EXPECT_LE(calls("DcSetGpuEnable"), 1);   // once per process
    EXPECT_TRUE(capture_.contains("[info] ZRSDK log redirected: dir='" + dir.string() + "', print_level=3"));
    ZrCameraK7::redirectSdkLog("", 5);   // an empty folder creates nothing
    std::filesystem::remove_all(dir.parent_path().parent_path());
}

}  // namespace
}  // namespace algPlatform
