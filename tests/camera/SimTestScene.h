#pragma once

#include <string>

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "ZrCameraK7.h"
#include "ZrSimControl.h"

// A small scene for the camera tests: small images and a fast clock keep the
// tests quick, also under the sanitizers.
inline const char* kCameraTestScene = R"({
  "cameras": [
    {"ip": "127.0.10.1", "id": "k7-a", "name": "K7 test", "serial": "SN-K7", "deviceType": 1005,
     "depth": {"width": 80, "height": 60, "fx": 60, "fy": 61, "cx": 40, "cy": 30,
               "distortion": [0.01, -0.02, 0.001, 0.002, 0.0], "maxDepthMm": 8000, "fps": 50},
     "color": {"width": 80, "height": 60},
     "mount": {"roll": 90, "pitch": -160, "yaw": 90, "x": 0, "y": 0, "z": 600}},
    {"ip": "127.0.10.2", "id": "p20-a", "name": "P20 test", "deviceType": 2108,
     "depth": {"width": 40, "height": 30, "fx": 30, "fy": 30, "cx": 20, "cy": 15, "maxDepthMm": 8000, "fps": 50}},
    {"ip": "127.0.10.5", "id": "null-a", "name": "Null type", "deviceType": 0},
    {"ip": "127.0.10.6", "id": "k7p-a", "name": "K7 Plus test", "deviceType": 1003,
     "depth": {"width": 40, "height": 30, "fx": 30, "fy": 30, "cx": 20, "cy": 15, "maxDepthMm": 8000, "fps": 50}},
    {"ip": "127.0.10.9", "id": "r8-a", "name": "R8 test", "deviceType": 5001}
  ]
})";

// Loads the test scene into the virtual camera before every test and
// captures the camera layer's log.
class SimCameraTest : public ::testing::Test {
protected:
    SimCameraTest() : capture_(algPlatform::ZrCameraK7::log()) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(reloadScene());
        capture_.clear();
    }

    // The test scene afresh: no faults, call counters zeroed. Tables run each
    // case on a fresh scene.
    static void reloadScene()
    {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kCameraTestScene), 0) << ZrSim_LastError();
    }

    static algPlatform::DeviceInfo infoFor(const std::string& ip)
    {
        algPlatform::DeviceInfo info;
        info.ip = ip;
        return info;
    }

    static void setFault(const std::string& ip, const std::string& json)
    {
        ASSERT_EQ(ZrSim_SetFault(ip.c_str(), json.c_str()), 0) << ZrSim_LastError();
    }

    static std::int64_t calls(const char* function, std::int32_t id = -1) { return ZrSim_CallCount(function, id); }

    LogCapture capture_;
};
