#pragma once
// The closed triangle mesh of a convex zone volume in the mounting frame:
// the XY outline of the box or sector, its convex hull, extruded between the
// volume's lower and upper height. Outward-facing triangles.
#include "ZoneVolumes.h"

#include <array>
#include <vector>

namespace zavov {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

using Point3 = std::array<double, 3>;

struct MeshTriangle {
    Point3 p0;
    Point3 p1;
    Point3 p2;
};

// Points of the outline in the XY plane: a box's four corners; a sector's
// apex followed by N + 1 arc points, N = ceil(span / angularStepDeg) (a single
// arc point at leftAngle when N is 0).
std::vector<Point2> zoneOutline(const ZoneVolume& volume, double angularStepDeg);

// Counter-clockwise convex hull without collinear points; points closer than
// 1e-9 in both coordinates count as one. Fewer than three distinct points
// come back as they are (one or two points).
std::vector<Point2> convexHull(std::vector<Point2> points);

// A hull of n points between minZ and maxZ as 4n - 4 triangles: a fan of
// n - 2 for the bottom, a fan of n - 2 for the top, two per side.
std::vector<MeshTriangle> extrudeHull(const std::vector<Point2>& hull, double minZ, double maxZ);

// Height range of a volume.
double volumeMinZ(const ZoneVolume& volume);
double volumeMaxZ(const ZoneVolume& volume);

}  // namespace zavov
