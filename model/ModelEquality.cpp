#include "AdvancedOptions.h"
#include "Extrinsics.h"
#include "ZoneBodies.h"

#include <cmath>

namespace hazard_desk {
namespace {

// Two NaNs count as the same value so that a copy always equals its original.
bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

bool operator==(const Extrinsics& a, const Extrinsics& b)
{
    return same(a.roll, b.roll) && same(a.pitch, b.pitch) && same(a.yaw, b.yaw) && same(a.x, b.x)
           && same(a.y, b.y) && same(a.z, b.z);
}

bool operator==(const SquareZones& a, const SquareZones& b)
{
    return same(a.lowerLimit, b.lowerLimit) && same(a.emergencyStopUpper, b.emergencyStopUpper)
           && same(a.decelerationUpper, b.decelerationUpper) && same(a.rangeLeft, b.rangeLeft)
           && same(a.rangeRight, b.rangeRight) && same(a.heightLower, b.heightLower)
           && same(a.heightUpper, b.heightUpper);
}

bool operator==(const BoxZone& a, const BoxZone& b)
{
    return same(a.minX, b.minX) && same(a.maxX, b.maxX) && same(a.minY, b.minY) && same(a.maxY, b.maxY)
           && same(a.minZ, b.minZ) && same(a.maxZ, b.maxZ);
}

bool operator==(const FreeBoxZones& a, const FreeBoxZones& b)
{
    return a.danger == b.danger && a.warning == b.warning && a.notify == b.notify;
}

bool operator==(const SectorZone& a, const SectorZone& b)
{
    return same(a.radius, b.radius) && same(a.leftAngle, b.leftAngle) && same(a.rightAngle, b.rightAngle)
           && same(a.minZ, b.minZ) && same(a.maxZ, b.maxZ) && same(a.centerX, b.centerX)
           && same(a.centerY, b.centerY);
}

bool operator==(const SectorZones& a, const SectorZones& b)
{
    return same(a.lowerLimit, b.lowerLimit) && a.danger == b.danger && a.warning == b.warning
           && a.notify == b.notify;
}

bool operator==(const GroundVoidOptions& a, const GroundVoidOptions& b)
{
    return a.enabled == b.enabled && same(a.nearDistance, b.nearDistance) && same(a.farDistance, b.farDistance)
           && same(a.halfWidth, b.halfWidth) && same(a.resolution, b.resolution)
           && same(a.halfThickness, b.halfThickness) && same(a.minPoints, b.minPoints);
}

bool operator==(const SemanticOptions& a, const SemanticOptions& b)
{
    return a.enabled == b.enabled && a.pointCloudCompact == b.pointCloudCompact
           && a.nonSemanticBox == b.nonSemanticBox && a.enhancement == b.enhancement
           && a.pointCloudOutput == b.pointCloudOutput && same(a.minX, b.minX) && same(a.maxX, b.maxX)
           && same(a.minY, b.minY) && same(a.maxY, b.maxY);
}

bool operator==(const AdvancedOptions& a, const AdvancedOptions& b)
{
    return a.debug == b.debug && a.groundVoid == b.groundVoid && a.semantic == b.semantic;
}

}  // namespace hazard_desk
