#include "DisplayImageConverter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace hazard_desk {
namespace {

struct RampStop {
    float t;
    int red;
    int green;
    int blue;
};

// Near is warm, far is cool.
constexpr std::array<RampStop, 5> kDepthRamp{{{0.00F, 255, 96, 0},
                                              {0.15F, 255, 232, 0},
                                              {0.35F, 72, 232, 0},
                                              {0.65F, 0, 220, 225},
                                              {1.00F, 30, 90, 255}}};

int interpolateChannel(int from, int to, float fraction) {
    return static_cast<int>(std::lround(from + (to - from) * static_cast<double>(fraction)));
}

}  // namespace

QRgb DisplayImageConverter::rampColor(float t) {
    const float clamped = std::isfinite(t) ? std::clamp(t, 0.0F, 1.0F) : 0.0F;
    for (std::size_t i = 1; i < kDepthRamp.size(); ++i) {
        const RampStop& low = kDepthRamp[i - 1];
        const RampStop& high = kDepthRamp[i];
        if (clamped <= high.t) {
            const float fraction = (clamped - low.t) / (high.t - low.t);
            return qRgb(interpolateChannel(low.red, high.red, fraction),
                        interpolateChannel(low.green, high.green, fraction),
                        interpolateChannel(low.blue, high.blue, fraction));
        }
    }
    const RampStop& last = kDepthRamp.back();
    return qRgb(last.red, last.green, last.blue);
}

cv::Mat DisplayImageConverter::singleChannelValues(const cv::Mat& image) {
    cv::Mat values = image;
    // The colour conversion handles 8-bit, 16-bit and float images only.
    const int depth = values.depth();
    if (depth != CV_8U && depth != CV_16U && depth != CV_32F) {
        values.convertTo(values, CV_32F);
    }
    if (values.channels() == 3) {
        cv::cvtColor(values, values, cv::COLOR_RGB2GRAY);
    } else if (values.channels() == 4) {
        cv::cvtColor(values, values, cv::COLOR_RGBA2GRAY);
    } else if (values.channels() != 1) {
        cv::Mat first;
        cv::extractChannel(values, first, 0);
        values = first;
    }
    cv::Mat floats;
    values.convertTo(floats, CV_32F);
    if (floats.data == image.data) {
        floats = floats.clone();
    }
    cv::patchNaNs(floats, 0.0);
    return floats;
}

QImage DisplayImageConverter::depthRamp(const cv::Mat& values, float range) {
    const float usedRange = std::isfinite(range) && range > 0.0F ? range : kDefaultDepthRangeMm;
    QImage result(values.cols, values.rows, QImage::Format_RGB888);
    for (int row = 0; row < values.rows; ++row) {
        const float* in = values.ptr<float>(row);
        uchar* out = result.scanLine(row);
        for (int col = 0; col < values.cols; ++col) {
            const float value = in[col];
            QRgb color = qRgb(0, 0, 0);
            if (std::isfinite(value) && value > 0.0F) {
                color = rampColor(value / usedRange);
            }
            out[3 * col] = static_cast<uchar>(qRed(color));
            out[3 * col + 1] = static_cast<uchar>(qGreen(color));
            out[3 * col + 2] = static_cast<uchar>(qBlue(color));
        }
    }
    return result;
}

QImage DisplayImageConverter::plainStretch(const cv::Mat& values) {
    constexpr float kLargestFinite = std::numeric_limits<float>::max();
    auto valid = [](float v) { return v > 0.0F && v <= kLargestFinite; };
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -std::numeric_limits<double>::infinity();
    for (int row = 0; row < values.rows; ++row) {
        const float* in = values.ptr<float>(row);
        for (int col = 0; col < values.cols; ++col) {
            if (valid(in[col])) {
                minimum = std::min(minimum, static_cast<double>(in[col]));
                maximum = std::max(maximum, static_cast<double>(in[col]));
            }
        }
    }
    QImage result(values.cols, values.rows, QImage::Format_Grayscale8);
    result.fill(0);
    if (!std::isfinite(maximum) || !(maximum > minimum)) {
        return result;
    }
    const double scale = 255.0 / (maximum - minimum);
    for (int row = 0; row < values.rows; ++row) {
        const float* in = values.ptr<float>(row);
        uchar* out = result.scanLine(row);
        for (int col = 0; col < values.cols; ++col) {
            if (valid(in[col])) {
                out[col] = cv::saturate_cast<uchar>((in[col] - minimum) * scale);
            }
        }
    }
    return result;
}

QImage DisplayImageConverter::toDisplayImage(const cv::Mat& image, bool depthMode, float range) {
    if (image.empty() || image.rows < 1 || image.cols < 1 || image.dims != 2) {
        return QImage();
    }
    const cv::Mat values = singleChannelValues(image);
    return depthMode ? depthRamp(values, range) : plainStretch(values);
}

QImage DisplayImageConverter::toColorImage(const cv::Mat& image) {
    if (image.empty() || image.rows < 1 || image.cols < 1 || image.dims != 2) {
        return QImage();
    }
    if (image.depth() != CV_8U || (image.channels() != 1 && image.channels() != 3 && image.channels() != 4)) {
        return toDisplayImage(image, false, 0.0F);
    }
    QImage result;
    cv::Mat rows = image;
    if (image.channels() == 1) {
        result = QImage(image.cols, image.rows, QImage::Format_Grayscale8);
    } else if (image.channels() == 3) {
        cv::cvtColor(image, rows, cv::COLOR_BGR2RGB);
        result = QImage(image.cols, image.rows, QImage::Format_RGB888);
    } else {
        result = QImage(image.cols, image.rows, QImage::Format_RGBA8888);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(image.cols) * image.elemSize();
    for (int row = 0; row < image.rows; ++row) {
        std::memcpy(result.scanLine(row), rows.ptr(row), rowBytes);
    }
    return result;
}

}  // namespace hazard_desk
