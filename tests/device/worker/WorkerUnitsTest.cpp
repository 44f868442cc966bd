// The worker's display images on their own: the integer paths against the
// float path they stand in for.
#include "ObstacleCameraWorker.h"

#include <gtest/gtest.h>


#include <opencv2/core.hpp>

namespace hazard_desk {
namespace {

QImage shownImage(const cv::Mat& image, bool depth, float range) {
    return ObstacleCameraWorker::toDisplayImage(image, depth, range);
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
}

}  // namespace
}  // namespace hazard_desk
