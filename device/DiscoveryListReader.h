#pragma once
// Turns the SDK's device list into the workstation's device list: only the
// K-series (1000..1999) and P-series (2000..2999) cameras, in SDK order, with
// the depth range and colour the records state (unknown: 0 and colour).
#include <cstdint>
#include <vector>

#include "CameraDescriptor.h"

struct ZrDeviceInfo;

namespace hazard_desk {

class DiscoveryListReader {
public:
    static constexpr std::size_t kTextFieldBytes = 32;

    // Descriptors of the listed entries of list[0..count); nothing for a null list.
    static std::vector<CameraDescriptor> read(const ZrDeviceInfo* list, std::int32_t count);

    // Camera family of a device type code: 0 K, 2 P, 1 R (5000..5999), -1 otherwise.
    static int cameraTypeOf(std::int32_t deviceType);

    // Model name of the code, or "ZR-<code>" when the model table has none.
    static QString modelOf(std::int32_t deviceType);
};

}  // namespace hazard_desk
