#pragma once
// The convex zone volumes of a template, each with its level: the shapes the
// V1 masks are computed from and the scene overlay draws and colours by.
// Mounting frame (X forward, Y lateral, Z up), millimetres and degrees.
#include "ParameterEnums.h"
#include "ZoneBodies.h"
#include "ZoneTemplate.h"

#include <variant>
#include <vector>

namespace zavov {

struct ZoneVolume {
    hazard_desk::ZoneLevel level = hazard_desk::ZoneLevel::Danger;
    std::variant<hazard_desk::BoxZone, hazard_desk::SectorZone> shape;
};

// In level order danger, warn, notify:
// - Square: the danger box [lowerLimit, emergencyStopUpper] and the warn box
//   [emergencyStopUpper, decelerationUpper] along X, both over rangeLeft..rangeRight
//   and heightLower..heightUpper; no notify volume.
// - SquareFree: its three boxes.
// - Sector: the danger and warning sectors, the notify sector only when present;
//   the sector's lowerLimit takes no part in the volumes.
std::vector<ZoneVolume> zoneVolumes(const hazard_desk::ZoneTemplate& zoneTemplate);

}  // namespace zavov
