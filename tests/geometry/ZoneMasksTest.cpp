#include "CameraRays.h"
#include "RotationConversion.h"
#include "ZoneContainment.h"
#include "ZoneMasks.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <string>
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

// Small ray images keep the reference loop quick, also under the sanitizers.
cv::Mat testRays(bool fisheye, int width = 96, int height = 72) {
    const float f = fisheye ? 30.0f : 60.0f;
    const RayIntrinsics in{width, height, true, f, f, width / 2.0f - 0.5f, height / 2.0f - 0.5f,
                           {0.03f, -0.01f, fisheye ? 0.002f : 0.001f, fisheye ? -0.0005f : -0.002f}, fisheye};
    const CameraRays rays = computeCameraRays(in);
    EXPECT_TRUE(rays.ok()) << rays.error;
    return rays.rays;
}

// Camera x, y, z above the vehicle origin, looking forward and down by tilt degrees.
Extrinsics forwardMount(double tiltDeg, double x, double y, double z) {
    return Extrinsics{90.0 - tiltDeg, -180.0, 90.0, x, y, z};
}

// The point at range r along the ray of pixel (x, y), in the vehicle frame.
std::array<double, 3> vehiclePoint(const cv::Mat& rays, int x, int y, double range, const Extrinsics& mount) {
    const cv::Vec3f ray = rays.at<cv::Vec3f>(y, x);
    const double length = std::sqrt(double(ray[0]) * ray[0] + double(ray[1]) * ray[1] + 1.0);
    const double c[3] = {ray[0] * range / length, ray[1] * range / length, range / length};
    const hazard_desk::RotationMatrix r = hazard_desk::rotationFromEulerDegrees(mount.roll, mount.pitch, mount.yaw);
    return {r[0] * c[0] + r[1] * c[1] + r[2] * c[2] + mount.x, r[3] * c[0] + r[4] * c[1] + r[5] * c[2] + mount.y,
            r[6] * c[0] + r[7] * c[1] + r[8] * c[2] + mount.z};
}

// Both loops on the same input must give the same bits; the fast one's result.
TemplateMasks masksOfBothPaths(const cv::Mat& rays, const Extrinsics& mount, const ZoneTemplate& zone,
                               MaskOptions options) {
    options.projection = MaskProjection::Reference;
    const TemplateMasks reference = generateTemplateMasks(rays, mount, zone, options);
    options.projection = MaskProjection::Fast;
    TemplateMasks fast = generateTemplateMasks(rays, mount, zone, options);
    EXPECT_EQ(fast.error, reference.error);
    for (std::size_t level = 0; level < 3; ++level) {
        EXPECT_EQ(fast.levels[level].has_value(), reference.levels[level].has_value()) << "level " << level;
        if (fast.levels[level] && reference.levels[level]) {
            EXPECT_EQ(cv::norm(fast.levels[level]->farMask, reference.levels[level]->farMask, cv::NORM_INF), 0.0);
            EXPECT_EQ(cv::norm(fast.levels[level]->nearMask, reference.levels[level]->nearMask, cv::NORM_INF), 0.0);
        }
    }
    return fast;
}

ZoneTemplate sectorTemplate(double left, double right, double radius, double centerX = 0.0, double centerY = 0.0) {
    ZoneTemplate zone = hazard_desk::defaultZoneTemplate(5, TemplateType::Sector);
    auto& sectors = std::get<SectorZones>(zone.body);
    sectors.danger = SectorZone{radius, left, right, 50.0, 1000.0, centerX, centerY};
    sectors.warning = SectorZone{radius + 300.0, left, right, 50.0, 1000.0, centerX, centerY};
    return zone;
}

ZoneTemplate freeBoxTemplate(const BoxZone& danger, const BoxZone& warning, const BoxZone& notify) {
    ZoneTemplate zone = hazard_desk::defaultZoneTemplate(2, TemplateType::SquareFree);
    zone.body = FreeBoxZones{danger, warning, notify};
    return zone;
}

