#pragma once

#include <cstdint>

#include "DeviceInfo.h"

namespace algPlatform {

// One record of the SDK's device list as it came: the DeviceInfo read from it
// and the device type code, which DeviceInfo reduces to a family.
struct SdkDeviceRecord {
    DeviceInfo info;
    std::int32_t deviceType = 0;
};

}  // namespace algPlatform
