#include "MatFromImage.h"

#include <QImage>

#include <opencv2/imgproc.hpp>

namespace hazard_desk {
namespace {

// A view of the image's pixels, rows bytesPerLine apart.
cv::Mat view(const QImage& image, int type) {
    return cv::Mat(image.height(), image.width(), type, const_cast<uchar*>(image.constBits()),
                   static_cast<std::size_t>(image.bytesPerLine()));
}

}  // namespace

cv::Mat matFromImage(const QImage& image) {
    if (image.isNull()) {
        return cv::Mat();
    }
    switch (image.format()) {
        case QImage::Format_Grayscale8: return view(image, CV_8UC1).clone();
        case QImage::Format_Grayscale16: return view(image, CV_16UC1).clone();
        default: break;
    }
    cv::Mat result;
    if (image.hasAlphaChannel()) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        cv::cvtColor(view(rgba, CV_8UC4), result, cv::COLOR_RGBA2BGRA);
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        cv::cvtColor(view(rgb, CV_8UC3), result, cv::COLOR_RGB2BGR);
    }
    return result;
}

}  // namespace hazard_desk
