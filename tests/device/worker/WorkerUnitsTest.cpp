// The worker's small helpers on their own: display images and clouds, the
// failure back-off, the frame-rate meter, the descriptor map it puts on its
// signals and the process's memory policy.
#include "CameraDescriptorMap.h"
#include "ColorPoint.h"
#include "DisplayCloudBuilder.h"
#include "DisplayImageConverter.h"
#include "FrameFailureBackoff.h"
#include "FrameHeapPolicy.h"
#include "FrameRateMeter.h"
#include "ObstacleCameraWorker.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>

namespace hazard_desk {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

QImage shownImage(const cv::Mat& image, bool depth, float range) {
    return ObstacleCameraWorker::toDisplayImage(image, depth, range);
}

TEST(DisplayImageConverter, DepthRampHitsItsStopsAndBlacksOutInvalidDepth) {
    struct Case {
        const char* name;
        float value;
        float range;
        QRgb expected;
    };
    const std::vector<Case> cases = {
        {"stop 0.15", 150.0F, 1000.0F, qRgb(255, 232, 0)},
        {"stop 0.35", 350.0F, 1000.0F, qRgb(72, 232, 0)},
        {"stop 0.65", 650.0F, 1000.0F, qRgb(0, 220, 225)},
        {"stop 1.00", 1000.0F, 1000.0F, qRgb(30, 90, 255)},
        {"beyond range clamps", 5000.0F, 1000.0F, qRgb(30, 90, 255)},
        {"tiny depth is nearly the first stop", 0.001F, 1000.0F, qRgb(255, 96, 0)},
        {"halfway to 0.15 rounds per channel", 75.0F, 1000.0F, qRgb(255, 164, 0)},
        {"a quarter between 0.15 and 0.35", 200.0F, 1000.0F, qRgb(209, 232, 0)},
        {"zero is no depth", 0.0F, 1000.0F, qRgb(0, 0, 0)},
        {"NaN is no depth", kNaN, 1000.0F, qRgb(0, 0, 0)},
        {"infinity is no depth", kInf, 1000.0F, qRgb(0, 0, 0)},
        {"no range uses 8000", 4000.0F, 0.0F, DisplayImageConverter::rampColor(0.5F)},
        {"NaN range uses 8000", 8000.0F, kNaN, qRgb(30, 90, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage shown = shownImage(cv::Mat(1, 1, CV_32FC1, cv::Scalar(c.value)), true, c.range);
        ASSERT_EQ(shown.format(), QImage::Format_RGB888);
        EXPECT_EQ(shown.pixel(0, 0), c.expected) << std::hex << shown.pixel(0, 0) << " vs " << c.expected;
    }
}

// Integer depth goes through a per-range table (integer amplitude skips the
// float copy); every value must get the colour the ramp gives its float,
// whatever the range, and a table built for one range must not leak into the next.
TEST(DisplayImageConverter, IntegerImagesMatchThePathOfTheirFloatValues) {
    cv::Mat everyValue(256, 256, CV_16UC1);
    for (int v = 0; v < 65536; ++v) {
        everyValue.at<std::uint16_t>(v / 256, v % 256) = static_cast<std::uint16_t>(v);
    }
    cv::Mat asFloat;
    everyValue.convertTo(asFloat, CV_32F);
    for (float range : {8000.0F, 7000.0F, 333.3F, 0.0F, 8000.0F}) {
        SCOPED_TRACE(range);
        const QImage fromIntegers = shownImage(everyValue, true, range);
        ASSERT_EQ(fromIntegers.format(), QImage::Format_RGB888);
        ASSERT_EQ(fromIntegers, shownImage(asFloat, true, range));
    }
    cv::Mat amplitude = everyValue(cv::Rect(10, 40, 200, 100)).clone();
    amplitude.at<std::uint16_t>(3, 3) = 0;
    cv::Mat amplitudeFloats;
    amplitude.convertTo(amplitudeFloats, CV_32F);
    const QImage stretched = shownImage(amplitude, false, 0.0F);
    ASSERT_EQ(stretched.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(stretched, shownImage(amplitudeFloats, false, 0.0F));
    EXPECT_EQ(qGray(stretched.pixel(3, 3)), 0);
    const QImage bytes = shownImage((cv::Mat_<std::uint8_t>(1, 3) << 0, 120, 255), true, 800.0F);
    EXPECT_EQ(bytes.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(bytes.pixel(1, 0), qRgb(255, 232, 0));
    EXPECT_EQ(bytes.pixel(2, 0), DisplayImageConverter::rampColor(255.0F / 800.0F));
}

std::vector<int> greyRow(const QImage& image) {
    std::vector<int> values;
    for (int x = 0; x < image.width(); ++x) {
        values.push_back(qGray(image.pixel(x, 0)));
    }
    return values;
}

TEST(DisplayImageConverter, PlainModeStretchesValidValuesOverEightBits) {
    const float largest = std::numeric_limits<float>::max();
    cv::Mat redThenBlue(1, 2, CV_8UC3);   // red weighs 0.299, blue 0.114: red is brighter
    redThenBlue.at<cv::Vec3b>(0, 0) = cv::Vec3b(255, 0, 0);
    redThenBlue.at<cv::Vec3b>(0, 1) = cv::Vec3b(0, 0, 255);
    struct Case {
        const char* name;
        cv::Mat image;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {"min to 0, max to 255", (cv::Mat_<float>(1, 4) << 10.0F, 20.0F, 15.0F, 12.0F), {0, 255, 128, 51}},
        {"invalid values are 0 and ignored for the range",
         (cv::Mat_<float>(1, 6) << 0.0F, 100.0F, kNaN, 200.0F, kInf, -50.0F), {0, 0, 0, 255, 0, 0}},
        {"all equal gives black", (cv::Mat_<float>(1, 3) << 7.0F, 7.0F, 7.0F), {0, 0, 0}},
        {"nothing valid gives black", (cv::Mat_<float>(1, 3) << 0.0F, kNaN, -1.0F), {0, 0, 0}},
        {"the largest finite float is valid", (cv::Mat_<float>(1, 2) << 1.0F, largest), {0, 255}},
        {"sixteen-bit amplitude", (cv::Mat_<std::uint16_t>(1, 3) << 0, 100, 300), {0, 0, 255}},
        {"double image", (cv::Mat_<double>(1, 3) << 1.0, 2.0, 3.0), {0, 128, 255}},
        {"colour, red channel first", redThenBlue, {255, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage shown = shownImage(c.image, false, 1000.0F);
        ASSERT_EQ(shown.format(), QImage::Format_Grayscale8);
        EXPECT_EQ(greyRow(shown), c.expected);
    }
}

TEST(DisplayImageConverter, ColourFramesKeepTheirColoursAndResultsOwnTheirPixels) {
    EXPECT_TRUE(shownImage(cv::Mat(), true, 1000.0F).isNull());
    EXPECT_TRUE(shownImage(cv::Mat(0, 5, CV_32F), false, 0.0F).isNull());
    EXPECT_TRUE(DisplayImageConverter::toColorImage(cv::Mat()).isNull());
    const QImage rgb = DisplayImageConverter::toColorImage(cv::Mat(1, 1, CV_8UC3, cv::Scalar(10, 20, 30)));
    EXPECT_EQ(rgb.format(), QImage::Format_RGB888);
    EXPECT_EQ(rgb.pixel(0, 0), qRgb(30, 20, 10));
    EXPECT_EQ(DisplayImageConverter::toColorImage(cv::Mat(1, 1, CV_8UC4, cv::Scalar(1, 2, 3, 4))).pixel(0, 0),
              qRgba(1, 2, 3, 4));
    // Anything else is shown like an amplitude image.
    EXPECT_EQ(greyRow(DisplayImageConverter::toColorImage((cv::Mat_<std::uint16_t>(1, 2) << 100, 200))),
              (std::vector<int>{0, 255}));
    cv::Mat source = (cv::Mat_<float>(1, 2) << 1.0F, 2.0F);
    const QImage shown = shownImage(source, false, 0.0F);
    source.setTo(cv::Scalar(0));
    EXPECT_EQ(greyRow(shown), (std::vector<int>{0, 255}));
}

QImage litDepthImage(int width, int height, int blackIndex) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(qRgb(255, 96, 0));
    image.setPixel(blackIndex % width, blackIndex / width, qRgb(0, 0, 0));
    return image;
}

// A 3 x 2 organised cloud: a lit point, an unlit point, a NaN, the origin, a
// point under the black depth pixel and one more lit point.
TEST(DisplayCloudBuilder, MatchingDepthImageDropsUnseenPointsAndNamesEachPixel) {
    using test::colorPoint;
    corVane::ColorCloud cloud;
    cloud.width = 3;
    cloud.height = 2;
    cloud.points = {colorPoint(1, 2, 3, 10, 20, 30), colorPoint(4, 5, 6), colorPoint(kNaN, 1, 1),
                    colorPoint(0, 0, 0, 9, 9, 9),    colorPoint(7, 8, 9, 1, 1, 1), colorPoint(0, 0, 5, 50, 60, 70)};
    const DisplayCloudBuilder::Result result = DisplayCloudBuilder::build(&cloud, litDepthImage(3, 2, 4));
    ASSERT_EQ(result.cloud->points.size(), 3U);
    EXPECT_EQ(result.depthPixels, (QVector<int>{0, 1, 5}));
    EXPECT_EQ(result.cloud->width, 3U);
    EXPECT_EQ(result.cloud->height, 1U);
    // Lit points keep their colour; an unlit one is tinted so it stays visible.
    EXPECT_EQ(result.cloud->points[0].r, 10);
    EXPECT_EQ(result.cloud->points[1].r, 160);
    EXPECT_EQ(result.cloud->points[1].g, 170);
    EXPECT_EQ(result.cloud->points[1].b, 180);
    EXPECT_EQ(result.cloud->points[2].z, 5.0F);
    // A depth image that does not match keeps every real point, without pixels.
    for (const QImage& other : {litDepthImage(2, 2, 0), QImage(), litDepthImage(4, 2, 0)}) {
        const DisplayCloudBuilder::Result unmatched = DisplayCloudBuilder::build(&cloud, other);
        EXPECT_EQ(unmatched.cloud->points.size(), 4U) << other.width();
        EXPECT_TRUE(unmatched.depthPixels.isEmpty());
    }
    const DisplayCloudBuilder::Result none = DisplayCloudBuilder::build(nullptr, litDepthImage(1, 1, 0));
    ASSERT_TRUE(none.cloud);
    EXPECT_TRUE(none.cloud->points.empty());
}

TEST(FrameFailureBackoff, IntervalsGrowWithTheRunAndOnlyFirstAndEveryThirtiethAreLogged) {
    FrameFailureBackoff backoff;
    const QString error = QStringLiteral("baseCamera 获取新帧失败");
    for (int failure = 1; failure <= 61; ++failure) {
        const FrameFailureBackoff::Step step = backoff.recordFailure(error);
        EXPECT_EQ(step.intervalMs, failure <= 2 ? 50 : failure <= 9 ? 250 : 1000) << failure;
        EXPECT_EQ(step.log, failure == 1 || failure == 30 || failure == 60) << failure;
    }
    EXPECT_EQ(backoff.recordSuccess(), 50);
    EXPECT_EQ(backoff.failures(), 0);
    // A reconnecting camera gets the slowest pace at once, a new run logs again;
    // after it, a plain failure is judged by the run length.
    const FrameFailureBackoff::Step reconnecting = backoff.recordFailure(QStringLiteral("相机正在重连"));
    EXPECT_EQ(reconnecting.intervalMs, 1000);
    EXPECT_TRUE(reconnecting.log);
    EXPECT_EQ(backoff.recordFailure(error).intervalMs, 50);
}

TEST(FrameRateMeter, RateIsCountedOverAtLeastOneSecond) {
    auto now = std::make_shared<qint64>(5000);
    FrameRateMeter meter([now]() { return *now; });
    for (int frame = 0; frame < 19; ++frame) {
        *now += 50;
        meter.frameDelivered();
    }
    EXPECT_FLOAT_EQ(meter.measuredFps(), 0.0F);   // 950 ms: no window closed yet
    *now += 50;
    meter.frameDelivered();
    EXPECT_FLOAT_EQ(meter.measuredFps(), 20.0F);
    EXPECT_EQ(meter.frameCount(), 0);
    for (int frame = 0; frame < 5; ++frame) {   // a slow window: 5 frames over 2500 ms
        *now += 500;
        meter.frameDelivered();
    }
    EXPECT_FLOAT_EQ(meter.measuredFps(), 2.0F);
    meter.restart();
    EXPECT_EQ(meter.frameCount(), 0);
}

TEST(CameraDescriptorMap, RoundTripKeepsWhatTheConnectionDoesNotDetermine) {
    CameraDescriptor d;
    d.ip = QStringLiteral("127.0.10.1");
    d.serial = QStringLiteral("SN");
    d.discoveryHandle = 0x1234567890ULL;   // beyond 32 bits
    d.sdkDeviceType = 1005;
    d.maxDepthMm = 7000;
    d.rgbAvailable = true;
    d.cameraType = 0;
    const CameraDescriptor back = CameraDescriptorMap::fromMap(CameraDescriptorMap::toMap(d));
    EXPECT_EQ(back.ip, d.ip);
    EXPECT_EQ(back.serial, d.serial);
    EXPECT_EQ(back.discoveryHandle, d.discoveryHandle);
    EXPECT_EQ(back.sdkDeviceType, 1005);
    EXPECT_EQ(back.cameraType, 0);
    // What the connection reads again is not carried back.
    EXPECT_EQ(back.maxDepthMm, 0);
    EXPECT_FALSE(back.rgbAvailable);
    EXPECT_EQ(CameraDescriptorMap::fromMap(QVariantMap{{QStringLiteral("ip"), d.ip}}).cameraType, -1);
}

// On Linux the policy must really reach the C library (a build that cannot
// see the library's knobs silently streams with page faults on every frame).
TEST(FrameHeapPolicy, TakesEffectWhereTheCLibraryOffersIt) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer owns the heap and ignores its knobs";
#elif defined(__linux__)
    EXPECT_TRUE(FrameHeapPolicy::apply());
#else
    GTEST_SKIP() << "no heap knobs on this platform";
#endif
}

}  // namespace
}  // namespace hazard_desk
