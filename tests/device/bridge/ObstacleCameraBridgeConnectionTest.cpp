// Discovery, connection, stream preparation, streaming and frames of the
// obstacle bridge against the virtual camera.
#include <opencv2/core.hpp>

#include "BridgeSimFixture.h"
#include "ZrCameraApi.h"

using hazard_desk::CameraDescriptor;
using hazard_desk::ObstacleCameraBridge;

using BridgeConnectionTest = BridgeSimTest;

TEST_F(BridgeConnectionTest, FormatSdkErrorNamesOperationStatusAndSdkText)
{
    for (const int status : {-2, -4, -13, 2}) {
        const char* text = DcGetErrorString(status);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(hazard_desk::formatSdkError(QStringLiteral("搜索相机"), status),
                  QStringLiteral("搜索相机失败（SDK=%1，%2）").arg(status).arg(QString::fromLocal8Bit(text)));
    }
    // An operation text with placeholders of its own stays untouched.
    EXPECT_TRUE(hazard_desk::formatSdkError(QStringLiteral("op %2 %1"), -2).startsWith(QStringLiteral("op %2 %1失败（SDK=-2，")));
}

// Which entries are kept and how they read is the list reader's; here that
// the bridge hands it the SDK's whole list, in order.
TEST_F(BridgeConnectionTest, DiscoveryReadsTheSdkList)
{
    QString error;
    const std::vector<CameraDescriptor> devices = ObstacleCameraBridge::listDevices(&error);
    EXPECT_TRUE(error.isEmpty());
    std::vector<QString> ips;
    for (const CameraDescriptor& d : devices) {
        ips.push_back(d.ip);
    }
    EXPECT_EQ(ips, (std::vector<QString>{kK7, kP20, kP3Wide, kNoIo, "127.0.10.7"}));
    EXPECT_EQ(devices[0].id, QString("k7-a"));
}

TEST_F(BridgeConnectionTest, DiscoveryAndConnectionDescribeACameraAlike)
{
    QString error;
    const std::vector<CameraDescriptor> devices = ObstacleCameraBridge::listDevices(&error);
    ASSERT_FALSE(devices.empty()) << error.toStdString();
    for (const CameraDescriptor& listed : devices) {
        SCOPED_TRACE(listed.ip.toStdString());
        auto bridge = connected(listed.ip);
        const CameraDescriptor& opened = bridge->descriptor();   // opened by address alone
        EXPECT_EQ(listed.maxDepthMm, opened.maxDepthMm);
        EXPECT_EQ(listed.rgbAvailable, opened.rgbAvailable);
        EXPECT_EQ(listed.serial, opened.serial);
        EXPECT_EQ(listed.model, opened.model);
        bridge->closeCamera(nullptr);
    }
    EXPECT_FALSE(devices[1].rgbAvailable) << "the P20 has no colour sensor";
    EXPECT_EQ(devices[1].maxDepthMm, 6000);
}

TEST_F(BridgeConnectionTest, DiscoveryFailureIsReportedWithTheSdkText)
{
    QString error;
    // A scene that does not parse leaves the library without a device set.
    ASSERT_NE(ZrSim_LoadSceneText("{\"cameras\": 5}"), 0);
    EXPECT_TRUE(ObstacleCameraBridge::listDevices(&error).empty());
    EXPECT_EQ(error, sdkError("搜索相机", ZR_STATUS_LIBRARY_NOT_READY));
    EXPECT_TRUE(ObstacleCameraBridge::listDevices(nullptr).empty());
}

TEST_F(BridgeConnectionTest, OpenCompletesTheDescriptor)
{
    CameraDescriptor given;
    given.ip = kK7;
    given.discoveryHandle = 77;
    ObstacleCameraBridge bridge(given);
    QString error;
    ASSERT_TRUE(bridge.openCamera(&error)) << error.toStdString();
    const CameraDescriptor& d = bridge.descriptor();
    EXPECT_EQ(d.name, QString("K7 test"));
    EXPECT_EQ(d.model, QString("K7"));
    EXPECT_EQ(static_cast<int>(bridge.cameraType()), 0);
    EXPECT_EQ(d.maxDepthMm, 7000);
    EXPECT_EQ(d.algorithmVersion, QString("ALG-2"));
    // The discovery handle is kept; the open handle is the camera's own.
    EXPECT_EQ(d.discoveryHandle, 77U);
    EXPECT_NE(bridge.deviceInfo().handle, 0U);
    EXPECT_NE(bridge.deviceInfo().handle, 77U);

    ASSERT_TRUE(bridge.closeCamera(&error));
    EXPECT_EQ(bridge.deviceInfo().handle, 0U);
    EXPECT_EQ(calls("DcCloseDevice"), 1);
}

TEST_F(BridgeConnectionTest, OpenKeepsTextsTheCameraDoesNotGive)
{
    // No algorithm on the K7 Plus' maximum depth read: maxDepthMm falls back to 0.
    setFault(kNoIo, R"({"unsupported": {"1012": -2, "4002": -2}})");
    auto bridge = bridgeFor(kNoIo);
    QString error;
    ASSERT_TRUE(bridge->openCamera(&error)) << error.toStdString();
    EXPECT_EQ(bridge->descriptor().maxDepthMm, 0);
    EXPECT_EQ(bridge->descriptor().model, QString("K7 Plus"));
}

