#pragma once
// Camera images as the window shows them: depth through a colour ramp over the
// camera's range, amplitude and other single-value images stretched to grey,
// colour images in the display's byte order. Every result owns its pixels.
// Pure functions of the image; safe on any thread.
#include <QImage>

#include <opencv2/core/mat.hpp>

namespace hazard_desk {

class DisplayImageConverter {
public:
    static constexpr float kDefaultDepthRangeMm = 8000.0F;

    // depthMode: ramp over range (8000 when range is not finite and positive),
    // giving RGB888; otherwise min-max stretch of the valid (> 0, finite)
    // values, giving Grayscale8. Empty input gives a null image.
    static QImage toDisplayImage(const cv::Mat& image, bool depthMode, float range);

    // The colour image of a frame: 8-bit grey, BGR and four-channel images
    // keep their colours; anything else goes through the plain conversion.
    static QImage toColorImage(const cv::Mat& image);

    // Ramp colour (red, green, blue) for t in 0..1, rounded per channel.
    static QRgb rampColor(float t);

private:
    static cv::Mat singleChannelValues(const cv::Mat& image);
    static QImage depthRamp(const cv::Mat& values, float range);
    static QImage depthRampOfIntegers(const cv::Mat& image, float range);
    static QImage plainStretch(const cv::Mat& values);
};

}  // namespace hazard_desk
