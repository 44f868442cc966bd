#pragma once
// Whether a point of the vehicle frame lies inside a zone volume: the test
// that colours the live cloud and the depth view, and that scores recorded
// points against a template. Pure functions, any thread.
//
// A point with a non-finite coordinate is never inside. Bounds are inclusive.
#include "ParameterEnums.h"
#include "ZoneBodies.h"
#include "ZoneTemplate.h"
#include "ZoneVolumes.h"

#include <optional>

namespace zavov {

// The box needs max > min on every axis; then min <= p <= max on each axis.
bool boxContainsPoint(const hazard_desk::BoxZone& box, double x, double y, double z);

// The sector needs radius > 0, maxZ > minZ and rightAngle > leftAngle. The point
// must lie within minZ..maxZ and within the radius of the centre; the centre
// itself is inside. Elsewhere its bearing atan2(y - centerY, x - centerX) in
// degrees, or that bearing -360 or +360, must lie within
// [leftAngle - kSectorAngleToleranceDeg, rightAngle + kSectorAngleToleranceDeg].
inline constexpr double kSectorAngleToleranceDeg = 1e-6;
bool sectorContainsPoint(const hazard_desk::SectorZone& sector, double x, double y, double z);

bool volumeContainsPoint(const ZoneVolume& volume, double x, double y, double z);

// An axis-aligned box around everything a volume holds, with a margin against
// rounding, so a caller testing a whole cloud skips the exact test for the
// points outside it. Bounds are inclusive.
inline constexpr double kVolumeBoundsMarginMm = 1.0;
struct VolumeBounds {
    double minX = 0.0;
    double maxX = 0.0;
    double minY = 0.0;
    double maxY = 0.0;
    double minZ = 0.0;
    double maxZ = 0.0;

    bool holds(double x, double y, double z) const
    {
        // Non-short-circuit: cheaper than branches for the many points outside.
        return (minX <= x) & (x <= maxX) & (minY <= y) & (y <= maxY) & (minZ <= z) & (z <= maxZ);
    }
};
// Nothing for a volume that holds no point at all (flat, reversed, not finite).
std::optional<VolumeBounds> volumeBounds(const ZoneVolume& volume);

// The volumes that colour points: the first danger-level and the first
// warning-level volume of a template (the notify level colours nothing).
struct HighlightVolumes {
    std::optional<ZoneVolume> danger;
    std::optional<ZoneVolume> warning;
};
HighlightVolumes highlightVolumes(const hazard_desk::ZoneTemplate& zoneTemplate);

// Danger wins over warning: Danger when the danger volume holds the point,
// else Warn when the warning volume does, else nothing.
std::optional<hazard_desk::ZoneLevel> highlightLevel(const HighlightVolumes& volumes, double x, double y,
                                                     double z);

}  // namespace zavov
