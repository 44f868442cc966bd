#include "ZoneWireframe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace zavov {
namespace {

using hazard_desk::BoxZone;
using hazard_desk::SectorZone;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
