#pragma once
// A small scene for the bridge tests (small images keep them quick, also
// under the sanitizers) and a fixture that loads it before every test.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "FormatSdkError.h"
#include "ObstacleCameraBridge.h"
#include "ZrSimControl.h"

inline const char* kBridgeTestScene = R"({
  "cameras": [
    {"ip": "127.0.10.1", "id": "k7-a", "name": "K7 test", "serial": "SN-K7", "deviceType": 1005,
     "firmware": "K7_FW", "algorithmVersion": "ALG-2",
     "depth": {"width": 80, "height": 60, "fx": 60, "fy": 60, "cx": 40, "cy": 30, "maxDepthMm": 7000, "fps": 50},
     "color": {"width": 80, "height": 60},
     "mount": {"roll": 75, "pitch": -180, "yaw": 90, "x": 0, "y": 0, "z": 600},
     "algorithmMode": 4,
     "io": {"inputs": 2, "outputs": 2, "hardwareMode": 0, "inputLevels": [1, 0]}},
    {"ip": "127.0.10.2", "id": "p20-a", "name": "P20 test", "deviceType": 2108,
     "depth": {"width": 40, "height": 30, "fx": 30, "fy": 30, "cx": 20, "cy": 15, "maxDepthMm": 6000, "fps": 50},
     "algorithmMode": 1,
     "io": {"inputs": 2, "outputs": 2, "hardwareMode": 0, "inputLevels": [0, 1]}},
    {"ip": "127.0.10.3", "id": "p3w-a", "name": "P3 Wide test", "deviceType": 2003,
     "depth": {"width": 40, "height": 30, "fx": 30, "fy": 30, "cx": 20, "cy": 15, "maxDepthMm": 5000, "fps": 50},
     "algorithmMode": 1},
    {"ip": "127.0.10.5", "id": "null-a", "name": "Null type", "deviceType": 0},
    {"ip": "127.0.10.6", "id": "k7p-a", "name": "K7 Plus no IO", "deviceType": 1003,
     "depth": {"width": 40, "height": 30, "fx": 30, "fy": 30, "cx": 20, "cy": 15, "maxDepthMm": 8000, "fps": 50}},
    {"ip": "127.0.10.7", "id": "unk-a", "name": "Unknown P", "deviceType": 2999,
     "depth": {"width": 40, "height": 30, "fx": 30, "fy": 30, "cx": 20, "cy": 15, "maxDepthMm": 8000, "fps": 50}},
    {"ip": "127.0.10.9", "id": "r8-a", "name": "R8 test", "deviceType": 5001}
  ],
  "objects": [
    {"label": "pallet", "minX": 800, "maxX": 1200, "minY": -300, "maxY": 300, "minZ": 0, "maxZ": 800}
  ]
})";

// The first frame of a fresh stream can take longer than one frame wait
// (slow sanitizer builds): retry a few times.
inline bool grabFrameRetrying(hazard_desk::ObstacleCameraBridge& bridge, algPlatform::FrameSet& frame,
                              cv::Mat& amplitude, QString& error)
{
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (bridge.grabFrame(frame, amplitude, &error)) {
            return true;
        }
    }
    return false;
}

inline bool probeFrameRetrying(hazard_desk::ObstacleCameraBridge& bridge, QString& error)
{
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (bridge.probeFrame(&error)) {
            return true;
        }
    }
    return false;
}

// 16-bit binary PGM masks of the P20 test camera's 40 x 30 sensor, every
// pixel 1500 mm, one per name in the directory.
inline QStringList writeMaskFiles(const QString& directory, const std::vector<const char*>& names)
{
    QByteArray data("P5\n40 30\n65535\n");
    for (int i = 0; i < 40 * 30; ++i) {
        data.append(static_cast<char>(1500 >> 8));
        data.append(static_cast<char>(1500 & 0xFF));
    }
    QStringList files;
    for (const char* name : names) {
        QFile file(QDir(directory).filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size()) << name;
        files << file.fileName();
    }
    return files;
}

// Writes the danger zone of the running (square) template, with the warning
// zone right behind it, and waits until the camera reports it back: the same
// write and read-back the apply transaction uses.
inline void applyDangerZone(hazard_desk::ObstacleCameraBridge& bridge, double nearX, double farX, double halfWidth,
                            double height)
{
    const nlohmann::json dangerZone = nlohmann::json::array({nearX, farX, -halfWidth, halfWidth, 0.0, height});
    const nlohmann::json warningZone = nlohmann::json::array({farX, farX + 500.0, -halfWidth, halfWidth, 0.0, height});
    std::string text;
    QString error;
    ASSERT_TRUE(bridge.readAlgorithmParams(text, &error)) << error.toStdString();
    nlohmann::json params = nlohmann::json::parse(text);
    const std::string zone = std::to_string(params["ZoneIndex"].get<int>());
    params["Zones"][zone]["DangerZone"] = dangerZone;
    params["Zones"][zone]["WarningZone"] = warningZone;
    ASSERT_TRUE(bridge.writeAlgorithmParams(params.dump(), &error)) << error.toStdString();
    for (int attempt = 0; attempt < 100; ++attempt) {
        ASSERT_TRUE(bridge.readAlgorithmParams(text, &error)) << error.toStdString();
        if (nlohmann::json::parse(text)["Zones"][zone]["DangerZone"] == dangerZone) {
            hazard_desk::ActiveConfiguration active;
            ASSERT_TRUE(bridge.readActiveConfiguration(active, &error)) << error.toStdString();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FAIL() << "the camera never reported the written zone";
}

class BridgeSimTest : public ::testing::Test {
protected:
    static constexpr const char* kK7 = "127.0.10.1";
    static constexpr const char* kP20 = "127.0.10.2";
    static constexpr const char* kP3Wide = "127.0.10.3";
    static constexpr const char* kNoIo = "127.0.10.6";

    void SetUp() override { freshScene(); }

    // The test scene as loaded, without faults or counts (also for the next
    // case of a table).
    static void freshScene()
    {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kBridgeTestScene), 0) << ZrSim_LastError();
    }

    static std::unique_ptr<hazard_desk::ObstacleCameraBridge> bridgeFor(const QString& ip)
    {
        hazard_desk::CameraDescriptor descriptor;
        descriptor.ip = ip;
        return std::make_unique<hazard_desk::ObstacleCameraBridge>(descriptor);
    }

    // A bridge that is open and prepared (fails the test otherwise).
    static std::unique_ptr<hazard_desk::ObstacleCameraBridge> connected(const QString& ip)
    {
        auto bridge = bridgeFor(ip);
        QString error;
        EXPECT_TRUE(bridge->openCamera(&error)) << error.toStdString();
        EXPECT_TRUE(bridge->prepareStreams(&error)) << error.toStdString();
        return bridge;
    }

    static void setFault(const std::string& ip, const std::string& json)
    {
        ASSERT_EQ(ZrSim_SetFault(ip.c_str(), json.c_str()), 0) << ZrSim_LastError();
    }

    static std::int64_t calls(const char* function, std::int32_t id = -1) { return ZrSim_CallCount(function, id); }

    static QString sdkError(const char* operation, std::int32_t status)
    {
        return hazard_desk::formatSdkError(QString::fromUtf8(operation), status);
    }
};
