#include "DisplayImageConverter.h"
#include "ObstacleCameraWorker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include <opencv2/core.hpp>

namespace hazard_desk {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

QRgb depthPixel(float value, float range) {
    cv::Mat image(1, 1, CV_32FC1, cv::Scalar(value));
    const QImage shown = ObstacleCameraWorker::toDisplayImage(image, true, range);
    EXPECT_EQ(shown.format(), QImage::Format_RGB888);
    return shown.pixel(0, 0);
}

struct RampCase {
    const char* name;
    float value;
    float range;
    QRgb expected;
};

TEST(DisplayImageConverter, DepthRampHitsItsStopsAndBlacksOutInvalidDepth) {
    const std::vector<RampCase> cases = {
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
    for (const RampCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(depthPixel(c.value, c.range), c.expected)
            << std::hex << depthPixel(c.value, c.range) << " vs " << c.expected;
    }
}

// Integer depth goes through a per-range table (integer amplitude skips the
// float copy); every value must get the
// colour the ramp gives its float, whatever the range, and a table built for
// one range must not leak into the next.
TEST(DisplayImageConverter, IntegerDepthMatchesTheRampOfItsFloatValue) {
    cv::Mat everyValue(256, 256, CV_16UC1);
    for (int v = 0; v < 65536; ++v) {
        everyValue.at<std::uint16_t>(v / 256, v % 256) = static_cast<std::uint16_t>(v);
    }
    cv::Mat asFloat;
    everyValue.convertTo(asFloat, CV_32F);
    for (float range : {8000.0F, 7000.0F, 333.3F, 0.0F, 8000.0F}) {
        SCOPED_TRACE(range);
        const QImage fromIntegers = ObstacleCameraWorker::toDisplayImage(everyValue, true, range);
        const QImage fromFloats = ObstacleCameraWorker::toDisplayImage(asFloat, true, range);
        ASSERT_EQ(fromIntegers.format(), QImage::Format_RGB888);
        ASSERT_EQ(fromIntegers, fromFloats);
    }
    // Plain mode reads integer amplitudes directly; the stretch must not move.
    cv::Mat amplitude = everyValue(cv::Rect(10, 40, 200, 100)).clone();
    amplitude.at<std::uint16_t>(3, 3) = 0;
    cv::Mat amplitudeFloats;
    amplitude.convertTo(amplitudeFloats, CV_32F);
    const QImage stretched = ObstacleCameraWorker::toDisplayImage(amplitude, false, 0.0F);
    ASSERT_EQ(stretched.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(stretched, ObstacleCameraWorker::toDisplayImage(amplitudeFloats, false, 0.0F));
    EXPECT_EQ(qGray(stretched.pixel(3, 3)), 0);
    cv::Mat bytes = (cv::Mat_<std::uint8_t>(1, 3) << 0, 120, 255);
    const QImage shown = ObstacleCameraWorker::toDisplayImage(bytes, true, 800.0F);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(255, 232, 0));
    EXPECT_EQ(shown.pixel(2, 0), DisplayImageConverter::rampColor(255.0F / 800.0F));
}

std::vector<int> greyRow(const QImage& image) {
    std::vector<int> values;
    for (int x = 0; x < image.width(); ++x) {
        values.push_back(qGray(image.pixel(x, 0)));
    }
    return values;
}

struct PlainCase {
    const char* name;
    cv::Mat image;
    std::vector<int> expected;
};

TEST(DisplayImageConverter, PlainModeStretchesValidValuesOverEightBits) {
    const float largest = std::numeric_limits<float>::max();
    const std::vector<PlainCase> cases = {
        {"min to 0, max to 255", (cv::Mat_<float>(1, 4) << 10.0F, 20.0F, 15.0F, 12.0F), {0, 255, 128, 51}},
        {"invalid values are 0 and ignored for the range",
         (cv::Mat_<float>(1, 6) << 0.0F, 100.0F, kNaN, 200.0F, kInf, -50.0F), {0, 0, 0, 255, 0, 0}},
        {"all equal gives black", (cv::Mat_<float>(1, 3) << 7.0F, 7.0F, 7.0F), {0, 0, 0}},
        {"nothing valid gives black", (cv::Mat_<float>(1, 3) << 0.0F, kNaN, -1.0F), {0, 0, 0}},
        {"the largest finite float is valid", (cv::Mat_<float>(1, 2) << 1.0F, largest), {0, 255}},
        {"sixteen-bit amplitude", (cv::Mat_<std::uint16_t>(1, 3) << 0, 100, 300), {0, 0, 255}},
        {"double image", (cv::Mat_<double>(1, 3) << 1.0, 2.0, 3.0), {0, 128, 255}},
    };
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage shown = ObstacleCameraWorker::toDisplayImage(c.image, false, 1000.0F);
        ASSERT_EQ(shown.format(), QImage::Format_Grayscale8);
        EXPECT_EQ(greyRow(shown), c.expected);
    }
}

TEST(DisplayImageConverter, ColourImagesBecomeGreyInRedGreenBlueOrderFirst) {
    // Pure red and pure blue weigh differently; the first channel is red.
    cv::Mat image(1, 2, CV_8UC3);
    image.at<cv::Vec3b>(0, 0) = cv::Vec3b(255, 0, 0);
    image.at<cv::Vec3b>(0, 1) = cv::Vec3b(0, 0, 255);
    const QImage shown = ObstacleCameraWorker::toDisplayImage(image, false, 0.0F);
    // Red weighs 0.299 and blue 0.114: the red pixel is the brighter one.
    EXPECT_EQ(greyRow(shown), (std::vector<int>{255, 0}));
}

TEST(DisplayImageConverter, EmptyImagesGiveNullImagesAndResultsOwnTheirPixels) {
    EXPECT_TRUE(ObstacleCameraWorker::toDisplayImage(cv::Mat(), true, 1000.0F).isNull());
    EXPECT_TRUE(ObstacleCameraWorker::toDisplayImage(cv::Mat(0, 5, CV_32F), false, 0.0F).isNull());
    EXPECT_TRUE(DisplayImageConverter::toColorImage(cv::Mat()).isNull());

    cv::Mat source = (cv::Mat_<float>(1, 2) << 1.0F, 2.0F);
    const QImage shown = ObstacleCameraWorker::toDisplayImage(source, false, 0.0F);
    source.setTo(cv::Scalar(0));
    EXPECT_EQ(greyRow(shown), (std::vector<int>{0, 255}));
}

TEST(DisplayImageConverter, ColourFramesKeepTheirColours) {
    cv::Mat bgr(1, 1, CV_8UC3, cv::Scalar(10, 20, 30));   // blue 10, green 20, red 30
    const QImage rgb = DisplayImageConverter::toColorImage(bgr);
    EXPECT_EQ(rgb.format(), QImage::Format_RGB888);
    EXPECT_EQ(rgb.pixel(0, 0), qRgb(30, 20, 10));

    cv::Mat rgba(1, 1, CV_8UC4, cv::Scalar(1, 2, 3, 4));
    EXPECT_EQ(DisplayImageConverter::toColorImage(rgba).pixel(0, 0), qRgba(1, 2, 3, 4));

    // Anything else is shown like an amplitude image.
    cv::Mat wide = (cv::Mat_<std::uint16_t>(1, 2) << 100, 200);
    EXPECT_EQ(greyRow(DisplayImageConverter::toColorImage(wide)), (std::vector<int>{0, 255}));
}

}  // namespace
}  // namespace hazard_desk
