// The ground calibration against synthetic floors whose true mount is known,
// its failures, and the calibrator's own refusal of a scale.
#include "ExtCalib.h"
#include "GroundCalibration.h"

#include "SyntheticScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace zavov {
namespace {

using hazard_desk::Extrinsics;
using testing::cameraRotation;
using testing::RangeNoise;
using testing::renderScene;
using testing::SyntheticCamera;
using testing::SyntheticScene;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// The calibrated pose puts the floor this far below z = 0.
constexpr double kFloorClearanceMm = 5.0;

Extrinsics extrinsicsOf(const SyntheticCamera& c) { return Extrinsics{c.roll, c.pitch, c.yaw, c.x, c.y, c.z}; }

// Signed difference a - b folded into [-180, 180].
double angleDifference(double a, double b) { return std::remainder(a - b, 360.0); }

// Angle between the floor normals (third rows) of two poses, degrees.
double normalAngle(const Extrinsics& a, const Extrinsics& b) {
    const Eigen::Vector3d ga = cameraRotation(a.roll, a.pitch, a.yaw).row(2);
    const Eigen::Vector3d gb = cameraRotation(b.roll, b.pitch, b.yaw).row(2);
    return std::atan2(ga.cross(gb).norm(), ga.dot(gb)) * 180.0 / M_PI;
}

// The floor lies on z = 0 (less the clearance); yaw, x and y are not touched.
void expectTrueHeight(const GroundCalibrationResult& result, const Extrinsics& initial, const SyntheticCamera& truth,
                      double heightTolerance) {
    EXPECT_NEAR(result.pose.z, truth.z - kFloorClearanceMm, heightTolerance);
    EXPECT_EQ(result.pose.yaw, initial.yaw);
    EXPECT_EQ(result.pose.x, initial.x);
    EXPECT_EQ(result.pose.y, initial.y);
}

struct RecoveryCase {
    const char* name;
    SyntheticScene scene;
    SyntheticCamera truth;
    Extrinsics offset;  // initial = truth + offset
    double noiseSigmaMm;
    bool faultyPixels;  // a few finite but absurdly far returns among the floor
};

// Exact floors are limited by single-precision arithmetic only; noisy floors
// (range noise along each ray, seeded) by the fit over thousands of points.
// The same seed gives the same pose.
TEST(GroundCalibration, RecoversRollPitchAndHeightOfTheTrueMount) {
    const SyntheticScene wallAndBox{true, 3500.0, {{{1500, -400, 0}, {2200, 300, 600}}}};
    // A board 60 mm high lying on the floor ahead: a second horizontal plane
    // just above the floor, smaller than the floor in view.
    const SyntheticScene board{true, std::nullopt, {{{1200, -500, 0}, {1900, 500, 60}}}};
    const std::vector<RecoveryCase> cases = {
        {"exact, looking down 30 degrees", {}, {60, -180, 90, 0, 0, 1200}, {3, -2, 0, 0, 0, 150}, 0, false},
        {"exact, leaning sideways", {}, {65, -175, 90, 300, -120, 900}, {-4, 3, 0, 0, 0, -200}, 0, false},
        {"exact, other representation of the mount", {}, {-120, 0, -90, 0, 0, 1500}, {2, 2, 0, 0, 0, 80}, 0, false},
        {"exact, yaw differs from the truth", {}, {55, 178, 90, 0, 50, 1100}, {1.5, -1, 25, 0, 0, 40}, 0, false},
        {"exact, already calibrated", {}, {63, -177, 91, 120, 45, 850}, {0, 0, 0, 0, 0, -kFloorClearanceMm}, 0, false},
        {"exact, absurdly far returns", {}, {60, -179, 90, 0, 0, 1100}, {2, -1, 0, 0, 0, -100}, 0, true},
        {"noisy 20 mm, tilted 5 degrees", {}, {57, -176, 90, -80, 0, 1400}, {5, -4, 0, 0, 0, -300}, 20, false},
        {"noisy, camera 250 mm above the floor", {}, {75, -178, 90, 0, 0, 250}, {-3, 2, 0, 0, 0, 150}, 8, false},
        {"noisy, a wall and a box beside the floor", wallAndBox, {62, -178, 90, 0, 0, 1300},
         {-2, -2, 0, 0, 0, -300}, 8, false},
        {"noisy, a board lying on the floor", board, {58, -178, 90, 0, 0, 1100},
         {3, -2, 0, 0, 0, 120}, 8, false},
    };
    std::uint32_t seed = 11;
    for (const RecoveryCase& c : cases) {
        SCOPED_TRACE(c.name);
        RangeNoise noise;
        noise.sigmaMm = c.noiseSigmaMm;
        noise.seed = seed++;
        auto cloud = renderScene(c.scene, c.truth, noise);
        if (c.faultyPixels) {
            for (const float far : {3e37f, -3e37f, 1e20f}) {
                pcl::PointXYZRGB p;
                p.x = p.z = far;
                p.y = -far;
                cloud.push_back(p);
            }
        }
        const Extrinsics initial{c.truth.roll + c.offset.roll, c.truth.pitch + c.offset.pitch,
                                 c.truth.yaw + c.offset.yaw,   c.truth.x,
                                 c.truth.y,                    c.truth.z + c.offset.z};
        const bool exact = c.noiseSigmaMm == 0.0;

        const GroundCalibrationResult result = calibrateGround(cloud, initial, seed);
        ASSERT_TRUE(result.ok) << result.error;
        // Same floor normal as the truth (whatever the yaw), so roll and pitch
        // match the truth up to whole turns.
        EXPECT_NEAR(angleDifference(result.pose.roll, c.truth.roll), 0.0, exact ? 0.01 : 0.3);
        EXPECT_NEAR(angleDifference(result.pose.pitch, c.truth.pitch), 0.0, exact ? 0.01 : 0.3);
        expectTrueHeight(result, initial, c.truth, exact ? 0.1 : 10.0);
        EXPECT_NEAR(result.tiltCorrection, normalAngle(initial, extrinsicsOf(c.truth)), exact ? 0.01 : 0.3);
        EXPECT_DOUBLE_EQ(result.heightCorrection, result.pose.z - initial.z);
        EXPECT_GT(result.inlierCount, result.pointCount / 2);
        EXPECT_LE(result.inlierCount, result.pointCount);
        // Down-sampling averages the noise; the rest stays in the RMS.
        EXPECT_LT(result.rmsMillimetres, exact ? 0.1 : c.noiseSigmaMm);
        EXPECT_TRUE(exact || result.rmsMillimetres > 0.0);
        EXPECT_EQ(calibrateGround(cloud, initial, seed).pose, result.pose) << "same seed, same pose";
    }
}

struct BranchCase {
    const char* name;
    SyntheticCamera truth;
    double initialRoll, initialPitch, initialYaw;
    double expectedRoll, expectedPitch;  // exact values, already in [-180, 180]
};

// The floor normal fixes roll and pitch only up to the pair (roll, pitch) and
// (roll + 180, 180 - pitch); the one nearer the initial angles is kept.
TEST(GroundCalibration, KeepsTheSolutionNearestTheInitialAngles) {
    const SyntheticCamera down{-179.5, 0.5, -90, 0, 0, 2500};
    const BranchCase cases[] = {
        {"looking straight down, roll stays near -180", down, -179.9, 0.0, -90.0, -179.5, 0.5},
        {"initial roll just below +180 wraps to -179.5", down, 179.8, 0.0, -90.0, -179.5, 0.5},
        {"initial roll just above -180 wraps to +179.6", {179.6, -0.4, -90, 0, 0, 2500}, -179.8, 0.0, -90.0,
         179.6, -0.4},
        {"second solution, pitch near -180", {60, -179, 90, 0, 0, 1200}, 63.0, -178.0, 90.0, 60.0, -179.0},
        {"first solution for the mirrored initial pose", {60, -179, 90, 0, 0, 1200}, -118.0, 1.5, -90.0, -120.0,
         -1.0},
    };
    for (const BranchCase& c : cases) {
        SCOPED_TRACE(c.name);
        Extrinsics initial = extrinsicsOf(c.truth);
        initial.roll = c.initialRoll;
        initial.pitch = c.initialPitch;
        initial.yaw = c.initialYaw;
        const GroundCalibrationResult result = calibrateGround(renderScene({}, c.truth), initial, 3u);
        ASSERT_TRUE(result.ok) << result.error;
        // Plain differences: the branch and the reduction must both be right.
        EXPECT_NEAR(result.pose.roll, c.expectedRoll, 0.01);
        EXPECT_NEAR(result.pose.pitch, c.expectedPitch, 0.01);
        expectTrueHeight(result, initial, c.truth, 0.1);
    }
}

// valid points spacingMm apart, then NaN/infinite and zero (no return) points.
pcl::PointCloud<pcl::PointXYZRGB> scatteredPoints(int valid, int invalid, float spacingMm) {
    pcl::PointCloud<pcl::PointXYZRGB> cloud;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < valid + 2 * invalid; ++i) {
        pcl::PointXYZRGB p;
        p.x = i < valid ? static_cast<float>(i) * spacingMm : (i % 3 == 0 ? nan : 0.0f);
        p.y = i < valid ? 1000.0f : (i % 3 == 1 ? std::numeric_limits<float>::infinity() : 0.0f);
        p.z = i < valid ? 2000.0f : 0.0f;
        cloud.push_back(p);
    }
    return cloud;
}

