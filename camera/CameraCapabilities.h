#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace algPlatform {

// Algorithm modes the camera reports and accepts (integer ZR_INT_ALGORITHM_MODE).
constexpr int kAlgorithmModeOff = 0;
constexpr int kAlgorithmModeV1 = 1;   // zone masks / V1 JSON zones
constexpr int kAlgorithmModeV2 = 4;   // JSON zones

// What a camera model offers, derived from its SDK device type code and its
// camera family. Pure values; no camera access.
struct CapabilityProfile {
    bool v1Offered = false;
    bool v2Offered = false;
    bool groundCalibration = false;
    bool ioMode = false;
    std::int8_t recommendedMode = 0;   // 1, 4, or 0 when the model runs none

    bool supported() const { return v1Offered || v2Offered; }
};

// Display name of an SDK device type code ("K7" for 1005); nothing for an unknown code.
std::optional<std::string> modelName(int deviceType);

// Profile of a device type code t and camera family c (0 K, 1 R, 2 P series).
CapabilityProfile capabilityProfile(int deviceType, int cameraType = 0);

// True for mode 1 when V1 is offered and for mode 4 when V2 is offered.
bool modeOffered(const CapabilityProfile& profile, int mode);

// True when the model selects its running template through the obstacle
// special controls in V1 (and receives V1 as uploaded zone masks).
bool usesTemplateControl(int deviceType, int mode);

}  // namespace algPlatform
