// The ground calibration against synthetic floors whose true mount is known,
// and its failures.
#include "GroundCalibration.h"

#include "SyntheticScene.h"

#include <gtest/gtest.h>

#include <cmath>
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
        {"exact, looking down 30 degrees", {}, {60, -180, 90, 0, 0, 1200}, {3, -2, 0, 0, 0, 150}, 0},
        {"exact, other representation of the mount", {}, {-120, 0, -90, 0, 0, 1500}, {2, 2, 0, 0, 0, 80}, 0},
        {"exact, yaw differs from the truth", {}, {55, 178, 90, 0, 50, 1100}, {1.5, -1, 25, 0, 0, 40}, 0},
        {"exact, already calibrated", {}, {63, -177, 91, 120, 45, 850}, {0, 0, 0, 0, 0, -kFloorClearanceMm}, 0},
        {"noisy 20 mm, tilted 5 degrees", {}, {57, -176, 90, -80, 0, 1400}, {5, -4, 0, 0, 0, -300}, 20},
        {"noisy, camera 250 mm above the floor", {}, {75, -178, 90, 0, 0, 250}, {-3, 2, 0, 0, 0, 150}, 8},
        {"noisy, a wall and a box beside the floor", wallAndBox, {62, -178, 90, 0, 0, 1300},
         {-2, -2, 0, 0, 0, -300}, 8},
        {"noisy, a board lying on the floor", board, {58, -178, 90, 0, 0, 1100},
         {3, -2, 0, 0, 0, 120}, 8},
    };
    std::uint32_t seed = 11;
    for (const RecoveryCase& c : cases) {
        SCOPED_TRACE(c.name);
        RangeNoise noise;
        noise.sigmaMm = c.noiseSigmaMm;
        noise.seed = seed++;
        auto cloud = renderScene(c.scene, c.truth, noise);
        // A few finite but absurdly far returns (faulty pixels) among the floor.
        for (const float far : {3e37f, -3e37f, 1e20f}) {
            pcl::PointXYZRGB p;
            p.x = p.z = far;
            p.y = -far;
            cloud.push_back(p);
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
    Extrinsics initial;
    double expectedRoll, expectedPitch;  // exact values, already in [-180, 180]
};

// The floor normal fixes roll and pitch only up to the pair (roll, pitch) and
// (roll + 180, 180 - pitch); the one nearer the initial angles is kept.
TEST(GroundCalibration, KeepsTheSolutionNearestTheInitialAngles) {
    const SyntheticCamera down{-179.5, 0.5, -90, 0, 0, 2500};
    const SyntheticCamera tilted{60, -179, 90, 0, 0, 1200};
    const BranchCase cases[] = {
        {"looking straight down, roll stays near -180", down, {-179.9, 0, -90, 0, 0, 2500}, -179.5, 0.5},
        {"initial roll just below +180 wraps to -179.5", down, {179.8, 0, -90, 0, 0, 2500}, -179.5, 0.5},
        {"initial roll just above -180 wraps to +179.6", {179.6, -0.4, -90, 0, 0, 2500}, {-179.8, 0, -90, 0, 0, 2500},
         179.6, -0.4},
        {"second solution, pitch near -180", tilted, {63, -178, 90, 0, 0, 1200}, 60.0, -179.0},
        {"first solution for the mirrored initial pose", tilted, {-118, 1.5, -90, 0, 0, 1200}, -120.0, -1.0},
    };
    for (const BranchCase& c : cases) {
        SCOPED_TRACE(c.name);
        const GroundCalibrationResult result = calibrateGround(renderScene({}, c.truth), c.initial, 3u);
        ASSERT_TRUE(result.ok) << result.error;
        // Plain differences: the branch and the reduction must both be right.
        EXPECT_NEAR(result.pose.roll, c.expectedRoll, 0.01);
        EXPECT_NEAR(result.pose.pitch, c.expectedPitch, 0.01);
        expectTrueHeight(result, c.initial, c.truth, 0.1);
    }
}

// Nine valid points 5 mm apart among NaN, infinite and zero (no return) points.
pcl::PointCloud<pcl::PointXYZRGB> nineValidPoints() {
    pcl::PointCloud<pcl::PointXYZRGB> cloud(39, 1);
    for (int i = 0; i < 39; ++i) {
        cloud[i].x = i < 9 ? 5.0f * i : (i % 3 == 0 ? NAN : 0.0f);
        cloud[i].y = i < 9 ? 1000.0f : (i % 3 == 1 ? INFINITY : 0.0f);
        cloud[i].z = i < 9 ? 2000.0f : 0.0f;
    }
    return cloud;
}

// Two layers 80 mm apart, 1 m below a camera looking straight down: every
// fitted plane lies between them, 40 mm from each point, so the horizontal
// candidate has no connected piece.
pcl::PointCloud<pcl::PointXYZRGB> thinLayers() {
    pcl::PointCloud<pcl::PointXYZRGB> cloud(10, 1);
    for (int k = 0; k < 10; ++k) {
        cloud[k].x = static_cast<float>(80.0 * std::cos(M_PI * k / 5.0));
        cloud[k].y = static_cast<float>(80.0 * std::sin(M_PI * k / 5.0));
        cloud[k].z = k % 2 == 0 ? -960.0f : -1040.0f;
    }
    return cloud;
}

struct FailureCase {
    const char* name;
    pcl::PointCloud<pcl::PointXYZRGB> cloud;
    Extrinsics initial;
    std::string expectedError;
};

TEST(GroundCalibration, FailsWithItsMessageAndKeepsTheInitialPose) {
    const auto floor = renderScene({}, SyntheticCamera{60, -180, 90, 0, 0, 1200});
    const Extrinsics good{60, -180, 90, 10, 20, 1200};
    const SyntheticCamera level{90, -180, 90, 10, 20, 1200};

    const std::vector<FailureCase> cases = {
        {"nine valid points among NaN and zero points", nineValidPoints(), good, kNoValidCloudMessage},
        {"empty cloud", {}, good, kNoValidCloudMessage},
        {"infinite z", floor, {60, -180, 90, 10, 20, -INFINITY}, kInvalidInitialPoseMessage},
        {"NaN pose is reported before the cloud", {}, {60, -180, 90, 10, NAN, 1200}, kInvalidInitialPoseMessage},
        {"y beyond single precision", floor, {60, -180, 90, 10, 1e300, 1200}, kInvalidInitialPoseMessage},
        {"wall only", renderScene({false, 2500.0, {}}, level), extrinsicsOf(level), kNoHorizontalPlaneMessage},
        {"expected floor 100 m below the cloud", floor, {60, -180, 90, 10, 20, 100000}, kPlaneSegmentationFailedMessage},
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

}  // namespace
}  // namespace zavov
