#include "ZoneContainment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace zavov {
namespace {

using hazard_desk::BoxZone;
using hazard_desk::SectorZone;
using hazard_desk::ZoneLevel;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct PointCase {
    const char* name;
    double x, y, z;
    bool inside;
};

TEST(ZoneContainment, BoxBoundsAreInclusiveAndNeedPositiveExtent)
{
    const BoxZone box{0.0, 500.0, -100.0, 100.0, 50.0, 1000.0};
    const std::vector<PointCase> cases = {
        {"centre", 250, 0, 500, true},
        {"min corner", 0, -100, 50, true},
        {"max corner", 500, 100, 1000, true},
        {"just past maxX", std::nextafter(500.0, 1e9), 0, 500, false},
        {"just below minZ", 250, 0, std::nextafter(50.0, 0.0), false},
        {"beyond maxY", 250, 100.5, 500, false},
        {"NaN x", kNaN, 0, 500, false},
        {"infinite z", 250, 0, kInf, false},
    };
    for (const PointCase& c : cases) {
        EXPECT_EQ(boxContainsPoint(box, c.x, c.y, c.z), c.inside) << c.name;
    }
    // A box flat on any axis holds nothing, not even its own corner.
    for (BoxZone flat : {BoxZone{0, 0, -1, 1, 0, 1}, BoxZone{0, 1, 1, 1, 0, 1}, BoxZone{0, 1, -1, 1, 1, 1},
                         BoxZone{0, 1, -1, 1, kNaN, 1}}) {
        EXPECT_FALSE(boxContainsPoint(flat, flat.minX, flat.minY, 1.0));
    }
}

TEST(ZoneContainment, SectorRadiusHeightApexAndBearing)
{
    const SectorZone sector{1000.0, -30.0, 30.0, 50.0, 1000.0, 100.0, 0.0};
    const double edge = 30.0 / 57.29577951308232;
    const std::vector<PointCase> cases = {
        {"on the axis", 600, 0, 500, true},
        {"apex", 100, 0, 500, true},
        {"apex below minZ", 100, 0, 49, false},
        {"on the rim", 1100, 0, 1000, true},
        {"past the rim", 1100.001, 0, 500, false},
        {"behind the apex", 99, 0, 500, false},
        {"on the left edge", 100 + 500 * std::cos(-edge), 500 * std::sin(-edge), 500, true},
        {"left edge turned 1e-3 deg further", 100 + 500 * std::cos(-edge - 1.745e-5), 500 * std::sin(-edge - 1.745e-5),
         500, false},
        {"right edge", 100 + 500 * std::cos(edge), 500 * std::sin(edge), 500, true},
        {"NaN y", 600, kNaN, 500, false},
    };
    for (const PointCase& c : cases) {
        EXPECT_EQ(sectorContainsPoint(sector, c.x, c.y, c.z), c.inside) << c.name;
    }
}

TEST(ZoneContainment, SectorAnglesReachAcrossTheSeam)
{
    // atan2 gives bearings in (-180, 180]; the bearing -179 must match a
    // sector given as 170..190, and 179 one given as -190..-170.
    struct SeamCase {
        const char* name;
        double left, right, bearingDeg;
        bool inside;
    };
    const std::vector<SeamCase> cases = {
        {"170..190 holds -179", 170, 190, -179, true},
        {"170..190 holds 175", 170, 190, 175, true},
        {"170..190 misses -169", 170, 190, -169, false},
        {"-190..-170 holds 179", -190, -170, 179, true},
        {"-180..180 holds 180", -180, 180, 180, true},
        {"-180..180 holds -179.9", -180, 180, -179.9, true},
        {"-10..10 misses -10.5", -10, 10, -10.5, false},
    };
    for (const SeamCase& c : cases) {
        const SectorZone sector{500.0, c.left, c.right, 0.0, 10.0, 0.0, 0.0};
        const double a = c.bearingDeg / 57.29577951308232;
        EXPECT_EQ(sectorContainsPoint(sector, 200 * std::cos(a), 200 * std::sin(a), 5.0), c.inside) << c.name;
    }
}

TEST(ZoneContainment, DegenerateSectorsHoldNothing)
{
    const std::vector<SectorZone> sectors = {
        {0.0, -30, 30, 0, 10, 0, 0},     // no radius
        {500.0, 30, 30, 0, 10, 0, 0},    // no span
        {500.0, 40, 30, 0, 10, 0, 0},    // reversed span
        {500.0, -30, 30, 10, 10, 0, 0},  // no height
        {kNaN, -30, 30, 0, 10, 0, 0},
    };
    for (const SectorZone& sector : sectors) {
        EXPECT_FALSE(sectorContainsPoint(sector, 0.0, 0.0, 5.0));
        EXPECT_FALSE(sectorContainsPoint(sector, 100.0, 0.0, 5.0));
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

}  // namespace
}  // namespace zavov
