#include "LiveCloudColorizer.h"

#include "DepthColorRamp.h"
#include "RotationConversion.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace hazard_desk {
namespace {

constexpr int kBytesPerPixel = 3;

double length(const pcl::PointXYZRGB& p) {
    return std::sqrt(static_cast<double>(p.x) * p.x + static_cast<double>(p.y) * p.y + static_cast<double>(p.z) * p.z);
}

// The given range, or the distance of the farthest finite point.
double distanceRange(const corVane::ColorCloud& cloud, double maxDepthMm) {
    if (std::isfinite(maxDepthMm) && maxDepthMm > 0.0) {
        return maxDepthMm;
    }
    double farthest = 0.0;
    for (const pcl::PointXYZRGB& p : cloud.points) {
        const double d = length(p);
        if (std::isfinite(d)) {
            farthest = std::max(farthest, d);
        }
    }
    return farthest;
}

bool pixelsMatch(const QImage& pixels, const QVector<int>& depthPixels, std::size_t points) {
    if (pixels.isNull() || static_cast<std::size_t>(depthPixels.size()) != points) {
        return false;
    }
    const qint64 count = static_cast<qint64>(pixels.width()) * pixels.height();
    return std::all_of(depthPixels.cbegin(), depthPixels.cend(), [count](int i) { return i >= 0 && i < count; });
}

void setColor(pcl::PointXYZRGB& p, QRgb color) {
    p.r = static_cast<std::uint8_t>(qRed(color));
    p.g = static_cast<std::uint8_t>(qGreen(color));
    p.b = static_cast<std::uint8_t>(qBlue(color));
}

}  // namespace

LiveCloudScene LiveCloudColorizer::colorize(const corVane::ColorCloud& cameraCloud, const QVector<int>& depthPixels,
                                            const QImage& depth, const LiveCloudStyle& style) {
    LiveCloudScene scene;
    scene.depth = depth;
    const std::size_t count = cameraCloud.points.size();
    auto cloud = std::make_shared<corVane::ColorCloud>();
    cloud->points.reserve(count);
    cloud->width = static_cast<std::uint32_t>(count);
    cloud->height = 1;
    cloud->is_dense = false;
    scene.cloud = cloud;

    // The worker's depth images are RGB888 already: no conversion then.
    const QImage pixels = depth.isNull() ? QImage() : depth.convertToFormat(QImage::Format_RGB888);
    const bool mapped = pixelsMatch(pixels, depthPixels, count);
    const int width = mapped ? pixels.width() : 1;
    const qsizetype bytesPerLine = mapped ? pixels.bytesPerLine() : 0;
    const bool packedRows = bytesPerLine == static_cast<qsizetype>(width) * kBytesPerPixel;
    auto pixelOffset = [&](int index) -> qsizetype {
        return packedRows ? static_cast<qsizetype>(index) * kBytesPerPixel
                          : (index / width) * bytesPerLine + (index % width) * kBytesPerPixel;
    };
    const uchar* source = mapped ? pixels.constBits() : nullptr;
    const bool byDistance = style.pseudoColor && !mapped;
    const double range = byDistance ? distanceRange(cameraCloud, style.maxDepthMm) : 0.0;

    const Extrinsics& pose = style.extrinsics;
    const RotationMatrix r = rotationFromEulerDegrees(pose.roll, pose.pitch, pose.yaw);
    // Most points lie far from the zones: a box around each volume turns them
    // away before the exact test.
    const std::optional<zavov::VolumeBounds> dangerBounds =
        style.zones.danger ? zavov::volumeBounds(*style.zones.danger) : std::nullopt;
    const std::optional<zavov::VolumeBounds> warningBounds =
        style.zones.warning ? zavov::volumeBounds(*style.zones.warning) : std::nullopt;
    const bool anyZone = dangerBounds.has_value() || warningBounds.has_value();
    QImage repainted;
    uchar* target = nullptr;

    for (std::size_t i = 0; i < count; ++i) {
        cloud->points.push_back(cameraCloud.points[i]);
        pcl::PointXYZRGB& p = cloud->points.back();
        if (style.pseudoColor) {
            if (mapped) {
                const uchar* rgb = source + pixelOffset(depthPixels[static_cast<int>(i)]);
                p.r = rgb[0];
                p.g = rgb[1];
                p.b = rgb[2];
            } else {
                const zavov::RampColor color = zavov::depthRampColor(static_cast<float>(length(p) / range));
                p.r = color.red;
                p.g = color.green;
                p.b = color.blue;
            }
        }
        const double x = p.x;
        const double y = p.y;
        const double z = p.z;
        p.x = static_cast<float>(r[0] * x + r[1] * y + r[2] * z + pose.x);
        p.y = static_cast<float>(r[3] * x + r[4] * y + r[5] * z + pose.y);
        p.z = static_cast<float>(r[6] * x + r[7] * y + r[8] * z + pose.z);
        if (!anyZone) {
            continue;
        }
        // Tested where the point is drawn: at its single-precision position.
        const double vx = p.x;
        const double vy = p.y;
        const double vz = p.z;
        QRgb color = 0;
        if (dangerBounds && dangerBounds->holds(vx, vy, vz) && zavov::volumeContainsPoint(*style.zones.danger, vx, vy, vz)) {
            color = kDangerColor;
            ++scene.dangerPoints;
        } else if (warningBounds && warningBounds->holds(vx, vy, vz) &&
                   zavov::volumeContainsPoint(*style.zones.warning, vx, vy, vz)) {
            color = kWarningColor;
            ++scene.warningPoints;
        } else {
            continue;
        }
        setColor(p, color);
        if (!mapped) {
            continue;
        }
        if (target == nullptr) {
            repainted = pixels;
            target = repainted.bits();   // the first zone pixel detaches the copy
        }
        uchar* rgb = target + pixelOffset(depthPixels[static_cast<int>(i)]);
        rgb[0] = static_cast<uchar>(qRed(color));
        rgb[1] = static_cast<uchar>(qGreen(color));
        rgb[2] = static_cast<uchar>(qBlue(color));
    }
    if (target != nullptr) {
        scene.depth = repainted;
    }
    return scene;
}

}  // namespace hazard_desk
