#include "DisplayCloudBuilder.h"

#include <cmath>

namespace hazard_desk {
namespace {

bool isRealPoint(const pcl::PointXYZRGB& point) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || !std::isfinite(point.z)) {
        return false;
    }
    return !(point.x == 0.0F && point.y == 0.0F && point.z == 0.0F);
}

void keep(pcl::PointXYZRGB point, corVane::ColorCloud& cloud) {
    if (point.r == 0 && point.g == 0 && point.b == 0) {
        point.r = DisplayCloudBuilder::kUnlitRed;
        point.g = DisplayCloudBuilder::kUnlitGreen;
        point.b = DisplayCloudBuilder::kUnlitBlue;
    }
    cloud.points.push_back(point);
}

}  // namespace

DisplayCloudBuilder::Result DisplayCloudBuilder::build(const corVane::ColorCloud* source, const QImage& depthDisplay) {
    Result result;
    result.cloud.reset(new corVane::ColorCloud);
    const std::size_t count = source != nullptr ? source->points.size() : 0;
    const bool depthMatches = !depthDisplay.isNull() && count > 0 &&
                              static_cast<qint64>(depthDisplay.width()) * depthDisplay.height() ==
                                  static_cast<qint64>(count);
    corVane::ColorCloud& cloud = *result.cloud;
    cloud.points.reserve(count);

    if (depthMatches) {
        // The worker's depth images are RGB888 already (no copy then); each
        // pixel is three plain bytes, and pixel (column, row) is point
        // row * width + column of the cloud.
        const QImage depth = depthDisplay.convertToFormat(QImage::Format_RGB888);
        const int width = depth.width();
        result.depthPixels.reserve(static_cast<int>(count));
        for (int row = 0; row < depth.height(); ++row) {
            const uchar* rgb = depth.constScanLine(row);
            const int first = row * width;
            for (int column = 0; column < width; ++column, rgb += 3) {
                const pcl::PointXYZRGB& point = source->points[static_cast<std::size_t>(first + column)];
                if ((rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0) || !isRealPoint(point)) {
                    continue;
                }
                keep(point, cloud);
                result.depthPixels.push_back(first + column);
            }
        }
    } else {
        for (std::size_t index = 0; index < count; ++index) {
            if (isRealPoint(source->points[index])) {
                keep(source->points[index], cloud);
            }
        }
    }
    cloud.width = static_cast<std::uint32_t>(cloud.points.size());
    cloud.height = 1;
    cloud.is_dense = false;
    return result;
}

}  // namespace hazard_desk
