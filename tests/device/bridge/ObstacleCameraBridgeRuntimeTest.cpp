// Runtime samples, the unsupported-parameter cache, I/O modes and the
// algorithm mode of the obstacle bridge against the virtual camera.
#include "BridgeSimFixture.h"
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "ZrCameraApi.h"

#include <variant>

using hazard_desk::ObstacleCameraBridge;
using hazard_desk::ObstacleRuntime;

using BridgeRuntimeTest = BridgeSimTest;

namespace {

// Commissions the camera as the workstation does: its true mount and a
// template 1 whose danger zone reaches the scene's pallet (800..1200 mm).
void commission(ObstacleCameraBridge& bridge, const hazard_desk::Extrinsics& mount, int mode)
{
    std::string text;
    QString error;
    ASSERT_TRUE(bridge.readAlgorithmParams(text, &error)) << error.toStdString();
    const nlohmann::json stored = nlohmann::json::parse(text);
    hazard_desk::WorkstationDocument document = hazard_desk::parseDeviceDocument(
        stored, mode == 4 ? hazard_desk::AlgorithmVersion::V2 : hazard_desk::AlgorithmVersion::V1, false);
    document.extrinsics = mount;
    auto* zones = std::get_if<hazard_desk::SquareZones>(&document.templates[1].body);
    ASSERT_NE(zones, nullptr);
    zones->lowerLimit = 300.0;
    zones->emergencyStopUpper = 1500.0;
    zones->decelerationUpper = 2500.0;
    zones->rangeLeft = -700.0;
    zones->rangeRight = 700.0;
    zones->heightUpper = 1800.0;
    ASSERT_TRUE(bridge.writeAlgorithmParams(hazard_desk::buildDeviceDocument(document, stored).dump(), &error))
        << error.toStdString();
}

// Streams and takes one frame so that the camera has a current result.
void grabOne(ObstacleCameraBridge& bridge)
{
    QString error;
    ASSERT_TRUE(bridge.startStreaming(&error)) << error.toStdString();
    algPlatform::FrameSet frame;
    cv::Mat amplitude;
    ASSERT_TRUE(grabFrameRetrying(bridge, frame, amplitude, error)) << error.toStdString();
}

}  // namespace

TEST_F(BridgeRuntimeTest, V2SampleCarriesIoMasksFpsStateAndNamedBoxes)
{
    setFault(kK7, R"({"algorithmState": 3, "saveDelayMs": 0})");
    auto bridge = connected(kK7);
    commission(*bridge, hazard_desk::Extrinsics{75.0, -180.0, 90.0, 0.0, 0.0, 600.0}, 4);
    grabOne(*bridge);
    ObstacleRuntime runtime;
    QString error = "stale";
    ASSERT_TRUE(bridge->readRuntime(4, runtime, &error));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_TRUE(runtime.resultAvailable);
    EXPECT_EQ(runtime.algorithmState, 3);
    EXPECT_EQ(runtime.ioStatus, 2);               // the pallet stands in the danger zone
    EXPECT_EQ(runtime.inputStatus, 1);            // levels [1, 0]
    EXPECT_EQ(runtime.inputChannelMask, 0x3U);    // channels 1..2
    EXPECT_GT(runtime.cameraFps, 0.0F);
    ASSERT_FALSE(runtime.boxes.empty()) << "the pallet stands in the zone";
    for (const auto& box : runtime.boxes) {
        EXPECT_FALSE(box.typeName.isEmpty());
    }
}

TEST_F(BridgeRuntimeTest, V1SampleHasUnnamedBoxes)
{
    setFault(kP3Wide, R"({"saveDelayMs": 0})");
    auto bridge = connected(kP3Wide);
    commission(*bridge, hazard_desk::Extrinsics{90.0, -180.0, 90.0, 0.0, 0.0, 500.0}, 1);
    grabOne(*bridge);
    ObstacleRuntime runtime;
    ASSERT_TRUE(bridge->readRuntime(1, runtime, nullptr));
    EXPECT_TRUE(runtime.resultAvailable);
    EXPECT_EQ(runtime.algorithmState, 0);
    ASSERT_FALSE(runtime.boxes.empty()) << "the pallet stands in the zone";
    for (const auto& box : runtime.boxes) {
        EXPECT_TRUE(box.typeName.isEmpty());
    }
    // A mode the camera does not run gives no result; the I/O state still counts.
    ASSERT_TRUE(bridge->readRuntime(0, runtime, nullptr));
    EXPECT_FALSE(runtime.resultAvailable);
    EXPECT_EQ(runtime.resultError, QStringLiteral("当前帧没有避障算法结果"));
}

