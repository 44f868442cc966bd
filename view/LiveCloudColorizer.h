#pragma once
// The live cloud as the scene shows it: every point coloured from its depth
// pixel (or by its distance), moved into the vehicle frame and turned red
// inside the danger volume or yellow inside the warning volume; the same
// pixels of the depth image take the zone colours, so the depth view and the
// cloud show the zones alike. Pure function of its inputs, any thread; the
// window runs it on the GUI thread for every frame.
#include "Extrinsics.h"
#include "ZoneContainment.h"
#include "camera/ColorCloud.h"

#include <QImage>
#include <QVector>

#include <cstddef>

namespace hazard_desk {

struct LiveCloudStyle {
    // Colours from the depth image (by distance when a point has no pixel);
    // otherwise the camera's own colours stay.
    bool pseudoColor = true;
    // Range of the distance colours; not finite or <= 0: the farthest point.
    double maxDepthMm = 0.0;
    Extrinsics extrinsics;
    zavov::HighlightVolumes zones;
};

struct LiveCloudScene {
    corVane::ColorCloudPtr cloud;     // vehicle frame, one row, the input's points in order
    QImage depth;                     // the depth image with the zone pixels repainted
    std::size_t dangerPoints = 0;
    std::size_t warningPoints = 0;
};

class LiveCloudColorizer {
public:
    static constexpr QRgb kDangerColor = 0xffff0000;
    static constexpr QRgb kWarningColor = 0xffffff00;

    // depthPixels[i] is the row-major pixel of point i in depth. The pixel
    // colours are used only when depth is not null, the list has one entry
    // per point and every entry lies inside the image; otherwise points are
    // coloured by distance and the depth image is returned as it came.
    static LiveCloudScene colorize(const corVane::ColorCloud& cameraCloud, const QVector<int>& depthPixels,
                                   const QImage& depth, const LiveCloudStyle& style);
};

}  // namespace hazard_desk
