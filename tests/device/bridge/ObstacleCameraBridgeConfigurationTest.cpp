// Templates, parameter text, the consistent configuration read and the V1
// mask upload of the obstacle bridge against the virtual camera.
#include <QFile>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include "BridgeSimFixture.h"
#include "WorkstationJsonReader.h"
#include "ZrCameraApi.h"

using hazard_desk::ActiveConfiguration;
using hazard_desk::ObstacleCameraBridge;

using BridgeConfigurationTest = BridgeSimTest;

namespace {

nlohmann::json readParams(ObstacleCameraBridge& bridge)
{
    std::string text;
    QString error;
    EXPECT_TRUE(bridge.readAlgorithmParams(text, &error)) << error.toStdString();
    return nlohmann::json::parse(text, nullptr, false);
}

// A 16-bit binary PGM of the given size, every pixel = value.
QString writeMask(const QTemporaryDir& dir, const QString& name, int width, int height, quint16 value)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray data = QStringLiteral("P5\n%1 %2\n65535\n").arg(width).arg(height).toLatin1();
    for (int i = 0; i < width * height; ++i) {
        data.append(static_cast<char>(value >> 8));
        data.append(static_cast<char>(value & 0xFF));
    }
    file.write(data);
    return path;
}

}  // namespace

TEST_F(BridgeConfigurationTest, V2CameraReadsTheJsonTemplate)
{
    setFault(kK7, R"({"saveDelayMs": 0})");
    auto bridge = connected(kK7);
    nlohmann::json params = readParams(*bridge);
    ASSERT_TRUE(params.is_object());
    params["ZoneIndex"] = 6;
    QString error;
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error)) << error.toStdString();

    ActiveConfiguration out;
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(out.mode, 4);
    EXPECT_EQ(out.templateIndex, 6);
    std::string deviceText;
    ASSERT_TRUE(bridge->readAlgorithmParams(deviceText, nullptr));
    EXPECT_EQ(out.deviceJson.toStdString(), deviceText);
    const hazard_desk::WorkstationDocument document =
        hazard_desk::parseWorkstationDocumentText(out.workstationJson.toStdString());
    EXPECT_EQ(document.activeIndex, 6);
    EXPECT_EQ(document.algorithmVersion, hazard_desk::AlgorithmVersion::V2);
    EXPECT_TRUE(out.workstationJson.contains(QStringLiteral("\n  \"")));   // indent 2
    // No template control on the K7: the special control is never asked.
    EXPECT_EQ(calls("DcSpecialControl"), 0);
}

TEST_F(BridgeConfigurationTest, ModeChecks)
{
    auto bridge = connected(kK7);
    ActiveConfiguration out;
    QString error;
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error, 1));
    EXPECT_EQ(error, QStringLiteral("当前算法与相机型号不匹配，请先切换算法"));
    EXPECT_EQ(out.mode, 4);
    EXPECT_EQ(out.templateIndex, -1);
    EXPECT_TRUE(out.workstationJson.isEmpty());
    EXPECT_TRUE(bridge->readActiveConfiguration(out, &error, 4)) << error.toStdString();

    ASSERT_TRUE(bridge->setAlgorithmMode(0, &error));
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("当前未运行避障算法"));
    EXPECT_EQ(out.mode, 0);

    setFault(kK7, R"({"unsupported": {"1065": -6}})");
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, sdkError("读取整数特性 1065", -6));
    EXPECT_EQ(out.mode, -1);
}

TEST_F(BridgeConfigurationTest, ModeChangingBetweenReadsMeansSwitching)
{
    setFault(kP3Wide, R"({"modeConfirmReads": 1})");
    auto bridge = connected(kP3Wide);
    QString error;
    ActiveConfiguration out;
    ASSERT_TRUE(bridge->setAlgorithmMode(0, &error));   // the first read still says 1
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("设备模板正在切换，等待下一次查询"));
    EXPECT_TRUE(out.workstationJson.isEmpty());
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("当前未运行避障算法"));

    ASSERT_TRUE(bridge->setAlgorithmMode(1, &error));   // the first read still says 0
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("当前未运行避障算法"));
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(out.mode, 1);
    EXPECT_EQ(hazard_desk::parseWorkstationDocumentText(out.workstationJson.toStdString()).algorithmVersion,
              hazard_desk::AlgorithmVersion::V1);
}

TEST_F(BridgeConfigurationTest, MissingTemplateZonesAreReported)
{
    setFault(kK7, R"({"saveDelayMs": 0})");
    auto bridge = connected(kK7);
    nlohmann::json params = readParams(*bridge);
    params["Zones"] = nlohmann::json::object({{"2", params["Zones"].begin().value()}});
    params["ZoneIndex"] = 3;   // names a template the camera does not hold
    QString error;
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    ActiveConfiguration out;
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("设备未返回当前模板 -1 的区域参数"));
    EXPECT_EQ(out.templateIndex, -1);

    params["ZoneIndex"] = 2;
    ASSERT_TRUE(bridge->writeAlgorithmParams(params.dump(), &error));
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(out.templateIndex, 2);
}

