#include "DisplayImageConverter.h"

#include "DepthColorRamp.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <limits>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace hazard_desk {
namespace {

float usedDepthRange(float range) {
    return std::isfinite(range) && range > 0.0F ? range : DisplayImageConverter::kDefaultDepthRangeMm;
}

// Min-max stretch of the valid values (> 0 and finite) to 0..255; invalid
// values and an image without spread stay black. Integer images are read as
// they are (every 8- and 16-bit value is exact as a float).
template <typename T>
QImage stretchToGrey(const cv::Mat& values) {
    constexpr double kLargestFinite = std::numeric_limits<float>::max();
    auto valid = [](T v) { return v > T(0) && static_cast<double>(v) <= kLargestFinite; };
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -std::numeric_limits<double>::infinity();
    for (int row = 0; row < values.rows; ++row) {
        const T* in = values.ptr<T>(row);
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
        const T* in = values.ptr<T>(row);
        uchar* out = result.scanLine(row);
        for (int col = 0; col < values.cols; ++col) {
            if (valid(in[col])) {
                out[col] = cv::saturate_cast<uchar>((static_cast<double>(in[col]) - minimum) * scale);
            }
        }
    }
    return result;
}

}  // namespace

QRgb DisplayImageConverter::rampColor(float t) {
    const zavov::RampColor color = zavov::depthRampColor(t);
    return qRgb(color.red, color.green, color.blue);
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

QImage DisplayImageConverter::depthRamp(const cv::Mat& values, float usedRange) {
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

QImage DisplayImageConverter::depthRampOfIntegers(const cv::Mat& image, float range) {
    // Camera depth comes as 16-bit millimetres: every possible value gets its
    // ramp colour once per range, computed exactly as for a float value, and
    // each frame is then a table look-up per pixel.
    struct RampTable {
        float range = 0.0F;
        std::vector<uchar> rgb;
    };
    thread_local RampTable table;
    constexpr int kValues = 1 << 16;
    if (table.rgb.empty() || table.range != range) {
        table.rgb.assign(static_cast<std::size_t>(kValues) * 3, 0);
        for (int value = 1; value < kValues; ++value) {
            const QRgb color = rampColor(static_cast<float>(value) / range);
            uchar* entry = table.rgb.data() + static_cast<std::size_t>(value) * 3;
            entry[0] = static_cast<uchar>(qRed(color));
            entry[1] = static_cast<uchar>(qGreen(color));
            entry[2] = static_cast<uchar>(qBlue(color));
        }
        table.range = range;
    }
    QImage result(image.cols, image.rows, QImage::Format_RGB888);
    const uchar* lut = table.rgb.data();
    for (int row = 0; row < image.rows; ++row) {
        uchar* out = result.scanLine(row);
        if (image.depth() == CV_16U) {
            const std::uint16_t* in = image.ptr<std::uint16_t>(row);
            for (int col = 0; col < image.cols; ++col) {
                std::memcpy(out + 3 * col, lut + 3 * static_cast<std::size_t>(in[col]), 3);
            }
        } else {
            const uchar* in = image.ptr<uchar>(row);
            for (int col = 0; col < image.cols; ++col) {
                std::memcpy(out + 3 * col, lut + 3 * static_cast<std::size_t>(in[col]), 3);
            }
        }
    }
    return result;
}

QImage DisplayImageConverter::plainStretch(const cv::Mat& values) {
    switch (values.depth()) {
    case CV_8U:
        return stretchToGrey<std::uint8_t>(values);
    case CV_16U:
        return stretchToGrey<std::uint16_t>(values);
    default:
        return stretchToGrey<float>(values);
    }
}

QImage DisplayImageConverter::toDisplayImage(const cv::Mat& image, bool depthMode, float range) {
    if (image.empty() || image.rows < 1 || image.cols < 1 || image.dims != 2) {
        return QImage();
    }
    if (image.channels() == 1 && (image.depth() == CV_16U || image.depth() == CV_8U)) {
        // Camera depth and amplitude: no float copy needed.
        return depthMode ? depthRampOfIntegers(image, usedDepthRange(range)) : plainStretch(image);
    }
    const cv::Mat values = singleChannelValues(image);
    return depthMode ? depthRamp(values, usedDepthRange(range)) : plainStretch(values);
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