TEST_F(BridgeRuntimeTest, FailedOutputReadFallsBackToTheFrameRecord)
{
    setFault(kK7, R"({"unsupported": {"6008": -2}})");
    auto bridge = connected(kK7);
    grabOne(*bridge);
    ObstacleRuntime runtime;
    ASSERT_TRUE(bridge->readRuntime(4, runtime, nullptr));
    EXPECT_TRUE(runtime.resultAvailable) << runtime.resultError.toStdString();
    EXPECT_GE(calls("DcGetPtrValue", 6009), 1);   // ZR_PTR_FRAME_DATA
    // The frame block is of type 19: asking for V1 finds nothing to parse.
    QString error;
    ASSERT_TRUE(bridge->readRuntime(1, runtime, &error));
    EXPECT_FALSE(runtime.resultAvailable);
    EXPECT_EQ(runtime.resultError, sdkError("读取避障运行结果", -2));
    EXPECT_EQ(error, runtime.resultError);
}

TEST_F(BridgeRuntimeTest, WithoutFrameOrIoTheSampleFails)
{
    auto bridge = connected(kK7);
    ObstacleRuntime runtime;
    QString error;
    // No frame yet: the output read fails, the I/O state is still read.
    ASSERT_TRUE(bridge->readRuntime(4, runtime, &error));
    EXPECT_FALSE(runtime.resultAvailable);
    EXPECT_TRUE(runtime.resultError.startsWith(QStringLiteral("读取避障运行结果失败（SDK=")));
    EXPECT_EQ(error, runtime.resultError);

    // A camera without an obstacle algorithm answers neither the I/O state
    // nor a result: only then does the sample fail.
    auto r8 = bridgeFor("127.0.10.9");
    ASSERT_TRUE(r8->openCamera(nullptr));
    EXPECT_FALSE(r8->readRuntime(4, runtime, &error));
    EXPECT_EQ(runtime.ioStatus, -1);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(BridgeRuntimeTest, UnsupportedIoIdsAreCachedUntilClose)
{
    struct Case {
        const char* ip;
        const char* fault;
        std::int32_t cachedId;
        int status;
    };
    for (const Case& c : {Case{kNoIo, nullptr, 1533, -2}, Case{kK7, R"({"unsupported": {"1533": 2}})", 1533, 2}}) {
        SCOPED_TRACE(c.ip);
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0);
        if (c.fault != nullptr) {
            setFault(c.ip, c.fault);
        }
        auto bridge = connected(c.ip);
        ObstacleRuntime runtime;
        for (int sample = 0; sample < 3; ++sample) {
            bridge->readRuntime(4, runtime, nullptr);
            EXPECT_EQ(runtime.inputStatus, -1);
            EXPECT_EQ(runtime.inputChannelMask, 0U);
        }
        EXPECT_EQ(calls("DcGetIntValue", c.cachedId), 1);
        ASSERT_EQ(bridge->unsupportedParameters().count(c.cachedId), 1U);
        EXPECT_EQ(bridge->unsupportedParameters().at(c.cachedId), c.status);

        // A cached id fails without asking the camera, with the stored status.
        ZrIntValue value{};
        QString error;
        EXPECT_FALSE(bridge->readIntParameter(c.cachedId, value, &error));
        EXPECT_EQ(error, sdkError("读取整数特性 1533", c.status));
        EXPECT_EQ(calls("DcGetIntValue", c.cachedId), 1);

        ASSERT_TRUE(bridge->closeCamera(nullptr));
        EXPECT_TRUE(bridge->unsupportedParameters().empty());
    }
}

