#pragma once
// The edges of a zone volume as points, for the 3D view, which draws every
// cloud with one point shader: each edge is sampled about every 45 mm, a
// sector's arcs in steps of at most 1.5 degrees. Mounting frame (X forward,
// Y lateral, Z up), millimetres. Pure functions, any thread.
#include "ZoneBodies.h"
#include "ZoneVolumeMesh.h"
#include "ZoneVolumes.h"

#include <vector>

namespace zavov {

inline constexpr double kWireframeStepMm = 45.0;
inline constexpr double kWireframeArcStepDeg = 1.5;
// A segment (or an arc) of a half-typed value that is absurdly long is drawn
// with at most this many steps, not millions of points.
inline constexpr int kWireframeMaxSteps = 20000;

// The segment a..b as n + 1 evenly spaced points including both ends,
// n = max(ceil(|b - a| / 45), 2). A segment with a non-finite end adds nothing.
void appendSegmentSamples(const Point3& a, const Point3& b, std::vector<Point3>& out);

// The 12 edges of the box.
std::vector<Point3> boxWireframe(const hazard_desk::BoxZone& box);

// The outer arc at minZ and at maxZ in s = max(ceil(|rightAngle - leftAngle| / 1.5), 2)
// segments; vertical edges at both arc ends and at every k-th arc vertex,
// k = max(s / 6, 1); the radial edges from the centre to both arc ends at
// both heights.
std::vector<Point3> sectorWireframe(const hazard_desk::SectorZone& sector);

std::vector<Point3> volumeWireframe(const ZoneVolume& volume);

}  // namespace zavov