TEST_F(BridgeConfigurationTest, MissingParameterTextIsAnEmptyAnswer)
{
    // The camera answers success without handing out any text.
    setFault(kK7, R"({"nullTexts": [4005]})");
    auto bridge = connected(kK7);
    QString error;
    std::string text = "stale";
    EXPECT_FALSE(bridge->readAlgorithmParams(text, &error));
    EXPECT_EQ(error, QStringLiteral("设备返回空的避障参数，本次回读失败")) << "not an SDK failure with status 0";
    EXPECT_TRUE(text.empty());
    ActiveConfiguration out;
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("设备返回空的避障参数，本次回读失败"));
}

TEST_F(BridgeConfigurationTest, InvalidParameterWriteHasTheSdkText)
{
    auto bridge = connected(kK7);
    QString error;
    EXPECT_FALSE(bridge->writeAlgorithmParams("{not json", &error));
    EXPECT_EQ(error, sdkError("下发避障 JSON", ZR_STATUS_INVALID_ARGUMENT));
}

TEST_F(BridgeConfigurationTest, TemplateControlSelectsAndReadsTemplates)
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
    EXPECT_EQ(bridge->templateTracker().lastResolved(), 5);
    EXPECT_EQ(calls("DcSpecialControl"), 1 + 1 + 2);

    EXPECT_FALSE(bridge->selectTemplate(20, &error));
    EXPECT_EQ(error, sdkError("切换避障模板 20", ZR_STATUS_INVALID_ARGUMENT));
}

TEST_F(BridgeConfigurationTest, DifferingTemplateAnswersMeanSwitchingAndKeepTheTracker)
{
    auto bridge = connected(kP20);
    QString error;
    ASSERT_TRUE(bridge->selectTemplate(5, &error));
    ActiveConfiguration out;
    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    const int resolved = bridge->templateTracker().lastResolved();
    const int device = bridge->templateTracker().lastDeviceIndex();
    const int json = bridge->templateTracker().lastJsonIndex();

    setFault(kP20, R"({"templateSwitchReads": 1})");
    ASSERT_TRUE(bridge->selectTemplate(7, &error));   // the first answer is still 5
    EXPECT_FALSE(bridge->readActiveConfiguration(out, &error));
    EXPECT_EQ(error, QStringLiteral("设备模板正在切换，等待下一次查询"));
    EXPECT_EQ(out.templateIndex, -1);
    EXPECT_EQ(bridge->templateTracker().lastResolved(), resolved);
    EXPECT_EQ(bridge->templateTracker().lastDeviceIndex(), device);
    EXPECT_EQ(bridge->templateTracker().lastJsonIndex(), json);

    ASSERT_TRUE(bridge->readActiveConfiguration(out, &error)) << error.toStdString();
    EXPECT_EQ(out.templateIndex, 7);
}

TEST_F(BridgeConfigurationTest, ClosingResetsTheTracker)
{
    auto bridge = connected(kP20);
    ActiveConfiguration out;
    ASSERT_TRUE(bridge->readActiveConfiguration(out, nullptr));
    EXPECT_GE(bridge->templateTracker().lastResolved(), 0);
    ASSERT_TRUE(bridge->closeCamera(nullptr));
    EXPECT_EQ(bridge->templateTracker().lastResolved(), -1);
    EXPECT_EQ(bridge->templateTracker().lastDeviceIndex(), -1);
    EXPECT_EQ(bridge->templateTracker().lastJsonIndex(), -1);
}

TEST_F(BridgeConfigurationTest, MaskUpload)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList masks = {writeMask(dir, "danger_far0.pgm", 40, 30, 3000),
                               writeMask(dir, "danger_near0.pgm", 40, 30, 500)};
    auto bridge = connected(kP20);
    QString error;
    EXPECT_FALSE(bridge->uploadV1Masks({}, &error));
    EXPECT_EQ(error, QStringLiteral("没有可上传的 V1 掩码文件"));
    EXPECT_EQ(calls("DcUpLoadFiles"), 0);

    ASSERT_TRUE(bridge->uploadV1Masks(masks, &error)) << error.toStdString();
    EXPECT_EQ(calls("DcUpLoadFiles"), 1);

    // A mask of the wrong size is refused by the camera.
    const QStringList wrong = {writeMask(dir, "warn_far1.pgm", 20, 30, 1), writeMask(dir, "warn_near1.pgm", 20, 30, 1)};
    EXPECT_FALSE(bridge->uploadV1Masks(wrong, &error));
    EXPECT_EQ(error, sdkError("上传 V1 避障掩码", ZR_STATUS_FILE_ERROR));

    setFault(kP20, R"({"uploadFails": -13})");
    EXPECT_FALSE(bridge->uploadV1Masks(masks, &error));
    EXPECT_EQ(error, sdkError("上传 V1 避障掩码", -13));

    auto k7 = connected(kK7);   // takes no mask files
    EXPECT_FALSE(k7->uploadV1Masks(masks, &error));
    EXPECT_EQ(error, sdkError("上传 V1 避障掩码", ZR_STATUS_NOT_SUPPORTED));
}
