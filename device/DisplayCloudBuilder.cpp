#include "DisplayCloudBuilder.h"

#include <cmath>

namespace hazard_desk {

DisplayCloudBuilder::Result DisplayCloudBuilder::build(const corVane::ColorCloud* source, const QImage& depthDisplay) {
    Result result;
    result.cloud.reset(new corVane::ColorCloud);
    const std::size_t count = source != nullptr ? source->points.size() : 0;
    const bool depthMatches = !depthDisplay.isNull() && count > 0 &&
                              static_cast<qint64>(depthDisplay.width()) * depthDisplay.height() ==
                                  static_cast<qint64>(count);
    // The worker's depth images are RGB888 already (no copy then); each pixel
    // is three plain bytes.
    const QImage depth = depthMatches ? depthDisplay.convertToFormat(QImage::Format_RGB888) : QImage();
    const int depthWidth = depth.width();

    result.cloud->points.reserve(count);
    if (depthMatches) {
        result.depthPixels.reserve(static_cast<int>(count));
    }
    for (std::size_t index = 0; index < count; ++index) {
        pcl::PointXYZRGB point = source->points[index];
        if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z)) {
            continue;
        }
        if (point.x == 0.0F && point.y == 0.0F && point.z == 0.0F) {
            continue;
        }
        if (depthMatches) {
            const int pixel = static_cast<int>(index);
            const uchar* rgb = depth.constScanLine(pixel / depthWidth) + 3 * (pixel % depthWidth);
            if (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0) {
                continue;
            }
        }
        if (point.r == 0 && point.g == 0 && point.b == 0) {
            point.r = kUnlitRed;
            point.g = kUnlitGreen;
            point.b = kUnlitBlue;
        }
        result.cloud->points.push_back(point);
        if (depthMatches) {
            result.depthPixels.push_back(static_cast<int>(index));
        }
    }
    result.cloud->width = static_cast<std::uint32_t>(result.cloud->points.size());
    result.cloud->height = 1;
    result.cloud->is_dense = false;
    return result;
}

}  // namespace hazard_desk
