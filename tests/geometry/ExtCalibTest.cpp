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

// Input it cannot fit leaves the result alone. Clouds without a floor are
// the ground calibration's failure table, where each code has its message.
TEST(ExtCalib, RefusesInputItCannotFitWithoutAResult) {
    const auto cloud = xyzOf(renderScene(SyntheticScene{}, SyntheticCamera{}));
    struct Case {
        pcl::PointCloud<pcl::PointXYZ> cloud;
        float scale;
        int expected;
    };
    for (const Case& c : {Case{cloud, 0.0f, ExtCalib::kInvalidInput}, Case{cloud, -1000.0f, ExtCalib::kInvalidInput},
                          Case{cloud, std::nanf(""), ExtCalib::kInvalidInput},
                          Case{cloud, INFINITY, ExtCalib::kInvalidInput}, Case{{}, kScale, ExtCalib::kNoPlaneCandidate}}) {
        ExtCalib calibrator(poseMatrix(SyntheticCamera{}));
        Eigen::Matrix4f result = Eigen::Matrix4f::Identity();
        EXPECT_EQ(calibrator.calibrate(c.cloud, result, c.scale), c.expected) << c.scale << " " << c.cloud.size();
        EXPECT_EQ(result, Eigen::Matrix4f::Identity());
        EXPECT_FALSE(calibrator.outputValid());
        EXPECT_EQ(calibrator.pointCount(), 0u);
    }
}

}  // namespace
}  // namespace zavov
