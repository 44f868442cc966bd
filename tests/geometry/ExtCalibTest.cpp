#include "ExtCalib.h"

#include "SyntheticScene.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zavov {
namespace {

using testing::cameraRotation;
using testing::renderScene;
using testing::SyntheticCamera;
using testing::SyntheticScene;

constexpr float kScale = 1000.0f;

Eigen::Matrix4f poseMatrix(const SyntheticCamera& camera) {
    Eigen::Matrix4f pose = Eigen::Matrix4f::Identity();
    pose.topLeftCorner<3, 3>() =
        cameraRotation(camera.roll, camera.pitch, camera.yaw).cast<float>();
    pose(0, 3) = static_cast<float>(camera.x);
    pose(1, 3) = static_cast<float>(camera.y);
    pose(2, 3) = static_cast<float>(camera.z);
    return pose;
}

pcl::PointCloud<pcl::PointXYZ> xyzOf(const pcl::PointCloud<pcl::PointXYZRGB>& cloud) {
    pcl::PointCloud<pcl::PointXYZ> out;
    for (const auto& p : cloud) {
        if (p.x != 0.0f || p.y != 0.0f || p.z != 0.0f) {
            out.push_back(pcl::PointXYZ(p.x, p.y, p.z));
        }
    }
    return out;
}

TEST(ExtCalib, SameSeedGivesTheSameResult) {
    SyntheticCamera truth;
    testing::RangeNoise noise;
    noise.sigmaMm = 15.0;
    noise.seed = 99;
    SyntheticScene scene;
    scene.wallX = 4000.0;
    const auto cloud = xyzOf(renderScene(scene, truth, noise));
    const Eigen::Matrix4f pose = poseMatrix(truth);

    Eigen::Matrix4f first;
    Eigen::Matrix4f second;
    ExtCalib a(pose);
    ExtCalib b(pose);
    a.setRandomSeed(1234);
    b.setRandomSeed(1234);
    ASSERT_EQ(a.calibrate(cloud, first, kScale), ExtCalib::kPlaneFound);
    ASSERT_EQ(b.calibrate(cloud, second, kScale), ExtCalib::kPlaneFound);
    EXPECT_EQ(first, second);
    EXPECT_EQ(a.inlierCount(), b.inlierCount());
    EXPECT_EQ(a.rms(), b.rms());
}

TEST(ExtCalib, RejectsScalesThatAreNotPositive) {
    const auto cloud = xyzOf(renderScene(SyntheticScene{}, SyntheticCamera{}));
    for (float scale : {0.0f, -1000.0f, std::nanf(""), INFINITY}) {
        ExtCalib calibrator(poseMatrix(SyntheticCamera{}));
        Eigen::Matrix4f result = Eigen::Matrix4f::Identity();
        EXPECT_EQ(calibrator.calibrate(cloud, result, scale), ExtCalib::kInvalidInput) << scale;
        EXPECT_EQ(result, Eigen::Matrix4f::Identity());
        EXPECT_FALSE(calibrator.outputValid());
        EXPECT_EQ(calibrator.pointCount(), 0u);
    }
}

TEST(ExtCalib, ReportsWhyNoFloorWasFound) {
    struct Case {
        const char* name;
        pcl::PointCloud<pcl::PointXYZ> cloud;
        Eigen::Matrix4f pose;
        int expected;
    };
    std::vector<Case> cases;

    cases.push_back({"empty cloud", {}, Eigen::Matrix4f::Identity(), ExtCalib::kNoPlaneCandidate});

    // Points 1 m apart: no seed has ten neighbours within 0.2 m.
    pcl::PointCloud<pcl::PointXYZ> sparse;
    for (int i = 0; i < 30; ++i) {
        sparse.push_back(pcl::PointXYZ(static_cast<float>(i) * 1000.0f, 0.0f, -1000.0f));
    }
    Eigen::Matrix4f oneMetreUp = Eigen::Matrix4f::Identity();
    oneMetreUp(2, 3) = 1000.0f;
    cases.push_back({"sparse points", sparse, oneMetreUp, ExtCalib::kNoPlaneCandidate});

    // A wall only, or a floor far from the expected one: the ground
    // calibration's failure table, where each code has its message.

    // Two layers 80 mm apart: every fitted plane lies between them, 40 mm
    // from each point, so the horizontal candidate has no connected piece.
    pcl::PointCloud<pcl::PointXYZ> layers;
    for (int k = 0; k < 5; ++k) {
        const double top = 2.0 * M_PI * k / 5.0;
        const double bottom = top + M_PI / 5.0;
        layers.push_back(pcl::PointXYZ(80.0f * std::cos(top), 80.0f * std::sin(top), -960.0f));
        layers.push_back(
            pcl::PointXYZ(80.0f * std::cos(bottom), 80.0f * std::sin(bottom), -1040.0f));
    }
    cases.push_back({"two thin layers", layers, oneMetreUp, ExtCalib::kClusteringFailed});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::uint32_t seed : {1u, 2u, 3u}) {
            ExtCalib calibrator(c.pose);
            calibrator.setRandomSeed(seed);
            Eigen::Matrix4f result = Eigen::Matrix4f::Identity();
            EXPECT_EQ(calibrator.calibrate(c.cloud, result, kScale), c.expected);
            EXPECT_FALSE(calibrator.outputValid());
            EXPECT_EQ(result, Eigen::Matrix4f::Identity());
        }
    }
}

}  // namespace
}  // namespace zavov
