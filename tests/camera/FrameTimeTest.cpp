#include "FrameTime.h"
#include "SdkImageCopy.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ZrCameraTypes.h"

namespace algPlatform {
namespace {

TEST(FrameTimeTest, UnitBoundaries)
{
    const std::pair<std::uint64_t, std::int64_t> cases[] = {
        {0ULL, 0},
        {1ULL, 1},
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