struct MaskCase {
    std::string name;
    bool fisheye;
    Extrinsics mount;
    ZoneTemplate zone;
    bool cameraInsideDanger;
};

// Random mounts and zones, half sectors, half free boxes.
std::vector<MaskCase> randomMaskCases(int count) {
    std::mt19937 random(20240614);
    std::uniform_real_distribution<double> angle(-180.0, 180.0);
    std::uniform_real_distribution<double> position(-1500.0, 1500.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto box = [&] {
        const double x = position(random);
        const double y = position(random);
        return BoxZone{x, x + 50.0 + 2000.0 * unit(random), y, y + 50.0 + 2000.0 * unit(random), 100.0 * unit(random),
                       200.0 + 1500.0 * unit(random)};
    };
    std::vector<MaskCase> cases;
    for (int i = 0; i < count; ++i) {
        const Extrinsics mount{angle(random),    angle(random) / 2.0, angle(random),
                               position(random), position(random),    600.0 + position(random) / 3.0};
        ZoneTemplate zone;
        if (i % 2 == 0) {
            const double left = -170.0 + 150.0 * unit(random);
            zone = sectorTemplate(left, left + 1.0 + 180.0 * unit(random), 500.0 + 2000.0 * unit(random),
                                  position(random) / 3.0, position(random) / 3.0);
        } else {
            zone = freeBoxTemplate(box(), box(), box());
        }
        cases.push_back({"random case " + std::to_string(i), i % 3 == 0, mount, zone, false});
    }
    return cases;
}

// The fast loop gives the reference's bits on every kind of input, and the
// masks agree with the inside tests of the same volumes: a miss keeps the
// empty interval, between near and far the ray is inside, a little beyond far
// it is outside, and near is 0 wherever far is set when the camera is inside.
TEST(ZoneMasks, FastPathEqualsReferenceAndRangesBoundTheVolumes) {
    const BoxZone ahead{800, 2500, -900, 900, 0, 800};
    const std::vector<MaskCase> named = {
        {"square ahead, pinhole", false, forwardMount(20, 0, 0, 600), ZoneTemplate{}, false},
        {"120 deg sector, camera at the apex", true, forwardMount(20, 0, 0, 600), sectorTemplate(-60, 60, 1200), true},
        {"narrow sector", false, forwardMount(15, 0, 0, 600), sectorTemplate(-0.75, 0.75, 3000), false},
        {"full-turn sector", true, forwardMount(30, 0, 0, 500), sectorTemplate(-180, 180, 1000), true},
        {"sector apex ahead, camera outside", true, forwardMount(30, -200, 0, 1300),
         sectorTemplate(-50, 35, 1800, 200, -100), false},
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
    std::vector<MaskCase> cases = named;
    const std::vector<MaskCase> random = randomMaskCases(24);
    cases.insert(cases.end(), random.begin(), random.end());
    std::size_t randomWithHits = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const MaskCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const cv::Mat rays = testRays(c.fisheye, 64, 48);
        const TemplateMasks masks = masksOfBothPaths(rays, c.mount, c.zone, MaskOptions{});
        if (i < named.size()) {
            ASSERT_TRUE(masks.ok()) << masks.error;
            EXPECT_GT(cv::countNonZero(masks.level(ZoneLevel::Danger)->farMask), 20) << "sees its danger zone";
        } else if (!masks.ok()) {
            continue;
        } else {
            randomWithHits += cv::countNonZero(masks.level(ZoneLevel::Danger)->farMask) > 0;
        }
        const std::vector<ZoneVolume> volumes = zoneVolumes(c.zone);
        EXPECT_EQ(masks.level(ZoneLevel::Notify).has_value(), volumes.size() == 3);
        for (const ZoneVolume& volume : volumes) {
            const MaskPair& pair = *masks.level(volume.level);
            const bool inside = c.cameraInsideDanger && volume.level == ZoneLevel::Danger;
            for (int y = 0; y < rays.rows; ++y) {
                for (int x = 0; x < rays.cols; ++x) {
                    const double farValue = pair.farMask.at<std::uint16_t>(y, x);
                    const double nearValue = pair.nearMask.at<std::uint16_t>(y, x);
                    // A miss keeps the empty interval (or a touch at the camera itself).
                    ASSERT_TRUE(farValue != 0 || nearValue == 65535 || nearValue == 0) << x << "," << y;
                    ASSERT_TRUE(farValue == 0 || (nearValue <= farValue && (!inside || nearValue == 0))) << x << "," << y;
                    if (farValue < nearValue + 4.0 || farValue == 65535) {
                        continue;  // misses, grazing rays and ranges beyond the limit
                    }
                    const auto middle = vehiclePoint(rays, x, y, (nearValue + farValue) / 2.0, c.mount);
                    const auto beyond = vehiclePoint(rays, x, y, farValue + 2.0, c.mount);
                    ASSERT_TRUE(volumeContainsPoint(volume, middle[0], middle[1], middle[2])) << x << "," << y;
                    ASSERT_FALSE(volumeContainsPoint(volume, beyond[0], beyond[1], beyond[2])) << x << "," << y;
                }
            }
        }
    }
    EXPECT_GE(randomWithHits, random.size() / 3) << "the random cases must mostly see their zones";
}

TEST(ZoneMasks, FlatZoneTripsTheGuardInBothPaths) {
    // A wall 0.4 mm thick seen face-on: entry and exit share their millimetre on most pixels.
    const ZoneTemplate wall = freeBoxTemplate({2000, 2000.4, -3000, 3000, 0, 2000}, {2500, 3000, -900, 900, 0, 800},
                                              {3000, 4000, -900, 900, 0, 800});
    const TemplateMasks guarded = masksOfBothPaths(testRays(false), forwardMount(0, 0, 0, 600), wall, {});
    EXPECT_EQ(guarded.error, "danger mask: ZAVOV single-surface guard rejected the projected convex hull");
    EXPECT_FALSE(guarded.levels[0] || guarded.levels[1] || guarded.levels[2]) << "a failure returns no masks";

}

TEST(ZoneMasks, InputsAreCheckedInOrder) {
    const cv::Mat rays = testRays(false, 16, 12);
    const Extrinsics mount = forwardMount(20, 0, 0, 600);
    cv::Mat nonFinite = rays.clone();
    nonFinite.at<cv::Vec3f>(5, 7)[1] = std::numeric_limits<float>::infinity();
    ZoneTemplate outOfRange;
    outOfRange.index = 20;
    ZoneTemplate negativeNear;
    negativeNear.index = 4;
    std::get<hazard_desk::SquareZones>(negativeNear.body).lowerLimit = -1.0;
    ZoneTemplate tinySector = sectorTemplate(-30, 30, 1e-12);
    std::get<SectorZones>(tinySector.body).warning.radius = 1e-12;
    const ZoneTemplate square;
    struct Case {
        const char* name;
        cv::Mat rays;
        Extrinsics mount;
        ZoneTemplate zone;
        MaskOptions options;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"empty rays", cv::Mat(), mount, square, {}, "rays must not be empty"},
        {"two-channel rays", cv::Mat(4, 4, CV_32FC2, cv::Scalar(0)), mount, square, {},
         "rays must have OpenCV type CV_32FC3"},
        {"step 31", rays, mount, square, {31.0}, "sectorAngularStepDeg must be finite and within (0, 30]"},
        {"non-finite ray", nonFinite, mount, square, {}, "rays contains a non-finite u/v value"},
        {"template 20", rays, mount, outOfRange, {}, "template index must be within 0..19"},
        {"negative lowerLimit", rays, mount, negativeNear, {},
         "templates[4].distance: must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"sector collapsing to a point", rays, mount, tinySector, {},
         "danger mask: convex volume has no non-degenerate triangles"},
        {"arc step far too fine", rays, mount, sectorTemplate(-30, 30, 1000), {1e-4},
         "danger mask: sector outline needs more than 100000 arc steps"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(generateTemplateMasks(c.rays, c.mount, c.zone, c.options).error, c.error) << c.name;
    }
}

}  // namespace
}  // namespace zavov
