#pragma once
// Two virtual cameras for the ray and mask tests: a pinhole lens with
// distortion and a fisheye lens. Small images keep the tests quick.
#include <gtest/gtest.h>

#include "ZrSimControl.h"

inline const char* kRayTestScene = R"({
  "cameras": [
    {"ip": "127.0.14.1", "id": "k7-pinhole", "name": "K7 pinhole", "deviceType": 1005,
     "depth": {"width": 48, "height": 36, "fx": 40, "fy": 41, "cx": 24, "cy": 17.5,
               "distortion": [0.04, -0.01, 0.001, -0.002, 0.0], "maxDepthMm": 8000, "fps": 50},
     "mount": {"roll": 70, "pitch": -180, "yaw": 90, "x": 0, "y": 0, "z": 600}, "algorithmMode": 1},
    {"ip": "127.0.14.2", "id": "p20-fisheye", "name": "P20 fisheye", "deviceType": 2108,
     "depth": {"width": 40, "height": 30, "fx": 20, "fy": 20, "cx": 20, "cy": 15, "fisheye": true,
               "distortion": [0.02, -0.005, 0.001, 0.0, 0.0], "maxDepthMm": 8000, "fps": 50},
     "mount": {"roll": 70, "pitch": -180, "yaw": 90, "x": 0, "y": 0, "z": 600}, "algorithmMode": 1}
  ]
})";

class RaySimTest : public ::testing::Test {
protected:
    static constexpr const char* kPinhole = "127.0.14.1";
    static constexpr const char* kFisheye = "127.0.14.2";

    void SetUp() override
    {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kRayTestScene), 0) << ZrSim_LastError();
    }

    static void setFault(const char* ip, const char* json)
    {
        ASSERT_EQ(ZrSim_SetFault(ip, json), 0) << ZrSim_LastError();
    }
};
