#include "DeviceInfo.h"

#include <cstring>

#include "ZrCameraTypes.h"

namespace algPlatform {

namespace {

template <std::size_t N>
std::string fieldText(const char (&field)[N])
{
    const void* end = std::memchr(field, '\0', N);
    const std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : N;
    return std::string(field, length);
}

}  // namespace

DeviceInfo DeviceInfo::fromSdkRecord(const ZrDeviceInfo& record)
{
    DeviceInfo info;
    info.type = cameraTypeFromDeviceType(record.deviceType);
    info.id = fieldText(record.id);
    info.serial = fieldText(record.serial);
    info.extra1 = fieldText(record.extra1);
    info.name = fieldText(record.name);
    info.typeName = record.deviceType == 0 ? "ZR_DEVICE_NULL" : "";
    info.ip = fieldText(record.ip);
    info.extra2 = fieldText(record.extra2);
    info.extra3 = fieldText(record.extra3);
    info.handle = record.handle;
    return info;
}

}  // namespace algPlatform
