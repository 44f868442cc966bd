// The obstacle bridge against the virtual camera: preparing the streams,
// runtime samples and the consistent configuration read.
#include <opencv2/core.hpp>

#include "BridgeSimFixture.h"
#include "WorkstationJsonReader.h"

namespace hazard_desk {
namespace {

using BridgeTest = BridgeSimTest;

const QString kSwitching = QStringLiteral("设备模板正在切换，等待下一次查询");
const QString kAlgorithmOff = QStringLiteral("当前未运行避障算法");

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
        {kK7, R"({"colorUnavailable": true})", true, {}, false},
        {kP20, "{}", true, {}, false},
        {kK7, R"({"unsupported": {"3002": -2}})", true, {}, true},
        {kK7, R"({"unsupported": {"3002": -13}})", false, sdkError("开启深度流", -13), true},
        {kK7, R"({"unsupported": {"3003": -4}})", true, {}, true},
        {kK7, R"({"unsupported": {"3003": -13}})", false, QStringLiteral("相机流能力初始化失败"), true},
        {kK7, R"({"unsupported": {"1078": -4}})", false, cloudFailed, true},
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

TEST_F(BridgeTest, RuntimeSampleAndItsFallbacks)
{
    // Everything in view inside the running template's danger zone: the verdict is a stop.
    setFault(kK7, R"({"algorithmState": 3, "saveDelayMs": 0})");
    auto bridge = connected(kK7);
    QString error;
    std::string text;
    ASSERT_TRUE(bridge->readAlgorithmParams(text, &error)) << error.toStdString();
    nlohmann::json params = nlohmann::json::parse(text);
    const std::string zone = std::to_string(params["ZoneIndex"].get<int>());
    params["Zones"][zone]["DangerZone"] = {0.0, 9000.0, -9000.0, 9000.0, 0.0, 3000.0};
    params["Zones"][zone]["WarningZone"] = {9000.0, 9500.0, -9000.0, 9000.0, 0.0, 3000.0};
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    ObstacleRuntime runtime;
    // No frame yet: the output read fails, the I/O state is still read.
    ASSERT_TRUE(bridge->readRuntime(4, runtime, &error));
    EXPECT_FALSE(runtime.resultAvailable);
    EXPECT_TRUE(runtime.resultError.startsWith(QStringLiteral("读取避障运行结果失败（SDK=")));
    EXPECT_EQ(error, runtime.resultError);
    ASSERT_TRUE(bridge->startStreaming(&error));
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    ASSERT_TRUE(retrying([&] { return bridge->grabFrame(frame, amplitude, &error); })) << error.toStdString();
    error = "stale";
    ASSERT_TRUE(bridge->readRuntime(4, runtime, &error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(runtime.resultAvailable);
    EXPECT_EQ(runtime.algorithmState, 3);
    EXPECT_EQ(runtime.ioStatus, 2);
    EXPECT_EQ(runtime.inputStatus, 1);            // levels [1, 0]
    EXPECT_EQ(runtime.inputChannelMask, 0x3U);    // channels 1..2
    EXPECT_FALSE(runtime.boxes.empty());

    // The output read fails: the frame's own record (of the V2 type) is read.
    setFault(kK7, R"({"unsupported": {"6008": -2}})");
    ASSERT_TRUE(retrying([&] { return bridge->grabFrame(frame, amplitude, &error); })) << error.toStdString();
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

    // The camera no longer holds the template its ZoneIndex names.
    params["Zones"] = nlohmann::json::object({{"2", params["Zones"].begin().value()}});
    params["ZoneIndex"] = 3;
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("设备未返回当前模板 -1 的区域参数"));
    EXPECT_EQ(out.templateIndex, -1);
    // The camera answers success without handing out any text.
    setFault(kK7, R"({"nullTexts": [4005]})");
    EXPECT_FALSE(bridge->readAlgorithmParams(deviceText, &error));
    EXPECT_EQ(error, QStringLiteral("设备返回空的避障参数，本次回读失败")) << "not an SDK failure with status 0";
    EXPECT_TRUE(deviceText.empty());
}

// A query whose two reads of the mode, or of the template, differ is a
// camera still switching: it fails and the next query sees the new state.
TEST_F(BridgeTest, ConfigurationReadChecksTheModeAndWaitsOutASwitch)
{
    auto bridge = connected(kK7);
    ActiveConfiguration out;
    QString error;
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error, 1));
    EXPECT_EQ(error, QStringLiteral("当前算法与相机型号不匹配，请先切换算法"));
    EXPECT_TRUE(out.workstationJson.isEmpty());

    setFault(kP3Wide, R"({"modeConfirmReads": 1})");
    auto p3 = connected(kP3Wide);
    ASSERT_TRUE(p3->setAlgorithmMode(0, &error));   // the first read still says 1
    EXPECT_FALSE(p3->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kSwitching);
    EXPECT_FALSE(p3->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kAlgorithmOff);
    EXPECT_EQ(out.mode, 0);

    setFault(kP20, R"({"templateSwitchReads": 1})");
    auto p20 = connected(kP20);
    ASSERT_TRUE(p20->selectTemplate(7, &error));   // the first answer is still the old one
    EXPECT_FALSE(p20->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, kSwitching);
    EXPECT_EQ(out.templateIndex, -1);
    ASSERT_TRUE(p20->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(out.templateIndex, 7);
    // The template decisions belong to one connection.
    ASSERT_TRUE(p20->closeCamera(nullptr));
    EXPECT_EQ(p20->templateTracker().lastResolved(), -1);
}

}  // namespace
}  // namespace hazard_desk
