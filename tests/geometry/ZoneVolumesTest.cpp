// Zone volumes: which points they hold, their bounds, and their edges as the
// 3D view draws them.
#include "ZoneContainment.h"
#include "ZoneWireframe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace zavov {
namespace {

using hazard_desk::BoxZone;
using hazard_desk::SectorZone;
using hazard_desk::ZoneLevel;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ZoneVolume boxVolume(const BoxZone& box) { return {ZoneLevel::Danger, box}; }
ZoneVolume sectorVolume(const SectorZone& sector) { return {ZoneLevel::Warn, sector}; }

// A point at distance r from the origin on the given bearing, 5 mm high.
struct Bearing {
    double x, y;
};
Bearing onBearing(double degrees, double r = 200.0) {
    return {r * std::cos(degrees / 57.29577951308232), r * std::sin(degrees / 57.29577951308232)};
}

struct PointCase {
    const char* name;
    ZoneVolume volume;
    double x, y, z;
    bool inside;
};

// Bounds are inclusive; a non-finite coordinate or a volume without extent
// holds nothing, not even its own corner or apex. A sector's bearing may be given past the -180/180 seam.
TEST(ZoneContainment, PointsInsideBoxesAndSectors)
{
    const ZoneVolume box = boxVolume({0.0, 500.0, -100.0, 100.0, 50.0, 1000.0});
    const ZoneVolume sector = sectorVolume({1000.0, -30.0, 30.0, 50.0, 1000.0, 100.0, 0.0});
    const auto seam = [](double left, double right) { return sectorVolume({500.0, left, right, 0.0, 10.0, 0.0, 0.0}); };
    const Bearing leftEdge = onBearing(-30.0, 500.0);
    const Bearing pastLeftEdge = onBearing(-30.001, 500.0);
    const std::vector<PointCase> cases = {
        {"box centre", box, 250, 0, 500, true},
        {"box min corner", box, 0, -100, 50, true},
        {"just past maxX", box, std::nextafter(500.0, 1e9), 0, 500, false},
        {"just below minZ", box, 250, 0, std::nextafter(50.0, 0.0), false},
        {"box, NaN x", box, kNaN, 0, 500, false},
        {"box flat in x", boxVolume({0, 0, -1, 1, 0, 1}), 0, -1, 1, false},
        {"sector axis", sector, 600, 0, 500, true},
        {"apex", sector, 100, 0, 500, true},
        {"on the rim", sector, 1100, 0, 1000, true},
        {"past the rim", sector, 1100.001, 0, 500, false},
        {"behind the apex", sector, 99, 0, 500, false},
        {"on the left edge", sector, 100 + leftEdge.x, leftEdge.y, 500, true},
        {"left edge turned 1e-3 deg further", sector, 100 + pastLeftEdge.x, pastLeftEdge.y, 500, false},
        {"170..190 holds -179", seam(170, 190), onBearing(-179).x, onBearing(-179).y, 5, true},
        {"170..190 misses -169", seam(170, 190), onBearing(-169).x, onBearing(-169).y, 5, false},
        {"-190..-170 holds 179", seam(-190, -170), onBearing(179).x, onBearing(179).y, 5, true},
        {"-180..180 holds 180", seam(-180, 180), onBearing(180).x, onBearing(180).y, 5, true},
        {"sector without span", sectorVolume({500.0, 30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
        {"sector without height", sectorVolume({500.0, -30, 30, 10, 10, 0, 0}), 0, 0, 10, false},
        {"sector with a NaN radius", sectorVolume({kNaN, -30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
    };
    for (const PointCase& c : cases) {
        EXPECT_EQ(volumeContainsPoint(c.volume, c.x, c.y, c.z), c.inside) << c.name;
        // The bounds a caller culls with hold what the volume holds.
        const std::optional<VolumeBounds> bounds = volumeBounds(c.volume);
        EXPECT_TRUE(!c.inside || (bounds && bounds->holds(c.x, c.y, c.z))) << c.name << ": bounds";
    }
    // Tight enough to leave out what lies 2 mm beyond a box; nothing for a volume that holds nothing.
    EXPECT_TRUE(volumeBounds(box)->holds(500.5, 0, 500));
    EXPECT_FALSE(volumeBounds(box)->holds(502, 0, 500));
    EXPECT_FALSE(volumeBounds(boxVolume({0, 0, -1, 1, 0, 1})).has_value());
    EXPECT_FALSE(volumeBounds(sectorVolume({kNaN, -30, 30, 0, 10, 0, 0})).has_value());
}

TEST(ZoneContainment, TemplatesGiveTheirVolumesAndDangerWins)
{
    // The default square template: danger 1000..1200, warn 1200..1300 along X.
    const HighlightVolumes squareZones = highlightVolumes(hazard_desk::ZoneTemplate{});
    // 1200 lies in both boxes: red wins.
    EXPECT_EQ(highlightLevel(squareZones, 1200.0, 0.0, 500.0), ZoneLevel::Danger);
    EXPECT_EQ(highlightLevel(squareZones, 1250.0, 0.0, 500.0), ZoneLevel::Warn);
    EXPECT_EQ(highlightLevel(squareZones, 1301.0, 0.0, 500.0), std::nullopt);

    // The notify volume colours nothing; a sector template has its volumes too.
    const hazard_desk::ZoneTemplate freeBox = hazard_desk::defaultZoneTemplate(3, hazard_desk::TemplateType::SquareFree);
    ASSERT_EQ(zoneVolumes(freeBox).size(), 3u);
    EXPECT_EQ(highlightLevel(highlightVolumes(freeBox), 4000.0, 0.0, 500.0), std::nullopt);
    const hazard_desk::ZoneTemplate sector = hazard_desk::defaultZoneTemplate(4, hazard_desk::TemplateType::Sector);
    EXPECT_EQ(highlightLevel(highlightVolumes(sector), 1250.0, 0.0, 500.0), ZoneLevel::Warn);
}

// A huge zone is drawn with a bounded number of points, a non-finite one with
// none.
TEST(ZoneWireframe, HugeOrNonFiniteZonesStayBounded)
{
    std::vector<Point3> points;
    appendSegmentSamples({0, 0, 0}, {2e12, 0, 0}, points);
    EXPECT_EQ(points.size(), static_cast<std::size_t>(kWireframeMaxSteps) + 1);
    EXPECT_TRUE(sectorWireframe({kNaN, -30, 30, 0, 450, 0, 0}).empty());
}

}  // namespace
}  // namespace zavov
