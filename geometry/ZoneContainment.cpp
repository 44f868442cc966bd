#include "ZoneContainment.h"

#include "RotationConversion.h"

#include <cmath>
#include <limits>

namespace zavov {

using hazard_desk::ZoneLevel;

namespace {

constexpr double kFullTurnDeg = 360.0;

bool isFinitePoint(double x, double y, double z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}

bool withinInclusive(double value, double low, double high)
{
    return low <= value && value <= high;
}

}  // namespace

bool boxContainsPoint(const hazard_desk::BoxZone& box, double x, double y, double z)
{
    if (!isFinitePoint(x, y, z)) {
        return false;
    }
    if (!(box.maxX > box.minX && box.maxY > box.minY && box.maxZ > box.minZ)) {
        return false;
    }
    return withinInclusive(x, box.minX, box.maxX) && withinInclusive(y, box.minY, box.maxY) &&
           withinInclusive(z, box.minZ, box.maxZ);
}

bool sectorContainsPoint(const hazard_desk::SectorZone& sector, double x, double y, double z)
{
    if (!isFinitePoint(x, y, z)) {
        return false;
    }
    if (!(sector.radius > 0.0 && sector.maxZ > sector.minZ && sector.rightAngle > sector.leftAngle)) {
        return false;
    }
    if (!withinInclusive(z, sector.minZ, sector.maxZ)) {
        return false;
    }
    const double dx = x - sector.centerX;
    const double dy = y - sector.centerY;
    if (!(dx * dx + dy * dy <= sector.radius * sector.radius)) {
        return false;
    }
    if (dx == 0.0 && dy == 0.0) {
        return true;   // the apex has no bearing
    }
    // A bearing of atan2 lies in (-180, 180]; the turn either way reaches
    // sectors that are given across the +-180 seam.
    const double bearing = std::atan2(dy, dx) * hazard_desk::kDegreesPerRadian;
    const double low = sector.leftAngle - kSectorAngleToleranceDeg;
    const double high = sector.rightAngle + kSectorAngleToleranceDeg;
    return withinInclusive(bearing, low, high) || withinInclusive(bearing - kFullTurnDeg, low, high) ||
           withinInclusive(bearing + kFullTurnDeg, low, high);
}

bool volumeContainsPoint(const ZoneVolume& volume, double x, double y, double z)
{
    if (const auto* box = std::get_if<hazard_desk::BoxZone>(&volume.shape)) {
        return boxContainsPoint(*box, x, y, z);
    }
    return sectorContainsPoint(std::get<hazard_desk::SectorZone>(volume.shape), x, y, z);
}

std::optional<VolumeBounds> volumeBounds(const ZoneVolume& volume)
{
    constexpr double m = kVolumeBoundsMarginMm;
    VolumeBounds bounds;
    if (const auto* box = std::get_if<hazard_desk::BoxZone>(&volume.shape)) {
        if (!(box->maxX > box->minX && box->maxY > box->minY && box->maxZ > box->minZ)) {
            return std::nullopt;
        }
        bounds = {box->minX - m, box->maxX + m, box->minY - m, box->maxY + m, box->minZ - m, box->maxZ + m};
    } else {
        const auto& sector = std::get<hazard_desk::SectorZone>(volume.shape);
        if (!(sector.radius > 0.0 && sector.maxZ > sector.minZ && sector.rightAngle > sector.leftAngle)) {
            return std::nullopt;
        }
        const double r = sector.radius + m;
        bounds = {sector.centerX - r, sector.centerX + r, sector.centerY - r,
                  sector.centerY + r, sector.minZ - m,    sector.maxZ + m};
    }
    // Infinite extents (inf - inf) must not shut out what the volume holds.
    for (double* low : {&bounds.minX, &bounds.minY, &bounds.minZ}) {
        if (std::isnan(*low)) {
            *low = -std::numeric_limits<double>::infinity();
        }
    }
    for (double* high : {&bounds.maxX, &bounds.maxY, &bounds.maxZ}) {
        if (std::isnan(*high)) {
            *high = std::numeric_limits<double>::infinity();
        }
    }
    return bounds;
}

HighlightVolumes highlightVolumes(const hazard_desk::ZoneTemplate& zoneTemplate)
{
    HighlightVolumes result;
    for (const ZoneVolume& volume : zoneVolumes(zoneTemplate)) {
        if (volume.level == ZoneLevel::Danger && !result.danger) {
            result.danger = volume;
        } else if (volume.level == ZoneLevel::Warn && !result.warning) {
            result.warning = volume;
        }
    }
    return result;
}

std::optional<ZoneLevel> highlightLevel(const HighlightVolumes& volumes, double x, double y, double z)
{
    if (volumes.danger && volumeContainsPoint(*volumes.danger, x, y, z)) {
        return ZoneLevel::Danger;
    }
    if (volumes.warning && volumeContainsPoint(*volumes.warning, x, y, z)) {
        return ZoneLevel::Warn;
    }
    return std::nullopt;
}

}  // namespace zavov
