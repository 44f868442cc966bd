#pragma once

#include <cstdint>
#include <string>

#include "CameraType.h"

struct ZrDeviceInfo;

namespace algPlatform {

// One camera as found or opened; a plain value.
struct DeviceInfo {
    CameraType type = CameraType::NONE;
    std::string id;
    std::string serial;
    std::string extra1;     // carried, not interpreted
    std::string name;
    std::string typeName;   // "ZR_DEVICE_NULL" for device type code 0, else empty
    std::string ip;
    std::string extra2;     // carried, not interpreted
    std::string extra3;     // carried, not interpreted
    std::uint64_t handle = 0;

    // Reads the SDK's 496-byte device record. Texts stop at the first zero
    // byte and never run past their field.
    static DeviceInfo fromSdkRecord(const ZrDeviceInfo& record);
};

}  // namespace algPlatform
