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

TEST(DeviceInfoTest, ReadsEveryFieldFromTheRecord)
{
    ZrDeviceInfo record;
    std::memset(&record, 0, sizeof(record));
    record.handle = 0x1122334455667788ULL;
    record.deviceType = 2108;
    std::strcpy(record.id, "cam-id");
    std::strcpy(record.ip, "127.0.10.2");
    std::strcpy(record.serial, "SN42");
    std::strcpy(record.extra1, "aa:bb");
    std::strcpy(record.firmware, "fw");
    std::strcpy(record.name, "P20 front");
    std::strcpy(record.extra2, "x2");
    std::strcpy(record.extra3, "x3");
    const DeviceInfo info = DeviceInfo::fromSdkRecord(record);
    EXPECT_EQ(info.type, CameraType::P_SERIES);
    EXPECT_EQ(info.id, "cam-id");
    EXPECT_EQ(info.ip, "127.0.10.2");
    EXPECT_EQ(info.serial, "SN42");
    EXPECT_EQ(info.extra1, "aa:bb");
    EXPECT_EQ(info.name, "P20 front");
    EXPECT_EQ(info.extra2, "x2");
    EXPECT_EQ(info.extra3, "x3");
    EXPECT_EQ(info.typeName, "");
    EXPECT_EQ(info.handle, 0x1122334455667788ULL);

    record.deviceType = 0;
    EXPECT_EQ(DeviceInfo::fromSdkRecord(record).typeName, "ZR_DEVICE_NULL");
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