TEST_F(BridgeRuntimeTest, OnlyTheIoIdsAreCached)
{
    setFault(kK7, R"({"unsupported": {"1065": -2, "1534": -13}})");
    auto bridge = connected(kK7);
    int mode = 0;
    QString error;
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(bridge->readAlgorithmMode(mode, &error));
        EXPECT_EQ(error, sdkError("读取整数特性 1065", -2));
        ObstacleRuntime runtime;
        bridge->readRuntime(4, runtime, nullptr);
        EXPECT_EQ(runtime.outputStatus, -1);
    }
    EXPECT_EQ(calls("DcGetIntValue", 1065), 2);
    EXPECT_EQ(calls("DcGetIntValue", 1534), 2);   // -13 is not "unsupported"
    EXPECT_TRUE(bridge->unsupportedParameters().empty());
}

TEST_F(BridgeRuntimeTest, IoModeWrites)
{
    struct Case {
        int work;
        int hardware;
        bool ok;
        std::int64_t workWrites;
        std::int64_t hardwareWrites;
        QString error;
    };
    const std::vector<Case> cases = {
        {-1, 1, true, 0, 1, {}},
        {0, 2, false, 0, 0, QStringLiteral("请选择有效的 IO 模式")},
        {1, -1, true, 1, 0, {}},
        {-1, -1, true, 0, 0, {}},
        {0, 0, true, 1, 1, {}},
        {-1, 7, false, 0, 0, QStringLiteral("请选择有效的 IO 模式")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.work) + "," + std::to_string(c.hardware));
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0);
        auto bridge = connected(kK7);
        QString error;
        EXPECT_EQ(bridge->setIoModes(c.work, c.hardware, &error), c.ok);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(calls("DcSetIntValue", 1530), c.workWrites);
        EXPECT_EQ(calls("DcSetIntValue", 1532), c.hardwareWrites);
        int mode = -5;
        ASSERT_TRUE(bridge->readIoHardwareMode(mode, &error));
        EXPECT_EQ(mode, c.ok && c.hardware >= 0 ? c.hardware : 0);
    }
}

TEST_F(BridgeRuntimeTest, IoModesOnACameraWithoutIo)
{
    auto bridge = connected(kNoIo);
    QString error;
    EXPECT_FALSE(bridge->setIoModes(0, -1, &error));
    EXPECT_EQ(error, sdkError("设置 IO 工作模式", -2));
    EXPECT_FALSE(bridge->setIoModes(-1, 1, &error));
    EXPECT_EQ(error, sdkError("设置 IO 硬件模式", -2));
    int mode = 5;
    EXPECT_FALSE(bridge->readIoHardwareMode(mode, &error));
    EXPECT_EQ(mode, -1);
    EXPECT_EQ(error, sdkError("读取整数特性 1532", -2));
}

TEST_F(BridgeRuntimeTest, AlgorithmModeAndVersion)
{
    auto bridge = connected(kK7);
    int mode = -1;
    QString error;
    ASSERT_TRUE(bridge->readAlgorithmMode(mode, &error));
    EXPECT_EQ(mode, 4);
    ASSERT_TRUE(bridge->setAlgorithmMode(0, &error));
    ASSERT_TRUE(bridge->readAlgorithmMode(mode, &error));
    EXPECT_EQ(mode, 0);
    EXPECT_FALSE(bridge->setAlgorithmMode(1, &error));   // the K7 runs no V1
    EXPECT_EQ(error, sdkError("设置避障算法模式", ZR_STATUS_INVALID_ARGUMENT));
    QString version;
    ASSERT_TRUE(bridge->readAlgorithmVersion(version));
    EXPECT_EQ(version, QString("ALG-2"));

    auto r8 = bridgeFor("127.0.10.9");
    ASSERT_TRUE(r8->openCamera(nullptr));
    version = "kept";
    EXPECT_FALSE(r8->readAlgorithmVersion(version));   // no algorithm, no text
    EXPECT_EQ(version, QString("kept"));
    std::string text;
    EXPECT_FALSE(r8->readAlgorithmParams(text, &error));
    EXPECT_EQ(error, sdkError("读取字符串特性 4005", -2));
}
