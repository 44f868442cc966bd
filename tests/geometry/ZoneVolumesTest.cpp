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
        {"box max corner", box, 500, 100, 1000, true},
        {"just past maxX", box, std::nextafter(500.0, 1e9), 0, 500, false},
        {"just below minZ", box, 250, 0, std::nextafter(50.0, 0.0), false},
        {"beyond maxY", box, 250, 100.5, 500, false},
        {"box, NaN x", box, kNaN, 0, 500, false},
        {"box, infinite z", box, 250, 0, kInf, false},
        {"box flat in x", boxVolume({0, 0, -1, 1, 0, 1}), 0, -1, 1, false},
        {"box flat in y", boxVolume({0, 1, 1, 1, 0, 1}), 0, 1, 1, false},
        {"box flat in z", boxVolume({0, 1, -1, 1, 1, 1}), 0, -1, 1, false},
        {"box with a NaN bound", boxVolume({0, 1, -1, 1, kNaN, 1}), 0, -1, 1, false},
        {"sector axis", sector, 600, 0, 500, true},
        {"apex", sector, 100, 0, 500, true},
        {"apex below minZ", sector, 100, 0, 49, false},
        {"on the rim", sector, 1100, 0, 1000, true},
        {"past the rim", sector, 1100.001, 0, 500, false},
        {"behind the apex", sector, 99, 0, 500, false},
        {"on the left edge", sector, 100 + leftEdge.x, leftEdge.y, 500, true},
        {"left edge turned 1e-3 deg further", sector, 100 + pastLeftEdge.x, pastLeftEdge.y, 500, false},
        {"sector, NaN y", sector, 600, kNaN, 500, false},
        {"170..190 holds -179", seam(170, 190), onBearing(-179).x, onBearing(-179).y, 5, true},
        {"170..190 holds 175", seam(170, 190), onBearing(175).x, onBearing(175).y, 5, true},
        {"170..190 misses -169", seam(170, 190), onBearing(-169).x, onBearing(-169).y, 5, false},
        {"-190..-170 holds 179", seam(-190, -170), onBearing(179).x, onBearing(179).y, 5, true},
        {"-180..180 holds 180", seam(-180, 180), onBearing(180).x, onBearing(180).y, 5, true},
        {"-10..10 misses -10.5", seam(-10, 10), onBearing(-10.5).x, onBearing(-10.5).y, 5, false},
        {"sector without radius", sectorVolume({0.0, -30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
        {"sector without span", sectorVolume({500.0, 30, 30, 0, 10, 0, 0}), 0, 0, 5, false},
        {"reversed sector", sectorVolume({500.0, 40, 30, 0, 10, 0, 0}), 0, 0, 5, false},
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
        {ZoneLevel::Danger, BoxZone{0, kInf, -700, 700, 50, 1800}},
        {ZoneLevel::Warn, SectorZone{1000, -30, 30, 50, 1000, 100, -200}},
        {ZoneLevel::Warn, SectorZone{2500, 170, 190, 0, 1800, 0, 0}},
        {ZoneLevel::Warn, SectorZone{kInf, -30, 30, 0, 1800, 0, 0}},
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
    EXPECT_FALSE(box->holds(kNaN, 0, 500));
    // A volume that holds nothing has no bounds.
    EXPECT_FALSE(volumeBounds({ZoneLevel::Danger, BoxZone{0, 0, -1, 1, 0, 1}}).has_value());
    EXPECT_FALSE(volumeBounds({ZoneLevel::Warn, SectorZone{500, 30, 30, 0, 10, 0, 0}}).has_value());
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
    for (const LevelCase& c : {LevelCase{1100, ZoneLevel::Danger}, LevelCase{1200, ZoneLevel::Danger},
                               LevelCase{1250, ZoneLevel::Warn}, LevelCase{1301, std::nullopt},
                               LevelCase{999, std::nullopt}}) {
        EXPECT_EQ(highlightLevel(squareZones, c.x, 0.0, 500.0), c.level) << c.x;
    }

    // The notify box colours nothing; a sector template without notify has two volumes.
    const hazard_desk::ZoneTemplate freeBox = hazard_desk::defaultZoneTemplate(3, hazard_desk::TemplateType::SquareFree);
    EXPECT_EQ(zoneVolumes(freeBox).size(), 3u);
    EXPECT_EQ(highlightLevel(highlightVolumes(freeBox), 4000.0, 0.0, 500.0), std::nullopt);
    hazard_desk::ZoneTemplate sector = hazard_desk::defaultZoneTemplate(4, hazard_desk::TemplateType::Sector);
    EXPECT_EQ(zoneVolumes(sector).size(), 2u);
    std::get<hazard_desk::SectorZones>(sector.body).notify = SectorZone{2300.0, -30, 30, 50, 1000, 0, 0};
    const std::vector<ZoneVolume> volumes = zoneVolumes(sector);
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[2].level, ZoneLevel::Notify);
    EXPECT_EQ(highlightLevel(highlightVolumes(sector), 1250.0, 0.0, 500.0), ZoneLevel::Warn);
}

TEST(ZoneWireframe, SegmentsAreSampledEvery45MmWithAtLeastTwoSteps)
{
    struct Case {
        const char* name;
        Point3 b;
        std::size_t points;
    };
    const std::vector<Case> cases = {
        {"no length still has two steps", {0, 0, 0}, 3},
        {"90 mm is two steps", {90, 0, 0}, 3},
        {"90.5 mm needs a third", {0, 90.5, 0}, 4},
        {"450 mm in ten", {0, 0, 450}, 11},
        {"diagonal 3-4-5 of 225 mm", {135, 180, 0}, 6},
        {"a kilometre and more is bounded", {2e12, 0, 0}, static_cast<std::size_t>(kWireframeMaxSteps) + 1},
        {"a non-finite end adds nothing", {kNaN, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        std::vector<Point3> points;
        appendSegmentSamples({0, 0, 0}, c.b, points);
        ASSERT_EQ(points.size(), c.points) << c.name;
        if (c.points == 0) {
            continue;
        }
        EXPECT_EQ(points.front(), (Point3{0, 0, 0})) << c.name;
        EXPECT_EQ(points.back(), c.b) << c.name << ": the far end exactly";
        const double step = std::hypot(points[1][0], points[1][1], points[1][2]);
        const double last = std::hypot(points.back()[0] - points[points.size() - 2][0],
                                       points.back()[1] - points[points.size() - 2][1],
                                       points.back()[2] - points[points.size() - 2][2]);
        EXPECT_NEAR(step, last, 1e-9 * (1 + step)) << c.name << ": evenly spaced";
    }
}

TEST(ZoneWireframe, BoxHasItsTwelveEdges)
{
    // Edges along X of 450 mm (10 steps), along Y of 90 mm and Z of 45 mm (2 steps).
    const BoxZone box{100, 550, -45, 45, 0, 45};
    const std::vector<Point3> points = boxWireframe(box);
    EXPECT_EQ(points.size(), 4u * 11 + 4u * 3 + 4u * 3);
    for (const Point3& p : points) {
        // Every point lies on an edge: at least two coordinates on a bound.
        const int onBounds = (p[0] == box.minX || p[0] == box.maxX) + (p[1] == box.minY || p[1] == box.maxY) +
                             (p[2] == box.minZ || p[2] == box.maxZ);
        EXPECT_GE(onBounds, 2) << p[0] << " " << p[1] << " " << p[2];
    }
}

// Points strictly between the two heights on the rim belong to vertical edges.
std::size_t verticalEdgeCount(const std::vector<Point3>& points, const SectorZone& sector, std::size_t innerPerEdge)
{
    std::size_t inner = 0;
    for (const Point3& p : points) {
        const double r = std::hypot(p[0] - sector.centerX, p[1] - sector.centerY);
        if (p[2] > sector.minZ && p[2] < sector.maxZ && std::abs(r - sector.radius) < 1e-6) {
            ++inner;
        }
    }
    EXPECT_EQ(inner % innerPerEdge, 0u);
    return inner / innerPerEdge;
}

TEST(ZoneWireframe, SectorArcsEdgesAndRadii)
{
    struct Case {
        const char* name;
        SectorZone sector;
        std::size_t arcSegments;
        std::size_t verticalEdges;
    };
    // Radius 440 mm (radial edges of 10 steps, clear of a rounding at 450),
    // height 450 mm (vertical edges of 10 steps, 9 inner points each).
    const std::vector<Case> cases = {
        {"a 0 degree sector still has two arc segments", {440, 20, 20, 0, 450, 100, -50}, 2, 3},
        {"60 degrees: 40 segments, an edge every 6th vertex and at the end", {440, -30, 30, 0, 450, 0, 0}, 40, 8},
        {"1 degree: two segments", {440, 10, 11, 0, 450, 0, 0}, 2, 3},
        {"across the seam 170..190", {440, 170, 190, 0, 450, 0, 0}, 14, 8},
    };
    for (const Case& c : cases) {
        const std::vector<Point3> points = sectorWireframe(c.sector);
        const double chord = 2 * c.sector.radius * std::sin((c.sector.rightAngle - c.sector.leftAngle) / c.arcSegments /
                                                            2 / 57.29577951308232);
        const std::size_t perArcSegment = static_cast<std::size_t>(std::max(std::ceil(chord / 45.0), 2.0)) + 1;
        const std::size_t expected = 2 * c.arcSegments * perArcSegment + 4 * 11 + c.verticalEdges * 11;
        EXPECT_EQ(points.size(), expected) << c.name;
        EXPECT_EQ(verticalEdgeCount(points, c.sector, 9), c.verticalEdges) << c.name;
        for (const Point3& p : points) {
            const double r = std::hypot(p[0] - c.sector.centerX, p[1] - c.sector.centerY);
            ASSERT_LE(r, c.sector.radius + 1e-6) << c.name;
            ASSERT_TRUE(p[2] >= c.sector.minZ && p[2] <= c.sector.maxZ) << c.name;
        }
    }
    EXPECT_TRUE(sectorWireframe({kNaN, -30, 30, 0, 450, 0, 0}).empty());
    EXPECT_TRUE(sectorWireframe({450, -30, kNaN, 0, 450, 0, 0}).empty());
}

}  // namespace
}  // namespace zavov