TEST_F(BridgeConnectionTest, OpenFailureNamesTheAddress)
{
    setFault(kK7, R"({"openFails": -8})");
    auto bridge = bridgeFor(kK7);
    QString error;
    EXPECT_FALSE(bridge->openCamera(&error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 打开 127.0.10.1 失败，请检查网段、占用和供电"));
    EXPECT_FALSE(bridge->openCamera(nullptr));   // no text, same result

    auto nobody = bridgeFor("127.0.99.99");
    EXPECT_FALSE(nobody->openCamera(&error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 打开 127.0.99.99 失败，请检查网段、占用和供电"));
}

TEST_F(BridgeConnectionTest, PrepareStreamsSetsRgbAvailability)
{
    struct Case {
        const char* ip;
        const char* fault;
        bool rgb;
    };
    for (const Case& c : {Case{kK7, nullptr, true}, Case{kK7, R"({"colorUnavailable": true})", false},
                          Case{kP20, nullptr, false}}) {
        SCOPED_TRACE(std::string(c.ip) + (c.fault ? c.fault : ""));
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0);
        if (c.fault != nullptr) {
            setFault(c.ip, c.fault);
        }
        auto bridge = bridgeFor(c.ip);
        QString error;
        ASSERT_TRUE(bridge->openCamera(&error));
        ASSERT_TRUE(bridge->prepareStreams(&error)) << error.toStdString();
        EXPECT_EQ(bridge->descriptor().rgbAvailable, c.rgb);
        EXPECT_EQ(bridge->intrinsics().depthWidth, c.ip == std::string(kK7) ? 80 : 40);
        EXPECT_EQ(calls("DcSetBoolValue", 3002), 2);   // ours, then the camera layer's defaults
        EXPECT_EQ(calls("DcSetBoolValue", 3003), 1);
        EXPECT_EQ(calls("DcSetIntValue", 1078), 1);
        EXPECT_EQ(calls("DcSetIntValue", 1079), 1);
    }
}

TEST_F(BridgeConnectionTest, PrepareStreamsToleratesAndReportsEachStep)
{
    struct Case {
        const char* fault;
        bool ok;
        QString error;
    };
    const std::vector<Case> cases = {
        {R"({"unsupported": {"3002": -2}})", true, {}},
        // Our switch accepts 2; the camera layer's own stream defaults then do not.
        {R"({"unsupported": {"3002": 2}})", false, QStringLiteral("baseCamera 回读深度相机内参失败")},
        {R"({"unsupported": {"3002": -13}})", false, sdkError("开启深度流", -13)},
        {R"({"unsupported": {"3003": -4}})", true, {}},
        {R"({"unsupported": {"3003": -13}})", false, QStringLiteral("相机流能力初始化失败")},
        {R"({"unsupported": {"1078": 2}})", true, {}},
        {R"({"unsupported": {"1078": -4}})", false, QStringLiteral("设置点云坐标系/单位失败")},
        {R"({"unsupported": {"1079": -13}})", false, QStringLiteral("设置点云坐标系/单位失败")},
        {R"({"unsupported": {"1021": -13}})", false, QStringLiteral("baseCamera 回读深度相机内参失败")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0);
        auto bridge = bridgeFor(kK7);
        ASSERT_TRUE(bridge->openCamera(nullptr));
        setFault(kK7, c.fault);
        QString error;
        EXPECT_EQ(bridge->prepareStreams(&error), c.ok);
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(BridgeConnectionTest, StreamingFlagMirrorsTheSdkStream)
{
    auto bridge = connected(kK7);
    QString error;
    EXPECT_TRUE(bridge->stopStreaming(&error));   // not streaming: nothing to do
    EXPECT_EQ(calls("DcStopStream"), 0);
    ASSERT_TRUE(bridge->startStreaming(&error)) << error.toStdString();
    ASSERT_TRUE(bridge->startStreaming(&error));
    EXPECT_EQ(calls("DcStartStream"), 1);
    EXPECT_TRUE(bridge->isStreaming());

    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    ASSERT_TRUE(grabFrameRetrying(*bridge, frame, amplitude, error)) << error.toStdString();
    ASSERT_TRUE(frame.cloud.cloud);
    EXPECT_EQ(frame.cloud.cloud->size(), 80U * 60U);
    EXPECT_EQ(amplitude.cols, 80);
    EXPECT_EQ(amplitude.rows, 60);
    EXPECT_FALSE(frame.color.image.empty());
    EXPECT_TRUE(probeFrameRetrying(*bridge, error)) << error.toStdString();

    ASSERT_TRUE(bridge->stopStreaming(&error));
    EXPECT_FALSE(bridge->isStreaming());
    EXPECT_EQ(calls("DcStopStream"), 1);

    // Closing while streaming stops the stream first.
    ASSERT_TRUE(bridge->startStreaming(&error));
    ASSERT_TRUE(bridge->closeCamera(&error));
    EXPECT_FALSE(bridge->isStreaming());
    EXPECT_EQ(calls("DcStopStream"), 2);
}

TEST_F(BridgeConnectionTest, StreamFailuresHaveTheirTexts)
{
    auto bridge = bridgeFor(kK7);   // never opened: the camera layer refuses
    QString error;
    EXPECT_FALSE(bridge->startStreaming(&error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 启动数据流失败"));
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    EXPECT_FALSE(bridge->grabFrame(frame, amplitude, &error));
    EXPECT_EQ(error, QStringLiteral("baseCamera 获取新帧失败"));
    EXPECT_TRUE(amplitude.empty());
}

TEST_F(BridgeConnectionTest, ReconnectingCameraIsReportedAsSuch)
{
    auto bridge = connected(kK7);
    setFault(kK7, R"({"reconnectAfterFrames": 0, "reconnectMs": 60000})");
    QString error;
    ASSERT_TRUE(bridge->startStreaming(&error));
    EXPECT_FALSE(bridge->probeFrame(&error));
    EXPECT_EQ(error, QStringLiteral("相机正在重连"));
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    EXPECT_FALSE(bridge->grabFrame(frame, amplitude, &error));
    EXPECT_EQ(error, QStringLiteral("相机正在重连"));
}
