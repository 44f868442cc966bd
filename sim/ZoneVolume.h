#pragma once
// One protection zone volume as the camera evaluates it, in the vehicle frame (mm).

#include <array>

namespace zrsim {

enum class ZoneLevel : int { Danger = 0, Warning = 1, Notify = 2 };

struct ZoneVolume {
    ZoneLevel level = ZoneLevel::Danger;
    bool sector = false;
    std::array<double, 6> box{0, 0, 0, 0, 0, 0};  ///< minX maxX minY maxY minZ maxZ
    /// radius, leftSweep (deg toward +Y), rightSweep (deg toward -Y), minZ, maxZ, centerX, centerY
    std::array<double, 7> fan{0, 0, 0, 0, 0, 0, 0};

    bool contains(double x, double y, double z) const;

    /// Axis-aligned bounds (minX maxX minY maxY minZ maxZ) that hold the volume.
    std::array<double, 6> bounds() const;
};

}  // namespace zrsim
