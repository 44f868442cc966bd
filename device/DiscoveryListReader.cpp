#include "DiscoveryListReader.h"

#include <cstring>

#include "CameraCapabilities.h"
#include "ZrCameraTypes.h"

namespace hazard_desk {

namespace {

constexpr int kFamilyK = 0;
constexpr int kFamilyR = 1;
constexpr int kFamilyP = 2;
constexpr int kFamilyUnknown = -1;

// Text of a fixed field: up to the first zero byte, never past the field.
QString fieldText(const char* field)
{
    const void* zero = std::memchr(field, 0, DiscoveryListReader::kTextFieldBytes);
    const std::size_t size = zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - field)
                                             : DiscoveryListReader::kTextFieldBytes;
    return QString::fromLocal8Bit(field, static_cast<int>(size));
}

}  // namespace

int DiscoveryListReader::cameraTypeOf(std::int32_t deviceType)
{
    if (deviceType >= 1000 && deviceType <= 1999) {
        return kFamilyK;
    }
    if (deviceType >= 2000 && deviceType <= 2999) {
        return kFamilyP;
    }
    if (deviceType >= 5000 && deviceType <= 5999) {
        return kFamilyR;
    }
    return kFamilyUnknown;
}

QString DiscoveryListReader::modelOf(std::int32_t deviceType)
{
    const std::optional<std::string> name = algPlatform::modelName(deviceType);
    return name ? QString::fromStdString(*name) : QStringLiteral("ZR-%1").arg(deviceType);
}

std::vector<CameraDescriptor> DiscoveryListReader::read(const ZrDeviceInfo* list, std::int32_t count)
{
    std::vector<CameraDescriptor> result;
    if (list == nullptr || count < 1) {
        return result;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const ZrDeviceInfo& entry = list[i];
        if (entry.deviceType == 0) {
            continue;
        }
        const int family = cameraTypeOf(entry.deviceType);
        if (family != kFamilyK && family != kFamilyP) {
            continue;
        }
        CameraDescriptor descriptor;
        descriptor.ip = fieldText(entry.ip);
        descriptor.id = fieldText(entry.id);
        descriptor.serial = fieldText(entry.serial);
        descriptor.name = fieldText(entry.name);
        descriptor.model = modelOf(entry.deviceType);
        descriptor.firmware = fieldText(entry.firmware);
        descriptor.algorithmVersion = fieldText(entry.algorithmVersion);
        descriptor.discoveryHandle = entry.handle;
        descriptor.sdkDeviceType = entry.deviceType;
        // As the connection reads them: a range below 1 mm is unknown (0); a
        // camera counts as having colour unless its record says it has none.
        descriptor.maxDepthMm = entry.maxDepthMm >= 1 ? entry.maxDepthMm : 0;
        descriptor.rgbAvailable = entry.colorSensor != ZR_COLOR_SENSOR_NONE;
        descriptor.cameraType = family;
        result.push_back(descriptor);
    }
    return result;
}

}  // namespace hazard_desk