// Two layers 80 mm apart, 1 m below a camera looking straight down: every
// fitted plane lies between them, 40 mm from each point, so the horizontal
// candidate has no connected piece.
pcl::PointCloud<pcl::PointXYZRGB> thinLayers() {
    pcl::PointCloud<pcl::PointXYZRGB> cloud;
    for (int k = 0; k < 10; ++k) {
        pcl::PointXYZRGB p;
        p.x = static_cast<float>(80.0 * std::cos(M_PI * k / 5.0));
        p.y = static_cast<float>(80.0 * std::sin(M_PI * k / 5.0));
        p.z = k % 2 == 0 ? -960.0f : -1040.0f;
        cloud.push_back(p);
    }
    return cloud;
}

Extrinsics withField(double Extrinsics::*field, double value) {
    Extrinsics e{60, -180, 90, 10, 20, 1200};
    e.*field = value;
    return e;
}

struct FailureCase {
    const char* name;
    pcl::PointCloud<pcl::PointXYZRGB> cloud;
    Extrinsics initial;
    std::string expectedError;
};

TEST(GroundCalibration, FailsWithItsMessageAndKeepsTheInitialPose) {
    const auto floor = renderScene({}, SyntheticCamera{60, -180, 90, 0, 0, 1200});
    const Extrinsics good = withField(&Extrinsics::x, 10);
    const SyntheticScene wallOnly{false, 2500.0, {}};
    const SyntheticCamera level{90, -180, 90, 10, 20, 1200};

    const std::vector<FailureCase> cases = {
        {"nine valid points among NaN and zero points", scatteredPoints(9, 30, 5.0f), good, kNoValidCloudMessage},
        {"empty cloud", {}, good, kNoValidCloudMessage},
        {"infinite z", floor, withField(&Extrinsics::z, -kInf), kInvalidInitialPoseMessage},
        {"NaN pose is reported before the cloud", {}, withField(&Extrinsics::y, kNaN), kInvalidInitialPoseMessage},
        {"y beyond single precision", floor, withField(&Extrinsics::y, 1e300), kInvalidInitialPoseMessage},
        {"wall only", renderScene(wallOnly, level), extrinsicsOf(level), kNoHorizontalPlaneMessage},
        {"ten points too far apart for a plane", scatteredPoints(10, 5, 1000.0f), good,
         kPlaneSegmentationFailedMessage},
        {"expected floor 100 m below the cloud", floor, withField(&Extrinsics::z, 100000.0),
         kPlaneSegmentationFailedMessage},
        {"two thin layers", thinLayers(), Extrinsics{0, 0, 0, 0, 0, 1000}, kClusteringFailedMessage},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const GroundCalibrationResult result = calibrateGround(c.cloud, c.initial, 1u);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, c.expectedError);
        EXPECT_EQ(result.pose, c.initial);
        EXPECT_EQ(result.tiltCorrection, 0.0);
        EXPECT_EQ(result.heightCorrection, 0.0);
        EXPECT_TRUE(std::isfinite(result.rmsMillimetres));
    }
    const GroundCalibrationResult null = calibrateGround(pcl::PointCloud<pcl::PointXYZRGB>::ConstPtr(), good);
    EXPECT_EQ(null.error, kNoValidCloudMessage);
    EXPECT_EQ(null.pose, good);
}

// The cloud's unit is the caller's: a scale that is not a positive finite
// number is refused and the result left alone.
TEST(ExtCalib, RefusesAScaleThatIsNotPositiveAndFinite) {
    pcl::PointCloud<pcl::PointXYZ> cloud;
    for (const auto& p : renderScene({}, SyntheticCamera{})) {
        cloud.push_back(pcl::PointXYZ(p.x, p.y, p.z));
    }
    for (const float scale : {0.0f, -1000.0f, std::nanf(""), INFINITY}) {
        ExtCalib calibrator(Eigen::Matrix4f::Identity());
        Eigen::Matrix4f result = Eigen::Matrix4f::Identity();
        EXPECT_EQ(calibrator.calibrate(cloud, result, scale), ExtCalib::kInvalidInput) << scale;
        EXPECT_EQ(result, Eigen::Matrix4f::Identity());
        EXPECT_FALSE(calibrator.outputValid());
        EXPECT_EQ(calibrator.pointCount(), 0u);
    }
}

}  // namespace
}  // namespace zavov
