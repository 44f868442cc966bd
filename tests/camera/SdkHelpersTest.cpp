// The helpers between the SDK and the camera layer: device records, parameter
// names and values, frame times and image copies.
#include "CameraType.h"
#include "DeviceInfo.h"
#include "SdkParameterNames.h"
#include "SdkValueConversion.h"
#include "FrameTime.h"
#include "SdkImageCopy.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ZrCameraTypes.h"
#include "ZrCameraParams.h"

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

struct ResolveCase {
    const char* name;
    SdkValueKind kind;
    std::optional<std::int32_t> expected;
};

TEST(SdkParameterNamesTest, ResolvesAcrossKindsAndRanges)
{
    using K = SdkValueKind;
    const ResolveCase cases[] = {
        {"ZR_INT_GAIN", K::Integer, 1005},      {"zr_int_gain", K::Integer, 1005},
        {"gain", K::Integer, 1005},             {"GAIN", K::Integer, 1005},
        {"  1005\t\r\n", K::Integer, 1005},    {"0x3ED", K::Integer, 1005},
        {"1005", K::Boolean, std::nullopt},     {"2001", K::Integer, std::nullopt},
        {"ZR_INT_GAIN", K::Float, std::nullopt},  // a name of another kind never falls through to numbers
        {"1999", K::Integer, 1999},             {"2000", K::Integer, std::nullopt},
        {"1000", K::Integer, 1000},             {"999", K::Integer, std::nullopt},
        {"1005x", K::Integer, std::nullopt},    {"", K::Integer, std::nullopt},
        {"99999999999999999999", K::Integer, std::nullopt},
        {"unknown_name", K::Integer, std::nullopt},
        {"Enable_RGB_Stream", K::Boolean, 3011}, {"enable_depth_to_rgb", K::Boolean, 3011},
        {"gain", K::Boolean, std::nullopt},     // aliases belong to their kind
        {"soft_trigger", K::Command, 5008},     {"software_trigger", K::Command, 5008},
        {"6001", K::Command, std::nullopt},     {"ZR_PTR_XYZ_DATA", K::Pointer, 6004},
    };
    for (const ResolveCase& c : cases) {
        EXPECT_EQ(SdkParameterNames::resolve(c.name, c.kind), c.expected) << "'" << c.name << "'";
    }
}

TEST(SdkValueConversionTest, Integers)
{
    using nlohmann::json;
    EXPECT_EQ(SdkValueConversion::toInt(json(42)), 42);
    EXPECT_EQ(SdkValueConversion::toInt(json(" 0x10 ")), 16);
    EXPECT_EQ(SdkValueConversion::toInt(json("010")), 8);
    EXPECT_FALSE(SdkValueConversion::toInt(json(1.5)).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json("12a")).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json("")).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json(true)).has_value());
    EXPECT_FALSE(SdkValueConversion::toInt(json(4294967296LL)).has_value());   // would wrap in 32 bits
    EXPECT_FALSE(SdkValueConversion::toInt(json("99999999999")).has_value());
}

TEST(SdkValueConversionTest, Floats)
{
    using nlohmann::json;
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json(0.5)), 0.5f);
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json(3)), 3.0f);
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json(" 0.25 ")), 0.25f);
    EXPECT_FLOAT_EQ(*SdkValueConversion::toFloat(json("-1e2")), -100.0f);
    for (const char* bad : {"0.5a", "abc", "", "inf", "nan", "0x1p3", "1e999"}) {
        EXPECT_FALSE(SdkValueConversion::toFloat(json(bad)).has_value()) << bad;
    }
    EXPECT_FALSE(SdkValueConversion::toFloat(json(true)).has_value());
    EXPECT_FALSE(SdkValueConversion::toFloat(json::array()).has_value());
}

TEST(SdkValueConversionTest, Booleans)
{
    using nlohmann::json;
    for (const json& yes : {json(true), json(1), json(-3), json("true"), json(" YES "), json("On"), json("1")}) {
        EXPECT_EQ(SdkValueConversion::toBool(yes), true) << yes.dump();
    }
    for (const json& no : {json(false), json(0), json("FALSE"), json("no"), json("off"), json(" 0 ")}) {
        EXPECT_EQ(SdkValueConversion::toBool(no), false) << no.dump();
    }
    for (const json& bad : {json("maybe"), json(0.5), json(nullptr), json("2"), json::object()}) {
        EXPECT_FALSE(SdkValueConversion::toBool(bad).has_value()) << bad.dump();
    }
}

