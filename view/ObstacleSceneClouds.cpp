#include "ObstacleSceneClouds.h"

#include "ZoneWireframe.h"

#include <QVariantMap>

#include <cmath>
#include <memory>

namespace hazard_desk {
namespace {

corVane::ColorCloudPtr cloudOf(const std::vector<zavov::Point3>& points, QRgb color) {
    auto cloud = std::make_shared<corVane::ColorCloud>();
    cloud->points.reserve(points.size());
    for (const zavov::Point3& p : points) {
        pcl::PointXYZRGB point;
        point.x = static_cast<float>(p[0]);
        point.y = static_cast<float>(p[1]);
        point.z = static_cast<float>(p[2]);
        point.r = static_cast<std::uint8_t>(qRed(color));
        point.g = static_cast<std::uint8_t>(qGreen(color));
        point.b = static_cast<std::uint8_t>(qBlue(color));
        cloud->points.push_back(point);
    }
    cloud->width = static_cast<std::uint32_t>(cloud->points.size());
    cloud->height = 1;
    return cloud->points.empty() ? nullptr : cloud;
}

const char* levelName(ZoneLevel level) {
    switch (level) {
    case ZoneLevel::Danger:
        return ObstacleSceneClouds::kDangerZoneName;
    case ZoneLevel::Warn:
        return ObstacleSceneClouds::kWarningZoneName;
    default:
        return ObstacleSceneClouds::kNotifyZoneName;
    }
}

bool finiteValue(const QVariantMap& box, const char* key, double& value) {
    bool ok = false;
    value = box.value(QString::fromLatin1(key)).toDouble(&ok);
    return ok && std::isfinite(value);
}

}  // namespace

ObstacleSceneClouds::ObstacleSceneClouds(CloudEngineInterface& engine) : engine_(engine) {}

QRgb ObstacleSceneClouds::levelColor(ZoneLevel level) {
    switch (level) {
    case ZoneLevel::Danger:
        return qRgb(255, 0, 0);
    case ZoneLevel::Warn:
        return qRgb(255, 255, 0);
    case ZoneLevel::Notify:
        return qRgb(35, 197, 238);
    }
    return qRgb(255, 255, 255);
}

corVane::ColorCloudPtr ObstacleSceneClouds::levelCloud(const std::vector<zavov::ZoneVolume>& volumes, ZoneLevel level) {
    std::vector<zavov::Point3> points;
    for (const zavov::ZoneVolume& volume : volumes) {
        if (volume.level == level) {
            const std::vector<zavov::Point3> edges = zavov::volumeWireframe(volume);
            points.insert(points.end(), edges.begin(), edges.end());
        }
    }
    return cloudOf(points, levelColor(level));
}

corVane::ColorCloudPtr ObstacleSceneClouds::detectedBoxesCloud(const QVariantList& boxes) {
    std::vector<zavov::Point3> points;
    for (const QVariant& entry : boxes) {
        const QVariantMap box = entry.toMap();
        double x, y, z, width, height, depth;
        if (!finiteValue(box, "x", x) || !finiteValue(box, "y", y) || !finiteValue(box, "z", z) ||
            !finiteValue(box, "width", width) || !finiteValue(box, "height", height) ||
            !finiteValue(box, "depth", depth)) {
            continue;
        }
        const std::vector<zavov::Point3> edges = zavov::boxWireframe(BoxZone{
            x - width / 2, x + width / 2, y - height / 2, y + height / 2, z - depth / 2, z + depth / 2});
        points.insert(points.end(), edges.begin(), edges.end());
    }
    return cloudOf(points, levelColor(ZoneLevel::Danger));
}

void ObstacleSceneClouds::showZones(const ZoneTemplate* shown) {
    for (const char* name : {kDangerZoneName, kWarningZoneName, kNotifyZoneName}) {
        engine_.removeCloud(name, false);
    }
    if (shown == nullptr) {
        return;
    }
    const std::vector<zavov::ZoneVolume> volumes = zavov::zoneVolumes(*shown);
    for (const ZoneLevel level : {ZoneLevel::Danger, ZoneLevel::Warn, ZoneLevel::Notify}) {
        if (const corVane::ColorCloudPtr cloud = levelCloud(volumes, level)) {
            engine_.updateCloud(cloud, levelName(level));
        }
    }
}

void ObstacleSceneClouds::showDetectedBoxes(const QVariantList& boxes) {
    engine_.removeCloud(kDetectedBoxesName, false);
    if (const corVane::ColorCloudPtr cloud = detectedBoxesCloud(boxes)) {
        engine_.updateCloud(cloud, kDetectedBoxesName);
    }
    engine_.commitRemovals();
}

QImage ObstacleSceneClouds::showLiveCloud(const corVane::ColorCloudPtr& cameraCloud, const QVector<int>& depthPixels,
                                          const QImage& depth, const LiveCloudStyle& style, bool submit) {
    engine_.removeCloud(kLiveCloudName, false);
    if (!cameraCloud || cameraCloud->points.empty()) {
        engine_.removeCloud(kCameraModelName, false);
        return depth;
    }
    const LiveCloudScene scene = LiveCloudColorizer::colorize(*cameraCloud, depthPixels, depth, style);
    if (submit) {
        engine_.updateCloud(scene.cloud, kLiveCloudName);
    }
    return scene.depth;
}

}  // namespace hazard_desk
