// The rays as read from a camera through the camera layer.
#include "CameraRays.h"
#include "RaySimScene.h"
#include "ZrCameraK7.h"

#include <gtest/gtest.h>

#include <memory>

namespace zavov {
namespace {

std::unique_ptr<algPlatform::ZrCameraK7> openCamera(const char* ip)
{
    algPlatform::DeviceInfo info;
    info.ip = ip;
    auto camera = std::make_unique<algPlatform::ZrCameraK7>(info);
    EXPECT_EQ(camera->open(), 0);
    return camera;
}

TEST_F(RaySimTest, ReadsResolutionIntrinsicsAndLensModel)
{
    struct Case {
        const char* ip;
        int width;
        int height;
        bool fisheye;
        float fx;
    };
    for (const Case& c : {Case{kPinhole, 48, 36, false, 40.0f}, Case{kFisheye, 40, 30, true, 20.0f}}) {
        auto camera = openCamera(c.ip);
        const RayIntrinsics in = readRayIntrinsics(*camera);
        EXPECT_EQ(in.width, c.width) << c.ip;
        EXPECT_EQ(in.height, c.height) << c.ip;
        EXPECT_TRUE(in.pinholeRead) << c.ip;
        EXPECT_EQ(in.fx, c.fx) << c.ip;
        EXPECT_EQ(in.fisheye, c.fisheye) << c.ip;

        const CameraRays rays = generateCameraRays(*camera);
        ASSERT_TRUE(rays.ok()) << rays.error;
        EXPECT_EQ(rays.fisheye, c.fisheye);
        EXPECT_EQ(rays.rays.cols, c.width);
        EXPECT_EQ(rays.rays.rows, c.height);
        // The ray of the principal point looks straight ahead.
        const cv::Vec3f centre = rays.rays.at<cv::Vec3f>(c.height / 2, c.width / 2);
        EXPECT_NEAR(centre[0], 0.0f, 0.05f);
        EXPECT_NEAR(centre[1], 0.0f, 0.05f);
        camera->close();
    }
}

TEST_F(RaySimTest, FailedReadsGiveTheirMessages)
{
    struct Case {
        const char* fault;
        const char* error;
    };
    for (const Case& c : {Case{R"({"unsupported": {"1512": -2}})", "3D 原始分辨率非法：0 × 36"},
                          Case{R"({"unsupported": {"6012": -2}})", "无法读取 3D 针孔内参"}}) {
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kRayTestScene), 0);
        setFault(kPinhole, c.fault);
        auto camera = openCamera(kPinhole);
        EXPECT_EQ(generateCameraRays(*camera).error, c.error) << c.fault;
        camera->close();
    }
    // Without the lens model record the standard model is used.
    setFault(kFisheye, R"({"unsupported": {"6014": -2}})");
    auto camera = openCamera(kFisheye);
    const CameraRays rays = generateCameraRays(*camera);
    EXPECT_TRUE(rays.ok()) << rays.error;
    EXPECT_FALSE(rays.fisheye);
}

}  // namespace
}  // namespace zavov
