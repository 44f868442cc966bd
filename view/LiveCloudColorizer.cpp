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

std::optional<zavov::VolumeBounds> unionOf(const std::optional<zavov::VolumeBounds>& a,
                                           const std::optional<zavov::VolumeBounds>& b) {
    if (!a || !b) {
        return a ? a : b;
    }
    return zavov::VolumeBounds{std::min(a->minX, b->minX), std::max(a->maxX, b->maxX), std::min(a->minY, b->minY),
                               std::max(a->maxY, b->maxY), std::min(a->minZ, b->minZ), std::max(a->maxZ, b->maxZ)};
}

bool pixelsMatch(const QImage& pixels, const QVector<int>& depthPixels, std::size_t points) {
    if (pixels.isNull() || static_cast<std::size_t>(depthPixels.size()) != points) {
        return false;
    }
    const qint64 count = static_cast<qint64>(pixels.width()) * pixels.height();
    return std::all_of(depthPixels.cbegin(), depthPixels.cend(), [count](int i) { return i >= 0 && i < count; });
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
    const RotationMatrix rotation = rotationFromEulerDegrees(pose.roll, pose.pitch, pose.yaw);
    // In locals: the byte writes below may alias anything in memory.
    const double r00 = rotation[0], r01 = rotation[1], r02 = rotation[2];
    const double r10 = rotation[3], r11 = rotation[4], r12 = rotation[5];
    const double r20 = rotation[6], r21 = rotation[7], r22 = rotation[8];
    const double tx = pose.x, ty = pose.y, tz = pose.z;
    // Most points lie far from the zones: a box around each volume, and one
    // around both, turn them away before the exact test.
    const std::optional<zavov::VolumeBounds> dangerBounds =
        style.zones.danger ? zavov::volumeBounds(*style.zones.danger) : std::nullopt;
    const std::optional<zavov::VolumeBounds> warningBounds =
        style.zones.warning ? zavov::volumeBounds(*style.zones.warning) : std::nullopt;
    const std::optional<zavov::VolumeBounds> zoneBounds = unionOf(dangerBounds, warningBounds);
    QImage repainted;
    uchar* target = nullptr;

    const bool fromPixels = style.pseudoColor && mapped;
    for (std::size_t i = 0; i < count; ++i) {
        const pcl::PointXYZRGB& in = cameraCloud.points[i];
        std::uint8_t red = in.r;
        std::uint8_t green = in.g;
        std::uint8_t blue = in.b;
        const qsizetype pixel = mapped ? pixelOffset(depthPixels[static_cast<int>(i)]) : 0;
        if (fromPixels) {
            red = source[pixel];
            green = source[pixel + 1];
            blue = source[pixel + 2];
        } else if (byDistance) {
            const zavov::RampColor color = zavov::depthRampColor(static_cast<float>(length(in) / range));
            red = color.red;
            green = color.green;
            blue = color.blue;
        }
        const double x = in.x;
        const double y = in.y;
        const double z = in.z;
        const float vx = static_cast<float>(r00 * x + r01 * y + r02 * z + tx);
        const float vy = static_cast<float>(r10 * x + r11 * y + r12 * z + ty);
        const float vz = static_cast<float>(r20 * x + r21 * y + r22 * z + tz);
        // Tested where the point is drawn: at its single-precision position.
        QRgb zone = 0;
        if (zoneBounds && zoneBounds->holds(vx, vy, vz)) {
            if (dangerBounds && dangerBounds->holds(vx, vy, vz) &&
                zavov::volumeContainsPoint(*style.zones.danger, vx, vy, vz)) {
                zone = kDangerColor;
                ++scene.dangerPoints;
            } else if (warningBounds && warningBounds->holds(vx, vy, vz) &&
                       zavov::volumeContainsPoint(*style.zones.warning, vx, vy, vz)) {
                zone = kWarningColor;
                ++scene.warningPoints;
            }
        }
        if (zone != 0) {
            red = static_cast<std::uint8_t>(qRed(zone));
            green = static_cast<std::uint8_t>(qGreen(zone));
            blue = static_cast<std::uint8_t>(qBlue(zone));
            if (mapped) {
                if (target == nullptr) {
                    repainted = pixels;
                    target = repainted.bits();   // the first zone pixel detaches the copy
                }
                target[pixel] = red;
                target[pixel + 1] = green;
                target[pixel + 2] = blue;
            }
        }
        cloud->points.emplace_back(vx, vy, vz, red, green, blue);
    }
    if (target != nullptr) {
        scene.depth = repainted;
    }
    return scene;
}

}  // namespace hazard_desk
