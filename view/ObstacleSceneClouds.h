#pragma once
// The scene's named clouds in the 3D view: the wireframes of the shown
// template's zones, the wireframes of the boxes the camera reports, and the
// live cloud coloured by zone. A family of names is marked for removal
// before it is submitted again, so names no longer produced vanish in the
// same repaint as the new ones appear. GUI thread.
#include "CloudEngineInterface.h"
#include "LiveCloudColorizer.h"

#include "ParameterEnums.h"
#include "ZoneTemplate.h"
#include "ZoneVolumes.h"
#include "camera/ColorCloud.h"

#include <QImage>
#include <QRgb>
#include <QVariantList>
#include <QVector>

#include <vector>

namespace hazard_desk {

class ObstacleSceneClouds {
public:
    static constexpr const char* kDangerZoneName = "zone_danger";
    static constexpr const char* kWarningZoneName = "zone_warning";
    static constexpr const char* kNotifyZoneName = "zone_notify";
    static constexpr const char* kDetectedBoxesName = "detected_boxes";
    static constexpr const char* kLiveCloudName = "live_cloud";
    static constexpr const char* kCameraModelName = "depth_camera_model";

    explicit ObstacleSceneClouds(CloudEngineInterface& engine);

    // Marks the zone clouds for removal and submits the wireframes of the
    // template's volumes, one cloud per level; nullptr shows no zones. The
    // caller commits the removals.
    void showZones(const ZoneTemplate* shown);

    // Replaces the detected boxes: maps with "x", "y", "z" (centre) and
    // "width", "height", "depth" (full extents along X, Y, Z), mm; entries
    // with a missing or non-finite value are skipped. Commits the removals.
    void showDetectedBoxes(const QVariantList& boxes);

    // Marks the live cloud for removal; a frame with points is coloured and,
    // when submit, drawn again. Returns the depth image to show: the frame's
    // own without points, else with the zone pixels repainted. The caller
    // commits the removals.
    QImage showLiveCloud(const corVane::ColorCloudPtr& cameraCloud, const QVector<int>& depthPixels,
                         const QImage& depth, const LiveCloudStyle& style, bool submit);

    // The wireframe points of the volumes of one level, in its colour; null
    // when there are none.
    static corVane::ColorCloudPtr levelCloud(const std::vector<zavov::ZoneVolume>& volumes, ZoneLevel level);
    static corVane::ColorCloudPtr detectedBoxesCloud(const QVariantList& boxes);
    // Danger red, warning yellow, notify light blue, anything else white.
    static QRgb levelColor(ZoneLevel level);

private:
    CloudEngineInterface& engine_;
};

}  // namespace hazard_desk
