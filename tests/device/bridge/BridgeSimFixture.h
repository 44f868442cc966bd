#pragma once
// A small scene for the bridge tests (small images keep them quick, also
// under the sanitizers) and a fixture that loads it before every test.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
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
    {"ip": "127.0.10.9", "id": "r8-a", "name": "R8 test", "deviceType": 5001}
  ],
  "objects": [
    {"label": "pallet", "minX": 800, "maxX": 1200, "minY": -300, "maxY": 300, "minZ": 0, "maxZ": 800}
  ]
})";

// The first frame of a fresh stream can take longer than one frame wait
// (slow sanitizer builds): a frame read is retried a few times.
template <typename Attempt>
bool retrying(Attempt attempt)
{
    for (int i = 0; i < 40; ++i) {
        if (attempt()) {
            return true;
        }
    }
    return false;
}

// 16-bit binary PGM masks of the P20 test camera's 40 x 30 sensor, every
// pixel 1500 mm (0x05DC, most significant byte first), one per name in the
// directory.
inline QStringList writeMaskFiles(const QString& directory, const std::vector<const char*>& names)
{
    const QByteArray data = QByteArray("P5\n40 30\n65535\n") + QByteArray("\x05\xDC", 2).repeated(40 * 30);
    QStringList files;
    for (const char* name : names) {
        QFile file(QDir(directory).filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == data.size()) << name;
        files << file.fileName();
    }
    return files;
}

class BridgeSimTest : public ::testing::Test {
protected:
    static constexpr const char* kK7 = "127.0.10.1";
    static constexpr const char* kP20 = "127.0.10.2";
    static constexpr const char* kP3Wide = "127.0.10.3";

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
