#include "MaskTestSupport.h"
#include "ZoneContainment.h"
#include "ZoneVolumeMesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

namespace zavov {
namespace {

using hazard_desk::BoxZone;
using hazard_desk::Extrinsics;
using hazard_desk::FreeBoxZones;
using hazard_desk::SectorZone;
using hazard_desk::SectorZones;
using hazard_desk::TemplateType;
using hazard_desk::ZoneLevel;
using hazard_desk::ZoneTemplate;
using testing::forwardMount;
using testing::masksOfBothPaths;
using testing::testRays;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ZoneTemplate sectorTemplate(double left, double right, double radius, double centerX = 0.0, double centerY = 0.0)
{
    ZoneTemplate zone = hazard_desk::defaultZoneTemplate(5, TemplateType::Sector);
    auto& sectors = std::get<SectorZones>(zone.body);
    sectors.danger = SectorZone{radius, left, right, 50.0, 1000.0, centerX, centerY};
    sectors.warning = SectorZone{radius + 300.0, left, right, 50.0, 1000.0, centerX, centerY};
    return zone;
}

ZoneTemplate freeBoxTemplate(const BoxZone& danger, const BoxZone& warning, const BoxZone& notify)
{
    ZoneTemplate zone = hazard_desk::defaultZoneTemplate(2, TemplateType::SquareFree);
    zone.body = FreeBoxZones{danger, warning, notify};
    return zone;
}

std::size_t pixelsSet(const MaskPair& pair)
{
    return static_cast<std::size_t>(cv::countNonZero(pair.farMask));
}

struct MaskCase {
    const char* name;
    bool fisheye;
    Extrinsics mount;
    ZoneTemplate zone;
    bool cameraInsideDanger;
};

// The fast loop gives the reference's bits on every kind of input; each case
// also sees its zones, and the invariants of the masks hold.
TEST(ZoneMasks, FastPathEqualsReferenceBitForBit)
{
    const BoxZone ahead{800, 2500, -900, 900, 0, 800};
    const std::vector<MaskCase> cases = {
        {"square ahead, pinhole", false, forwardMount(20, 0, 0, 600), ZoneTemplate{}, false},
        {"square ahead, fisheye", true, forwardMount(35, 0, 0, 900), ZoneTemplate{}, false},
        {"120 deg sector, camera at the apex", true, forwardMount(20, 0, 0, 600), sectorTemplate(-60, 60, 1200), true},
        {"narrow sector", false, forwardMount(15, 0, 0, 600), sectorTemplate(-0.75, 0.75, 3000), false},
        {"sector starting at 0 deg", false, forwardMount(20, 0, 0, 1400), sectorTemplate(0, 45, 2000), false},
        {"180 deg sector", true, forwardMount(25, 0, 0, 700), sectorTemplate(-90, 90, 1500), true},
        {"full-turn sector", true, forwardMount(30, 0, 0, 500), sectorTemplate(-180, 180, 1000), true},
        {"sector apex ahead, camera outside", false, forwardMount(25, 0, 0, 1200),
         sectorTemplate(-40, 25, 1500, 600, 300), false},
        {"free boxes, camera on a face", false, forwardMount(20, 0, 0, 600),
         hazard_desk::defaultZoneTemplate(2, TemplateType::SquareFree), false},
        {"camera inside a box", true, forwardMount(10, 0, 0, 600),
         freeBoxTemplate({-500, 900, -700, 700, 100, 1500}, ahead, {2500, 4000, -900, 900, 0, 800}), true},
        {"camera on a corner edge", false, forwardMount(20, 800, -900, 600),
         freeBoxTemplate(ahead, {2500, 3000, -900, 900, 0, 800}, {3000, 4000, -900, 900, 0, 800}), false},
        {"volume partly behind the camera", true, forwardMount(60, 0, 0, 1500),
         freeBoxTemplate({-3000, 2500, -1000, 1000, 0, 300}, {2500, 3000, -1000, 1000, 0, 300},
                         {3000, 4000, -1000, 1000, 0, 300}),
         false},
        {"camera looking backwards at the zones", false, Extrinsics{70, -180, -90, 2000, 0, 600}, ZoneTemplate{},
         false},
    };
    for (const MaskCase& c : cases) {
        const cv::Mat rays = testRays(c.fisheye, 64, 48);
        const TemplateMasks masks = masksOfBothPaths(rays, c.mount, c.zone, MaskOptions{}, c.name);
        ASSERT_TRUE(masks.ok()) << c.name << ": " << masks.error;
        const auto& danger = masks.level(ZoneLevel::Danger);
        ASSERT_TRUE(danger.has_value()) << c.name;
        EXPECT_GT(pixelsSet(*danger), 20u) << c.name << " sees its danger zone";
        for (const auto& pair : masks.levels) {
            if (!pair) {
                continue;
            }
            for (int y = 0; y < rays.rows; ++y) {
                for (int x = 0; x < rays.cols; ++x) {
                    const auto farValue = pair->farMask.at<std::uint16_t>(y, x);
                    const auto nearValue = pair->nearMask.at<std::uint16_t>(y, x);
                    if (farValue == 0) {
                        // A miss keeps the empty interval (or a touch at the camera itself).
                        EXPECT_TRUE(nearValue == 65535 || nearValue == 0) << c.name;
                    } else {
                        EXPECT_LE(nearValue, farValue) << c.name;
                    }
                }
            }
        }
        if (c.cameraInsideDanger) {
            EXPECT_EQ(cv::countNonZero((danger->farMask != 0) & (danger->nearMask != 0)), 0)
                << c.name << ": near must be 0 wherever far is set";
        }
    }
}

TEST(ZoneMasks, RandomMountsAndZonesGiveTheSameBits)
{
    std::mt19937 random(20240614);
    std::uniform_real_distribution<double> angle(-180.0, 180.0);
    std::uniform_real_distribution<double> position(-1500.0, 1500.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const cv::Mat pinhole = testRays(false, 64, 48);
    const cv::Mat fisheye = testRays(true, 64, 48);
    int casesWithHits = 0;
    constexpr int kCases = 24;
    for (int i = 0; i < kCases; ++i) {
        const Extrinsics mount{angle(random), angle(random) / 2.0, angle(random), position(random), position(random),
                               600.0 + position(random) / 3.0};
        ZoneTemplate zone;
        if (i % 2 == 0) {
            const double left = -170.0 + 150.0 * unit(random);
            zone = sectorTemplate(left, left + 1.0 + 180.0 * unit(random), 500.0 + 2000.0 * unit(random),
                                  position(random) / 3.0, position(random) / 3.0);
        } else {
            const auto box = [&] {
                const double x = position(random);
                const double y = position(random);
                return BoxZone{x, x + 50.0 + 2000.0 * unit(random), y, y + 50.0 + 2000.0 * unit(random),
                               100.0 * unit(random), 200.0 + 1500.0 * unit(random)};
            };
            zone = freeBoxTemplate(box(), box(), box());
        }
        const std::string name = "random case " + std::to_string(i);
        const TemplateMasks masks = masksOfBothPaths(i % 3 == 0 ? fisheye : pinhole, mount, zone, MaskOptions{}, name);
        if (masks.ok() && pixelsSet(*masks.level(ZoneLevel::Danger)) > 0) {
            ++casesWithHits;
        }
    }
    EXPECT_GE(casesWithHits, kCases / 3) << "the random cases must mostly see their zones";
}

// The masks agree with the inside tests of the same volumes: between near and
// far the ray is inside, a little beyond far it is outside.
TEST(ZoneMasks, RangesBoundWhatTheVolumesContain)
{
    struct Case {
        const char* name;
        ZoneTemplate zone;
        Extrinsics mount;
    };
    const std::vector<Case> cases = {
        {"boxes", hazard_desk::defaultZoneTemplate(2, TemplateType::SquareFree), forwardMount(25, -300, 100, 900)},
        {"sector", sectorTemplate(-50, 35, 1800, 200, -100), forwardMount(30, -200, 0, 1300)},
    };
    const cv::Mat rays = testRays(true);
    for (const Case& c : cases) {
        const TemplateMasks masks = generateTemplateMasks(rays, c.mount, c.zone, MaskOptions{});
        ASSERT_TRUE(masks.ok()) << c.name << ": " << masks.error;
        const ZoneVolume danger = zoneVolumes(c.zone).front();
        int checked = 0;
        for (int y = 0; y < rays.rows; ++y) {
            for (int x = 0; x < rays.cols; ++x) {
                const double farValue = masks.level(ZoneLevel::Danger)->farMask.at<std::uint16_t>(y, x);
                const double nearValue = masks.level(ZoneLevel::Danger)->nearMask.at<std::uint16_t>(y, x);
                if (farValue < nearValue + 4.0) {
                    continue;   // misses and grazing rays
                }
                const auto middle = testing::vehiclePoint(rays, x, y, (nearValue + farValue) / 2.0, c.mount);
                const auto beyond = testing::vehiclePoint(rays, x, y, farValue + 2.0, c.mount);
                EXPECT_TRUE(volumeContainsPoint(danger, middle[0], middle[1], middle[2])) << c.name << " " << x << "," << y;
                EXPECT_FALSE(volumeContainsPoint(danger, beyond[0], beyond[1], beyond[2])) << c.name << " " << x << "," << y;
                ++checked;
            }
        }
        EXPECT_GT(checked, 100) << c.name;
    }
}

TEST(ZoneMasks, FlatZoneTripsTheGuardInBothPaths)
{
    // A wall 0.4 mm thick seen face-on: entry and exit share their millimetre on most pixels.
    const ZoneTemplate wall =
        freeBoxTemplate({2000, 2000.4, -3000, 3000, 0, 2000}, {2500, 3000, -900, 900, 0, 800},
                        {3000, 4000, -900, 900, 0, 800});
    const cv::Mat rays = testRays(false);
    const Extrinsics mount = forwardMount(0, 0, 0, 600);
    const TemplateMasks guarded = masksOfBothPaths(rays, mount, wall, MaskOptions{}, "guarded wall");
    EXPECT_EQ(guarded.error, "danger mask: ZAVOV single-surface guard rejected the projected convex hull");
    EXPECT_FALSE(guarded.levels[0] || guarded.levels[1] || guarded.levels[2]) << "a failure returns no masks";

    MaskOptions unguarded;
    unguarded.singleSurfaceGuard = false;
    const TemplateMasks masks = masksOfBothPaths(rays, mount, wall, unguarded, "unguarded wall");
    ASSERT_TRUE(masks.ok()) << masks.error;
    const MaskPair& danger = *masks.level(ZoneLevel::Danger);
    const int coincident = cv::countNonZero((danger.farMask == danger.nearMask) & (danger.farMask != 0));
    EXPECT_GT(coincident, 4 * 96);
}

TEST(ZoneMasks, RangesBeyondTheLimitAreStoredAs65535)
{
    const ZoneTemplate far = freeBoxTemplate({60000, 80000, -40000, 40000, -10000, 30000},
                                             {80000, 90000, -900, 900, 0, 800}, {90000, 95000, -900, 900, 0, 800});
    const cv::Mat rays = testRays(false);
    MaskOptions options;
    options.singleSurfaceGuard = false;   // towards the edges both ranges exceed the limit
    const TemplateMasks masks = masksOfBothPaths(rays, forwardMount(0, 0, 0, 600), far, options, "far box");
    ASSERT_TRUE(masks.ok()) << masks.error;
    const MaskPair& danger = *masks.level(ZoneLevel::Danger);
    const int x = rays.cols / 2;
    const int y = rays.rows / 2;
    EXPECT_EQ(danger.farMask.at<std::uint16_t>(y, x), 65535);
    EXPECT_NEAR(danger.nearMask.at<std::uint16_t>(y, x), 60000, 20);   // about straight ahead: the front face
}

TEST(ZoneMasks, SquareTemplatesHaveNoNotifyMasks)
{
    const TemplateMasks masks =
        generateTemplateMasks(testRays(false), forwardMount(20, 0, 0, 600), ZoneTemplate{}, MaskOptions{});
    ASSERT_TRUE(masks.ok()) << masks.error;
    EXPECT_TRUE(masks.level(ZoneLevel::Danger) && masks.level(ZoneLevel::Warn));
    EXPECT_FALSE(masks.level(ZoneLevel::Notify));
    std::vector<int> kinds;
    for (const MaskImage& image : presentMaskImages(masks)) {
        kinds.push_back(image.kind);
        EXPECT_EQ(image.image.type(), CV_16UC1);
    }
    EXPECT_EQ(kinds, (std::vector<int>{0, 1, 2, 3}));
}

TEST(ZoneMasks, OutlinesAndHulls)
{
    // 60 degrees at 1 degree: 61 arc points and the apex, all on the hull.
    const ZoneVolume sixty{ZoneLevel::Danger, SectorZone{1000, -30, 30, 0, 100, 0, 0}};
    EXPECT_EQ(zoneOutline(sixty, 1.0).size(), 62u);
    EXPECT_EQ(convexHull(zoneOutline(sixty, 1.0)).size(), 62u);
    // A step that does not divide the span still reaches rightAngle: ceil(60 / 7) = 9 steps.
    const std::vector<Point2> coarse = zoneOutline(sixty, 7.0);
    ASSERT_EQ(coarse.size(), 11u);
    EXPECT_NEAR(coarse.back().y, 1000.0 * std::sin(30.0 / 57.29577951308232), 1e-9);
    // A full turn closes on itself at -180/180 and the apex falls inside.
    EXPECT_EQ(convexHull(zoneOutline({ZoneLevel::Danger, SectorZone{1000, -180, 180, 0, 100, 0, 0}}, 1.0)).size(), 360u);
    // Points closer than 1e-9 in both coordinates count as one.
    EXPECT_EQ(convexHull({{0, 0}, {1, 0}, {1e-10, 5e-10}, {0, 1}, {1, 1}, {1 - 1e-10, 1}}).size(), 4u);
    // n hull points give 4n - 4 triangles.
    EXPECT_EQ(extrudeHull(convexHull(zoneOutline(sixty, 1.0)), 0, 100).size(), 4u * 62u - 4u);
}

TEST(ZoneMasks, InputsAreCheckedInOrder)
{
    const cv::Mat rays = testRays(false, 16, 12);
    const Extrinsics mount = forwardMount(20, 0, 0, 600);
    const auto withStep = [](double step) {
        MaskOptions options;
        options.sectorAngularStepDeg = step;
        return options;
    };
    const auto withEpsilon = [](double epsilon) {
        MaskOptions options;
        options.triangleEpsilon = epsilon;
        return options;
    };
    cv::Mat nonFinite = rays.clone();
    nonFinite.at<cv::Vec3f>(5, 7)[1] = std::numeric_limits<float>::infinity();
    ZoneTemplate outOfRange;
    outOfRange.index = 20;
    ZoneTemplate negativeNear;
    negativeNear.index = 4;
    std::get<hazard_desk::SquareZones>(negativeNear.body).lowerLimit = -1.0;
    ZoneTemplate tinySector = sectorTemplate(-30, 30, 1e-12);
    std::get<SectorZones>(tinySector.body).warning.radius = 1e-12;

    struct Case {
        const char* name;
        cv::Mat rays;
        Extrinsics mount;
        ZoneTemplate zone;
        MaskOptions options;
        std::string error;
    };
    const std::string stepError = "sectorAngularStepDeg must be finite and within (0, 30]";
    const std::string epsilonError = "triangleEpsilon must be finite and non-negative";
    const std::vector<Case> cases = {
        {"empty rays", cv::Mat(), mount, ZoneTemplate{}, MaskOptions{}, "rays must not be empty"},
        {"two-channel rays", cv::Mat(4, 4, CV_32FC2, cv::Scalar(0)), mount, ZoneTemplate{}, MaskOptions{},
         "rays must have OpenCV type CV_32FC3"},
        {"step 0", rays, mount, ZoneTemplate{}, withStep(0.0), stepError},
        {"step 31", rays, mount, ZoneTemplate{}, withStep(31.0), stepError},
        {"step NaN", rays, mount, ZoneTemplate{}, withStep(kNaN), stepError},
        {"step 30", rays, mount, ZoneTemplate{}, withStep(30.0), ""},
        {"epsilon -1e-9", rays, mount, ZoneTemplate{}, withEpsilon(-1e-9), epsilonError},
        {"epsilon infinite", rays, mount, ZoneTemplate{}, withEpsilon(std::numeric_limits<double>::infinity()),
         epsilonError},
        {"epsilon 0", rays, mount, ZoneTemplate{}, withEpsilon(0.0), ""},
        {"non-finite ray", nonFinite, mount, ZoneTemplate{}, MaskOptions{}, "rays contains a non-finite u/v value"},
        {"template 20", rays, mount, outOfRange, MaskOptions{}, "template index must be within 0..19"},
        {"roll 200", rays, Extrinsics{200, -180, 90, 0, 0, 600}, ZoneTemplate{}, MaskOptions{},
         "extrinsics: roll, pitch, and yaw must stay within [-180, 180]"},
        {"negative lowerLimit", rays, mount, negativeNear, MaskOptions{},
         "templates[4].distance: must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"sector collapsing to a point", rays, mount, tinySector, MaskOptions{},
         "danger mask: convex volume has no non-degenerate triangles"},
        {"arc step far too fine", rays, mount, sectorTemplate(-30, 30, 1000), withStep(1e-4),
         "danger mask: sector outline needs more than 100000 arc steps"},
    };
    for (const Case& c : cases) {
        const TemplateMasks masks = generateTemplateMasks(c.rays, c.mount, c.zone, c.options);
        EXPECT_EQ(masks.error, c.error) << c.name;
    }
}

TEST(ZoneMasks, MaskFileNames)
{
    struct Case {
        int kind;
        int templateIndex;
        const char* name;
    };
    for (const Case& c : {Case{0, 0, "danger_far0.pgm"}, Case{1, 19, "danger_near19.pgm"}, Case{3, 7, "warn_near7.pgm"},
                          Case{4, 1, "notify_far1.pgm"}, Case{5, 12, "notify_near12.pgm"}}) {
        EXPECT_EQ(maskFileName(c.kind, c.templateIndex), c.name);
    }
    for (int index : {20, -1}) {
        try {
            maskFileName(0, index);
            ADD_FAILURE() << "index " << index << " must throw";
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "template index must be within 0..19");
        }
    }
    EXPECT_EQ(maskKind(ZoneLevel::Warn, true), 3);
}

}  // namespace
}  // namespace zavov
