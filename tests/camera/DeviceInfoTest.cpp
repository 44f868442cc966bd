#include "CameraType.h"
#include "DeviceInfo.h"

#include <cstring>

#include <gtest/gtest.h>

#include "ZrCameraTypes.h"

namespace algPlatform {
namespace {

TEST(DeviceInfoTest, FamilyFromDeviceTypeCode)
{
    const std::pair<int, CameraType> cases[] = {
        {1005, CameraType::K_SERIES}, {1000, CameraType::K_SERIES}, {1999, CameraType::K_SERIES},
        {2108, CameraType::P_SERIES}, {5001, CameraType::R_SERIES}, {5999, CameraType::R_SERIES},
        {0, CameraType::NONE},        {999, CameraType::NONE},      {3001, CameraType::NONE},
        {4000, CameraType::NONE},     {6000, CameraType::NONE},     {-1005, CameraType::NONE},
    };
    for (const auto& [code, type] : cases) {
        EXPECT_EQ(cameraTypeFromDeviceType(code), type) << code;
    }
}

TEST(DeviceInfoTest, FullFieldsNeverRunIntoTheNext)
{
    ZrDeviceInfo record;
    std::memset(&record, 'A', sizeof(record));
    record.deviceType = 1005;
    std::memset(record.ip, 'B', sizeof(record.ip));
    const DeviceInfo info = DeviceInfo::fromSdkRecord(record);
    EXPECT_EQ(info.id, std::string(32, 'A'));
    EXPECT_EQ(info.ip, std::string(32, 'B'));
    EXPECT_EQ(info.name.size(), 32u);
    EXPECT_EQ(info.extra3.size(), sizeof(record.extra3));
}

}  // namespace
}  // namespace algPlatform
