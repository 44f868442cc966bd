#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DiscoveryListReader.h"
#include "ZrCameraTypes.h"

using hazard_desk::CameraDescriptor;
using hazard_desk::DiscoveryListReader;

namespace {

ZrDeviceInfo entry(int32_t type, const std::string& ip, uint64_t handle)
{
    ZrDeviceInfo info;
    std::memset(&info, 0, sizeof(info));
    info.handle = handle;
    info.deviceType = type;
    std::memcpy(info.ip, ip.data(), ip.size());
    const std::string id = "id-" + std::to_string(type);
    std::memcpy(info.id, id.data(), id.size());
    std::memcpy(info.serial, "SN", 2);
    std::memcpy(info.firmware, "FW1", 3);
    std::memcpy(info.algorithmVersion, "ALG2", 4);
    std::memcpy(info.name, "cam", 3);
    return info;
}

}  // namespace

TEST(DiscoveryListReader, ListsOnlyKAndPSeriesInOrder)
{
    const std::vector<ZrDeviceInfo> list = {entry(0, "127.0.0.10", 1), entry(1500, "127.0.0.11", 2),
                                            entry(2108, "127.0.0.12", 3), entry(5001, "127.0.0.13", 4),
                                            entry(9999, "127.0.0.14", 5)};
    const std::vector<CameraDescriptor> result = DiscoveryListReader::read(list.data(), 5);
    ASSERT_EQ(result.size(), 2U);
    EXPECT_EQ(result[0].ip, QString("127.0.0.11"));
    EXPECT_EQ(result[0].cameraType, 0);
    EXPECT_EQ(result[0].sdkDeviceType, 1500);
    EXPECT_EQ(result[0].discoveryHandle, 2U);
    EXPECT_EQ(result[0].model, QString("ZR-1500"));
    EXPECT_EQ(result[1].ip, QString("127.0.0.12"));
    EXPECT_EQ(result[1].cameraType, 2);
    EXPECT_EQ(result[1].model, QString("P20"));
    for (const CameraDescriptor& d : result) {
        EXPECT_EQ(d.maxDepthMm, 0);
        EXPECT_TRUE(d.rgbAvailable);
        EXPECT_EQ(d.serial, QString("SN"));
        EXPECT_EQ(d.firmware, QString("FW1"));
        EXPECT_EQ(d.algorithmVersion, QString("ALG2"));
        EXPECT_EQ(d.name, QString("cam"));
        EXPECT_EQ(d.id, QString("id-%1").arg(d.sdkDeviceType));
    }
}

TEST(DiscoveryListReader, DepthRangeAndColourAsTheRecordStatesThem)
{
    struct Case {
        int32_t maxDepthMm;
        int32_t colorSensor;
        int expectedDepth;
        bool expectedRgb;
    };
    const Case cases[] = {{6000, ZR_COLOR_SENSOR_NONE, 6000, false},
                          {8000, ZR_COLOR_SENSOR_PRESENT, 8000, true},
                          {0, ZR_COLOR_SENSOR_UNKNOWN, 0, true},
                          {-7, 9, 0, true}};
    for (const Case& c : cases) {
        ZrDeviceInfo record = entry(2108, "127.0.0.12", 3);
        record.maxDepthMm = c.maxDepthMm;
        record.colorSensor = c.colorSensor;
        const std::vector<CameraDescriptor> result = DiscoveryListReader::read(&record, 1);
        ASSERT_EQ(result.size(), 1U);
        EXPECT_EQ(result[0].maxDepthMm, c.expectedDepth) << c.maxDepthMm;
        EXPECT_EQ(result[0].rgbAvailable, c.expectedRgb) << c.colorSensor;
    }
}

TEST(DiscoveryListReader, ModelNamesAndFamilies)
{
    struct Case {
        int32_t type;
        const char* model;
        int family;
    };
    for (const Case& c : {Case{1005, "K7", 0}, Case{2999, "ZR-2999", 2}, Case{2003, "P3 Wide V1", 2},
                          Case{1000, "ZR-1000", 0}, Case{1999, "ZR-1999", 0}, Case{2000, "ZR-2000", 2},
                          Case{5001, "R8", 1}, Case{3000, "ZR-3000", -1}, Case{-7, "ZR--7", -1}}) {
        EXPECT_EQ(DiscoveryListReader::modelOf(c.type), QString(c.model)) << c.type;
        EXPECT_EQ(DiscoveryListReader::cameraTypeOf(c.type), c.family) << c.type;
    }
}

TEST(DiscoveryListReader, TextsNeverRunPastTheirField)
{
    ZrDeviceInfo info = entry(1005, "127.0.0.1", 9);
    std::memset(info.id, 'A', sizeof(info.id));      // no terminating zero
    std::memset(info.ip, 0, sizeof(info.ip));
    std::memcpy(info.ip, "127.0.0.1", 9);
    std::memset(info.serial, 'S', sizeof(info.serial));
    const std::vector<CameraDescriptor> result = DiscoveryListReader::read(&info, 1);
    ASSERT_EQ(result.size(), 1U);
    EXPECT_EQ(result[0].id, QString(32, QChar('A')));
    EXPECT_EQ(result[0].serial, QString(32, QChar('S')));
    EXPECT_EQ(result[0].ip, QString("127.0.0.1"));
}

TEST(DiscoveryListReader, EmptyLists)
{
    const ZrDeviceInfo info = entry(1005, "127.0.0.1", 1);
    EXPECT_TRUE(DiscoveryListReader::read(nullptr, 3).empty());
    EXPECT_TRUE(DiscoveryListReader::read(&info, 0).empty());
    EXPECT_TRUE(DiscoveryListReader::read(&info, -1).empty());
}
