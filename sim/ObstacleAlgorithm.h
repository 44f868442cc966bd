#pragma once
// The camera's obstacle-avoidance evaluation of one frame: points into the
// vehicle frame with the configured (not the true) pose, classified against
// the zones of the running template (JSON zones, or uploaded V1 range masks),
// the verdict (0 safe, 1 warning, 2 stop) and the in-zone points clustered
// into axis-aligned boxes.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "RenderedFrame.h"
#include "SimGeometry.h"
#include "ZoneVolume.h"

namespace zrsim {

/// Far and near range masks (mm) of one zone level, sensor resolution.
struct MaskPair {
    std::vector<uint16_t> far;
    std::vector<uint16_t> near;
};

/// Masks of one template, per level (danger, warning, notify).
struct TemplateMasks {
    std::array<std::optional<MaskPair>, 3> levels;
};

struct AlgorithmConfig {
    Pose pose;                                ///< configured mount (R, T of the stored JSON)
    std::vector<ZoneVolume> zones;            ///< JSON zones (V2, V1 JSON)
    const TemplateMasks* masks = nullptr;     ///< V1 mask cameras: masks of the running template
    bool v2 = true;                           ///< box layout and names
    int zoneIndex = 0;
    int32_t state = 0;
    double clusterToleranceMm = 150.0;
    std::vector<std::string> objectLabels;    ///< label of scene object k at k
};

/// Points of a level needed for that level to count.
constexpr int kVerdictMinPoints = 20;
/// Clusters with fewer points (full-resolution equivalent) are not reported as boxes.
constexpr int kMinClusterPoints = 8;
/// Boxes are clustered from every kClusterStride-th pixel in both directions.
constexpr int kClusterStride = 2;
/// At most this many boxes per frame.
constexpr int kMaxBoxes = 64;

/// Evaluates frame and fills its ioStatus, output and box arrays.
void evaluateObstacles(const AlgorithmConfig& config, RenderedFrame& frame);

}  // namespace zrsim
