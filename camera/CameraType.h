#pragma once

#include <cstdint>
#include <string>

namespace algPlatform {

// Camera family. The SDK device type code divided by 1000 gives it.
enum class CameraType : std::int32_t {
    NONE = -1,
    K_SERIES = 0,
    R_SERIES = 1,
    P_SERIES = 2,
    MECH_CAMERA = 3,
};

// Family of an SDK device type code: 1xxx K, 2xxx P, 5xxx R, anything else NONE.
CameraType cameraTypeFromDeviceType(std::int32_t deviceType);

// Enumerator name as used in log texts ("K_SERIES"); empty outside -1..3.
std::string cameraTypeName(std::int32_t type);

}  // namespace algPlatform
