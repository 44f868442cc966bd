#pragma once

#include <optional>

namespace hazard_desk {

// Rectangular template: danger box from lowerLimit to emergencyStopUpper along X,
// warning box on to decelerationUpper; both share the lateral and height range.
struct SquareZones {
    double lowerLimit = 1000.0;
    double emergencyStopUpper = 1200.0;
    double decelerationUpper = 1300.0;
    double rangeLeft = -500.0;
    double rangeRight = 500.0;
    double heightLower = 50.0;
    double heightUpper = 1000.0;
};

struct BoxZone {
    double minX = 0.0;
    double maxX = 0.0;
    double minY = 0.0;
    double maxY = 0.0;
    double minZ = 0.0;
    double maxZ = 0.0;
};

// Free-box template: three independent boxes, all always present.
struct FreeBoxZones {
    BoxZone danger{0.0, 500.0, -1500.0, 1500.0, 100.0, 2000.0};
    BoxZone warning{500.0, 3000.0, -1500.0, 1500.0, 100.0, 2000.0};
    BoxZone notify{3000.0, 5000.0, -1500.0, 1500.0, 100.0, 2000.0};
};

// One sector: apex (centerX, centerY) in the XY plane, angles in degrees.
struct SectorZone {
    double radius = 0.0;
    double leftAngle = 0.0;
    double rightAngle = 0.0;
    double minZ = 0.0;
    double maxZ = 0.0;
    double centerX = 0.0;
    double centerY = 0.0;
};

struct SectorZones {
    double lowerLimit = 0.0;
    SectorZone danger{1200.0, -30.0, 30.0, 50.0, 1000.0, 0.0, 0.0};
    SectorZone warning{1300.0, -30.0, 30.0, 50.0, 1000.0, 0.0, 0.0};
    std::optional<SectorZone> notify;
};

// NaN-aware equality (two NaNs compare equal), see Extrinsics.h.
bool operator==(const SquareZones& a, const SquareZones& b);
bool operator==(const BoxZone& a, const BoxZone& b);
bool operator==(const FreeBoxZones& a, const FreeBoxZones& b);
bool operator==(const SectorZone& a, const SectorZone& b);
bool operator==(const SectorZones& a, const SectorZones& b);
inline bool operator!=(const SquareZones& a, const SquareZones& b) { return !(a == b); }
inline bool operator!=(const BoxZone& a, const BoxZone& b) { return !(a == b); }
inline bool operator!=(const FreeBoxZones& a, const FreeBoxZones& b) { return !(a == b); }
inline bool operator!=(const SectorZone& a, const SectorZone& b) { return !(a == b); }
inline bool operator!=(const SectorZones& a, const SectorZones& b) { return !(a == b); }

}  // namespace hazard_desk
