// The obstacle bridge against the virtual camera: discovery and connection,
// streams and frames, runtime samples, I/O and algorithm modes, the
// consistent configuration read, templates and the V1 mask upload.
#include <QTemporaryDir>

#include <opencv2/core.hpp>

#include "BridgeSimFixture.h"
#include "WorkstationJsonReader.h"
#include "ZrCameraApi.h"

namespace hazard_desk {
namespace {

using BridgeTest = BridgeSimTest;

const QString kSwitching = QStringLiteral("设备模板正在切换，等待下一次查询");
const QString kAlgorithmOff = QStringLiteral("当前未运行避障算法");

TEST_F(BridgeTest, DiscoveryAndOpenDescribeACameraAlike)
{
    QString error;
    const std::vector<CameraDescriptor> devices = ObstacleCameraBridge::listDevices(&error);
    ASSERT_EQ(devices.size(), 5U) << error.toStdString();   // K and P series only
    for (const CameraDescriptor& listed : devices) {
        SCOPED_TRACE(listed.ip.toStdString());
        CameraDescriptor given;   // opened by address and the discovery handle alone
        given.ip = listed.ip;
        given.discoveryHandle = 77;
        ObstacleCameraBridge bridge(given);
        ASSERT_TRUE(bridge.openCamera(&error) && bridge.prepareStreams(&error)) << error.toStdString();
        const CameraDescriptor& opened = bridge.descriptor();
        EXPECT_EQ(opened.id, listed.id);
        EXPECT_EQ(opened.maxDepthMm, listed.maxDepthMm);
        EXPECT_EQ(opened.rgbAvailable, listed.rgbAvailable);
        EXPECT_EQ(opened.serial, listed.serial);
        EXPECT_EQ(opened.model, listed.model);
        EXPECT_EQ(opened.discoveryHandle, 77U);
        EXPECT_NE(bridge.deviceInfo().handle, 77U);
        ASSERT_TRUE(bridge.closeCamera(&error));
        EXPECT_EQ(bridge.deviceInfo().handle, 0U);
    }
    // No maximum depth read on the K7 Plus: the range falls back to 0.
    setFault(kNoIo, R"({"unsupported": {"1012": -2, "4002": -2}})");
    auto plus = bridgeFor(kNoIo);
    ASSERT_TRUE(plus->openCamera(&error)) << error.toStdString();
    EXPECT_EQ(plus->descriptor().maxDepthMm, 0);
    // A scene that does not parse leaves the library without a device set.
    ASSERT_NE(ZrSim_LoadSceneText("{\"cameras\": 5}"), 0);
    EXPECT_TRUE(ObstacleCameraBridge::listDevices(&error).empty());
    EXPECT_EQ(error, sdkError("搜索相机", ZR_STATUS_LIBRARY_NOT_READY));
}

TEST_F(BridgeTest, OpenAndStreamFailuresHaveTheirTexts)
{
    // An operation text with placeholders of its own stays untouched.
    EXPECT_EQ(formatSdkError(QStringLiteral("op %2 %1"), -13),
              QStringLiteral("op %2 %1失败（SDK=-13，") + QString::fromLocal8Bit(DcGetErrorString(-13)) + QStringLiteral("）"));
    setFault(kK7, R"({"openFails": -8})");
    QString error;
    EXPECT_FALSE(bridgeFor(kK7)->openCamera(&error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 打开 127.0.10.1 失败，请检查网段、占用和供电"));

    auto closed = bridgeFor(kP20);   // never opened: the camera layer refuses
    EXPECT_FALSE(closed->startStreaming(&error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 启动数据流失败"));
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    EXPECT_FALSE(closed->grabFrame(frame, amplitude, &error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 获取新帧失败"));
    EXPECT_TRUE(amplitude.empty());

    auto reconnecting = connected(kP20);
    setFault(kP20, R"({"reconnectAfterFrames": 0, "reconnectMs": 60000})");
    ASSERT_TRUE(reconnecting->startStreaming(&error));
    EXPECT_FALSE(reconnecting->probeFrame(&error));
    EXPECT_EQ(error, QStringLiteral("相机正在重连"));
    EXPECT_FALSE(reconnecting->grabFrame(frame, amplitude, &error));
    EXPECT_EQ(error, QStringLiteral("相机正在重连"));
}

TEST_F(BridgeTest, PrepareStreamsToleratesAndReportsEachStep)
{
    struct Case {
        const char* ip;
        const char* fault;
        bool ok;
        QString error;
        bool rgb;
    };
    const QString intrinsicsFailed = QStringLiteral("baseCamera 回读深度相机内参失败");
    const QString cloudFailed = QStringLiteral("设置点云坐标系/单位失败");
    const std::vector<Case> cases = {
        {kK7, "{}", true, {}, true},
        {kK7, R"({"colorUnavailable": true})", true, {}, false},
        {kP20, "{}", true, {}, false},
        {kK7, R"({"unsupported": {"3002": -2}})", true, {}, true},
        // Our switch accepts 2; the camera layer's own stream defaults then do not.
        {kK7, R"({"unsupported": {"3002": 2}})", false, intrinsicsFailed, true},
        {kK7, R"({"unsupported": {"3002": -13}})", false, sdkError("开启深度流", -13), true},
        {kK7, R"({"unsupported": {"3003": -4}})", true, {}, true},
        {kK7, R"({"unsupported": {"3003": -13}})", false, QStringLiteral("相机流能力初始化失败"), true},
        {kK7, R"({"unsupported": {"1078": 2}})", true, {}, true},
        {kK7, R"({"unsupported": {"1078": -4}})", false, cloudFailed, true},
        {kK7, R"({"unsupported": {"1079": -13}})", false, cloudFailed, true},
        {kK7, R"({"unsupported": {"1021": -13}})", false, intrinsicsFailed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + c.fault);
        freshScene();
        auto bridge = bridgeFor(c.ip);
        ASSERT_TRUE(bridge->openCamera(nullptr));
        setFault(c.ip, c.fault);
        QString error;
        EXPECT_EQ(bridge->prepareStreams(&error), c.ok);
        EXPECT_EQ(error, c.error);
        if (c.ok) {
            EXPECT_EQ(bridge->descriptor().rgbAvailable, c.rgb);
        }
    }
}

TEST_F(BridgeTest, StreamingFlagMirrorsTheSdkStream)
{
    auto bridge = connected(kK7);
    QString error;
    EXPECT_TRUE(bridge->stopStreaming(&error));   // not streaming: nothing to do
    EXPECT_EQ(calls("DcStopStream"), 0);
    ASSERT_TRUE(bridge->startStreaming(&error)) << error.toStdString();
    ASSERT_TRUE(bridge->startStreaming(&error));
    EXPECT_EQ(calls("DcStartStream"), 1);
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    ASSERT_TRUE(grabFrameRetrying(*bridge, frame, amplitude, error)) << error.toStdString();
    ASSERT_TRUE(frame.cloud.cloud);
    EXPECT_EQ(amplitude.size(), frame.depth.image.size());
    ASSERT_TRUE(bridge->stopStreaming(&error));
    EXPECT_FALSE(bridge->isStreaming());
    // Closing while streaming stops the stream first.
    ASSERT_TRUE(bridge->startStreaming(&error));
    ASSERT_TRUE(bridge->closeCamera(&error));
    EXPECT_FALSE(bridge->isStreaming());
    EXPECT_EQ(calls("DcStopStream"), 2);
}

TEST_F(BridgeTest, RuntimeSampleAndItsFallbacks)
{
    // Everything in view inside the danger zone: the verdict is a stop.
    setFault(kK7, R"({"algorithmState": 3, "saveDelayMs": 0})");
    auto bridge = connected(kK7);
    applyDangerZone(*bridge, 0.0, 9000.0, 9000.0, 3000.0);
    QString error;
    ObstacleRuntime runtime;
    // No frame yet: the output read fails, the I/O state is still read.
    ASSERT_TRUE(bridge->readRuntime(4, runtime, &error));
    EXPECT_FALSE(runtime.resultAvailable);
    EXPECT_TRUE(runtime.resultError.startsWith(QStringLiteral("读取避障运行结果失败（SDK=")));
    EXPECT_EQ(error, runtime.resultError);
    ASSERT_TRUE(bridge->startStreaming(&error));
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    ASSERT_TRUE(grabFrameRetrying(*bridge, frame, amplitude, error)) << error.toStdString();
    error = "stale";
    ASSERT_TRUE(bridge->readRuntime(4, runtime, &error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(runtime.resultAvailable);
    EXPECT_EQ(runtime.algorithmState, 3);
    EXPECT_EQ(runtime.ioStatus, 2);
    EXPECT_EQ(runtime.inputStatus, 1);            // levels [1, 0]
    EXPECT_EQ(runtime.inputChannelMask, 0x3U);    // channels 1..2
    EXPECT_GT(runtime.cameraFps, 0.0F);
    EXPECT_FALSE(runtime.boxes.empty());

    // The output read fails: the frame's own record (of the V2 type) is read.
    setFault(kK7, R"({"unsupported": {"6008": -2}})");
    ASSERT_TRUE(grabFrameRetrying(*bridge, frame, amplitude, error)) << error.toStdString();
    ASSERT_TRUE(bridge->readRuntime(4, runtime, nullptr));
    EXPECT_TRUE(runtime.resultAvailable) << runtime.resultError.toStdString();
    ASSERT_TRUE(bridge->readRuntime(1, runtime, &error));
    EXPECT_FALSE(runtime.resultAvailable);
    EXPECT_EQ(runtime.resultError, sdkError("读取避障运行结果", -2));

    // A camera without an obstacle algorithm answers neither the I/O state
    // nor a result: only then does the sample fail.
    auto r8 = bridgeFor("127.0.10.9");
    ASSERT_TRUE(r8->openCamera(nullptr));
    EXPECT_FALSE(r8->readRuntime(4, runtime, &error));
    EXPECT_EQ(runtime.ioStatus, -1);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(BridgeTest, OnlyUnsupportedIoIdsAreCachedAndOnlyUntilClose)
{
    struct Case {
        const char* ip;
        const char* fault;
        int status;
    };
    for (const Case& c : {Case{kNoIo, "{}", -2}, Case{kK7, R"({"unsupported": {"1533": 2, "1534": -13}})", 2}}) {
        SCOPED_TRACE(c.ip);
        freshScene();
        setFault(c.ip, c.fault);
        auto bridge = connected(c.ip);
        ObstacleRuntime runtime;
        for (int sample = 0; sample < 3; ++sample) {
            bridge->readRuntime(4, runtime, nullptr);
            EXPECT_EQ(runtime.inputStatus, -1);
            EXPECT_EQ(runtime.inputChannelMask, 0U);
        }
        EXPECT_EQ(calls("DcGetIntValue", 1533), 1);
        // The camera without I/O does not offer 1534 either; -13 is not "unsupported".
        EXPECT_EQ(bridge->unsupportedParameters().count(1534), c.status == -2 ? 1U : 0U);
        // A cached id fails without asking the camera, with the stored status.
        ZrIntValue value{};
        QString error;
        EXPECT_FALSE(bridge->readIntParameter(1533, value, &error));
        EXPECT_EQ(error, sdkError("读取整数特性 1533", c.status));
        EXPECT_EQ(calls("DcGetIntValue", 1533), 1);
        ASSERT_TRUE(bridge->closeCamera(nullptr));
        EXPECT_TRUE(bridge->unsupportedParameters().empty());
    }
}

TEST_F(BridgeTest, ConfigurationOfAJsonCameraIsItsZoneIndexAndItsTemplate)
{
    setFault(kK7, R"({"saveDelayMs": 0})");
    auto bridge = connected(kK7);
    std::string deviceText;
    QString error;
    ASSERT_TRUE(bridge->readAlgorithmParams(deviceText, &error)) << error.toStdString();
    nlohmann::json params = nlohmann::json::parse(deviceText);
    params["ZoneIndex"] = 6;
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    ActiveConfiguration out;
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error, 4)) << error.toStdString();
    EXPECT_EQ(out.mode, 4);
    EXPECT_EQ(out.templateIndex, 6);
    ASSERT_TRUE(bridge->readAlgorithmParams(deviceText, nullptr));
    EXPECT_EQ(out.deviceJson.toStdString(), deviceText);
    const WorkstationDocument document = parseWorkstationDocumentText(out.workstationJson.toStdString());
    EXPECT_EQ(document.activeIndex, 6);
    EXPECT_EQ(document.algorithmVersion, AlgorithmVersion::V2);
    EXPECT_EQ(calls("DcSpecialControl"), 0) << "no template control on the K7";

    // The camera no longer holds the template its ZoneIndex names.
    params["Zones"] = nlohmann::json::object({{"2", params["Zones"].begin().value()}});
    params["ZoneIndex"] = 3;
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("设备未返回当前模板 -1 的区域参数"));
    EXPECT_EQ(out.templateIndex, -1);
    EXPECT_FALSE(bridge->writeAlgorithmParams("{not json", &error));
    EXPECT_EQ(error, sdkError("下发避障 JSON", ZR_STATUS_INVALID_ARGUMENT));
    // The camera answers success without handing out any text.
    setFault(kK7, R"({"nullTexts": [4005]})");
    EXPECT_FALSE(bridge->readAlgorithmParams(deviceText, &error));
    EXPECT_EQ(error, QStringLiteral("设备返回空的避障参数，本次回读失败")) << "not an SDK failure with status 0";
    EXPECT_TRUE(deviceText.empty());
}

TEST_F(BridgeTest, ConfigurationReadChecksTheModeAndSeesItChange)
{
    auto bridge = connected(kK7);
    ActiveConfiguration out;
    QString error;
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error, 1));
    EXPECT_EQ(error, QStringLiteral("当前算法与相机型号不匹配，请先切换算法"));
    EXPECT_EQ(out.mode, 4);
    EXPECT_TRUE(out.workstationJson.isEmpty());
    setFault(kK7, R"({"unsupported": {"1065": -6}})");
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, sdkError("读取整数特性 1065", -6));
    EXPECT_EQ(out.mode, -1);

    // The mode differs between the two reads of one query: switching.
    setFault(kP3Wide, R"({"modeConfirmReads": 1})");
    auto p3 = connected(kP3Wide);
    ASSERT_TRUE(p3->setAlgorithmMode(0, &error));   // the first read still says 1
    EXPECT_FALSE(p3->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kSwitching);
    EXPECT_TRUE(out.workstationJson.isEmpty());
    EXPECT_FALSE(p3->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kAlgorithmOff);
    EXPECT_EQ(out.mode, 0);
    ASSERT_TRUE(p3->setAlgorithmMode(1, &error));   // the first read still says 0
    EXPECT_FALSE(p3->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kAlgorithmOff);
    ASSERT_TRUE(p3->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(parseWorkstationDocumentText(out.workstationJson.toStdString()).algorithmVersion, AlgorithmVersion::V1);
}

// Differing template answers mean switching and leave the tracker as it was;
// closing resets it.
TEST_F(BridgeTest, TemplateControlCameraSelectsAndWaitsForTheSwitch)
{
    auto bridge = connected(kP20);
    QString error;
    ASSERT_TRUE(bridge->selectTemplate(5, &error)) << error.toStdString();
    int index = -1;
    ASSERT_TRUE(bridge->readActiveTemplate(index, &error));
    EXPECT_EQ(index, 5);
    ActiveConfiguration out;
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(out.templateIndex, 5);
    EXPECT_EQ(out.mode, 1);
    const TemplateTracker before = bridge->templateTracker();
    EXPECT_EQ(before.lastResolved(), 5);

    setFault(kP20, R"({"templateSwitchReads": 1})");
    ASSERT_TRUE(bridge->selectTemplate(7, &error));   // the first answer is still 5
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kSwitching);
    EXPECT_EQ(out.templateIndex, -1);
    EXPECT_EQ(bridge->templateTracker().lastResolved(), before.lastResolved());
    EXPECT_EQ(bridge->templateTracker().lastDeviceIndex(), before.lastDeviceIndex());
    EXPECT_EQ(bridge->templateTracker().lastJsonIndex(), before.lastJsonIndex());
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(out.templateIndex, 7);

    EXPECT_FALSE(bridge->selectTemplate(20, &error));
    EXPECT_EQ(error, sdkError("切换避障模板 20", ZR_STATUS_INVALID_ARGUMENT));
    ASSERT_TRUE(bridge->closeCamera(nullptr));
    EXPECT_EQ(bridge->templateTracker().lastResolved(), -1);
    EXPECT_EQ(bridge->templateTracker().lastJsonIndex(), -1);
}

TEST_F(BridgeTest, MaskUploadNeedsFilesAndAMaskCamera)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList masks = writeMaskFiles(dir.path(), {"danger_far0.pgm", "danger_near0.pgm"});
    auto bridge = connected(kP20);
    QString error;
    EXPECT_FALSE(bridge->uploadV1Masks({}, &error));
    EXPECT_EQ(error, QStringLiteral("没有可上传的 V1 掩码文件"));
    EXPECT_EQ(calls("DcUpLoadFiles"), 0);
    ASSERT_TRUE(bridge->uploadV1Masks(masks, &error)) << error.toStdString();
    EXPECT_EQ(calls("DcUpLoadFiles"), 1);
    auto k7 = connected(kK7);   // takes no mask files
    EXPECT_FALSE(k7->uploadV1Masks(masks, &error));
    EXPECT_EQ(error, sdkError("上传 V1 避障掩码", ZR_STATUS_NOT_SUPPORTED));
}

}  // namespace
}  // namespace hazard_desk
