// Zone volumes: which points they hold, their bounds, and their edges as the
// 3D view draws them.
#include "ZoneContainment.h"
#include "ZoneWireframe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace zavov {
namespace {

using hazard_desk::BoxZone;
using hazard_desk::SectorZone;
using hazard_desk::ZoneLevel;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

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
        {"sector without radius", sectorVolume({0.0, -30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
        {"sector without span", sectorVolume({500.0, 30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
        {"sector without height", sectorVolume({500.0, -30, 30, 10, 10, 0, 0}), 0, 0, 10, false},
        {"sector with a NaN radius", sectorVolume({kNaN, -30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
    };
    for (const PointCase& c : cases) {
        EXPECT_EQ(volumeContainsPoint(c.volume, c.x, c.y, c.z), c.inside) << c.name;
    }
}

TEST(ZoneContainment, BoundsHoldEverythingTheVolumeHolds)
{
    const std::vector<ZoneVolume> volumes = {
        {ZoneLevel::Danger, BoxZone{300, 1500, -700, 700, 50, 1800}},
        {ZoneLevel::Warn, SectorZone{1000, -30, 30, 50, 1000, 100, -200}},
        {ZoneLevel::Warn, SectorZone{2500, 170, 190, 0, 1800, 0, 0}},
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-3000.0, 3000.0);
    for (const ZoneVolume& volume : volumes) {
        const std::optional<VolumeBounds> bounds = volumeBounds(volume);
        ASSERT_TRUE(bounds.has_value());
        int inside = 0;
        for (int i = 0; i < 20000; ++i) {
            const double x = coordinate(random), y = coordinate(random), z = coordinate(random) / 3 + 900;
            if (volumeContainsPoint(volume, x, y, z)) {
                ++inside;
                ASSERT_TRUE(bounds->holds(x, y, z)) << x << " " << y << " " << z;
            }
        }
        EXPECT_GT(inside, 0);
    }
    // Tight enough to leave out what lies 2 mm beyond a box.
    const std::optional<VolumeBounds> box = volumeBounds(volumes[0]);
    EXPECT_TRUE(box->holds(1500.5, 0, 500));
    EXPECT_FALSE(box->holds(1502, 0, 500));
    // A volume that holds nothing has no bounds.
    EXPECT_FALSE(volumeBounds({ZoneLevel::Danger, BoxZone{0, 0, -1, 1, 0, 1}}).has_value());
    EXPECT_FALSE(volumeBounds({ZoneLevel::Warn, SectorZone{kNaN, -30, 30, 0, 10, 0, 0}}).has_value());
}

TEST(ZoneContainment, TemplatesGiveTheirVolumesAndDangerWins)
{
    hazard_desk::ZoneTemplate square;   // danger 1000..1200, warn 1200..1300 along X
    const HighlightVolumes squareZones = highlightVolumes(square);
    struct LevelCase {
        double x;
        std::optional<ZoneLevel> level;
    };
    // 1200 lies in both boxes: red wins.
    for (const LevelCase& c : {LevelCase{1200, ZoneLevel::Danger}, LevelCase{1250, ZoneLevel::Warn},
                               LevelCase{1301, std::nullopt}}) {
        EXPECT_EQ(highlightLevel(squareZones, c.x, 0.0, 500.0), c.level) << c.x;
    }

    // The notify volume colours nothing; a sector template has its volumes too.
    const hazard_desk::ZoneTemplate freeBox = hazard_desk::defaultZoneTemplate(3, hazard_desk::TemplateType::SquareFree);
    ASSERT_EQ(zoneVolumes(freeBox).size(), 3u);
    EXPECT_EQ(highlightLevel(highlightVolumes(freeBox), 4000.0, 0.0, 500.0), std::nullopt);
    const hazard_desk::ZoneTemplate sector = hazard_desk::defaultZoneTemplate(4, hazard_desk::TemplateType::Sector);
    EXPECT_EQ(highlightLevel(highlightVolumes(sector), 1250.0, 0.0, 500.0), ZoneLevel::Warn);
}

// Edges are drawn as points at most 45 mm apart ending exactly on the far
// corner; a huge zone is bounded and a non-finite one draws nothing. A sector
// across the -180/180 seam is drawn within its radius, heights and bearings.
TEST(ZoneWireframe, EdgesAreSampledEvery45MmAndStayOnTheZone)
{
    const std::size_t bounded = static_cast<std::size_t>(kWireframeMaxSteps) + 1;
    for (const auto& [end, count] : {std::pair<Point3, std::size_t>{{0, 90.5, 0}, 4}, {{2e12, 0, 0}, bounded},
                                     {{kNaN, 0, 0}, 0}}) {
        std::vector<Point3> points;
        appendSegmentSamples({0, 0, 0}, end, points);
        ASSERT_EQ(points.size(), count) << end[0];
        EXPECT_TRUE(count == 0 || points.back() == end) << end[0];
    }
    const SectorZone sector{440, 170, 190, 0, 450, 100, -50};
    for (const Point3& p : sectorWireframe(sector)) {
        const double r = std::hypot(p[0] - sector.centerX, p[1] - sector.centerY);
        const double bearing = std::atan2(p[1] - sector.centerY, p[0] - sector.centerX) * 57.29577951308232;
        ASSERT_LE(r, sector.radius + 1e-6);
        ASSERT_TRUE(p[2] >= sector.minZ && p[2] <= sector.maxZ) << p[2];
        ASSERT_TRUE(r < 1e-9 || std::abs(std::remainder(bearing - 180.0, 360.0)) <= 10.0 + 1e-9) << bearing;
    }
    EXPECT_TRUE(sectorWireframe({kNaN, -30, 30, 0, 450, 0, 0}).empty());
}

}  // namespace
}  // namespace zavov