TEST(FrameTimeTest, UnitBoundaries)
{
    const std::pair<std::uint64_t, std::int64_t> cases[] = {
        {0ULL, 0},
        {1764000000123ULL, 1764000000123LL},                 // one instant of 2025 in every unit
        {1764000000123456ULL, 1764000000123LL},
        {1764000000123456789ULL, 1764000000123LL},
        {100000000000000ULL, 100000000000000LL},             // largest millisecond stamp
        {100000000000001ULL, 100000000000LL},                // smallest microsecond stamp
        {10000000000000000ULL, 10000000000000LL},            // largest microsecond stamp
        {10000000000000001ULL, 10000000000LL},               // smallest nanosecond stamp
        {18446744073709551615ULL, 18446744073709LL},
    };
    for (const auto& [stamp, expected] : cases) {
        EXPECT_EQ(FrameTime::normaliseStamp(stamp), expected) << stamp;
    }
}

TEST(FrameTimeTest, RecordTakesTheLatestStampOfBlocksWithData)
{
    ZrFrameData frame;
    std::memset(&frame, 0, sizeof(frame));
    EXPECT_EQ(FrameTime::ofRecord(frame), 0);   // no block has data

    int dummy = 0;
    frame.blocks[ZR_BLOCK_DEPTH].data = &dummy;
    frame.blocks[ZR_BLOCK_DEPTH].sensorTimestamp = 1764000000100ULL * 1000ULL;   // microseconds
    EXPECT_EQ(FrameTime::ofRecord(frame), 1764000000100LL);

    frame.blocks[ZR_BLOCK_DEPTH].receiveTimestamp = 1764000000105ULL;   // receive stamp wins over sensor
    EXPECT_EQ(FrameTime::ofRecord(frame), 1764000000105LL);

    frame.blocks[ZR_BLOCK_COLOR].data = &dummy;
    frame.blocks[ZR_BLOCK_COLOR].receiveTimestamp = 1764000000110ULL * 1000000ULL;   // nanoseconds
    EXPECT_EQ(FrameTime::ofRecord(frame), 1764000000110LL);

    // A later stamp on a block without data is ignored.
    frame.blocks[ZR_BLOCK_AMPLITUDE].receiveTimestamp = 1764000009999ULL;
    EXPECT_EQ(FrameTime::ofRecord(frame), 1764000000110LL);
}

TEST(SdkImageCopyTest, ImagesAreDeepCopiesOfTheBlockGeometry)
{
    std::vector<std::uint16_t> depth{1, 2, 3, 4, 5, 6};
    cv::Mat image = SdkImageCopy::copyImage(depth.data(), 3, 2, ZR_DATA_TYPE_U16, 1);
    ASSERT_EQ(image.rows, 2);
    ASSERT_EQ(image.cols, 3);
    EXPECT_EQ(image.type(), CV_16UC1);
    EXPECT_EQ(image.at<std::uint16_t>(1, 2), 6);
    depth[5] = 99;   // the library reuses its buffer: the copy must not change
    EXPECT_EQ(image.at<std::uint16_t>(1, 2), 6);

    std::vector<std::uint8_t> rgb(2 * 2 * 3, 7);
    ZrFrameBlock block{};
    block.type = ZR_DATA_TYPE_U8 | 8;   // only the low three bits are the depth code
    block.width = 2;
    block.height = 2;
    block.channels = 3;
    block.data = rgb.data();
    const cv::Mat color = SdkImageCopy::copyBlock(block);
    EXPECT_EQ(color.type(), CV_8UC3);
    EXPECT_EQ(color.at<cv::Vec3b>(1, 1)[2], 7);

    EXPECT_TRUE(SdkImageCopy::copyImage(nullptr, 3, 2, ZR_DATA_TYPE_U16, 1).empty());
    EXPECT_TRUE(SdkImageCopy::copyImage(depth.data(), 0, 2, ZR_DATA_TYPE_U16, 1).empty());
    EXPECT_TRUE(SdkImageCopy::copyImage(depth.data(), 3, -1, ZR_DATA_TYPE_U16, 1).empty());
    EXPECT_TRUE(SdkImageCopy::copyImage(depth.data(), 3, 2, ZR_DATA_TYPE_U16, 0).empty());
}

TEST(SdkImageCopyTest, CloudKeepsEveryPixelInOrder)
{
    const int width = 4, height = 3;
    std::vector<float> xyz(static_cast<std::size_t>(width * height * 3));
    for (std::size_t i = 0; i < xyz.size(); ++i) {
        xyz[i] = static_cast<float>(i);
    }
    xyz[0] = xyz[1] = xyz[2] = 0.0f;   // a pixel without a return stays a point
    corVane::ColorCloud cloud;
    cloud.push_back(pcl::PointXYZRGB());   // old content is replaced
    SdkImageCopy::fillCloud(xyz.data(), width, height, cloud);
    ASSERT_EQ(cloud.size(), 12u);
    EXPECT_EQ(cloud.width, 12u);
    EXPECT_EQ(cloud.height, 1u);
    EXPECT_EQ(cloud.points[0].z, 0.0f);
    EXPECT_EQ(cloud.points[11].x, 33.0f);
    EXPECT_EQ(cloud.points[11].z, 35.0f);
    EXPECT_EQ(cloud.points[11].rgba, 0xff000000u);   // black, opaque
}

}  // namespace
}  // namespace algPlatform
