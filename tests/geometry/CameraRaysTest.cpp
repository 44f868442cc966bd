// The rays as read from a camera through the camera layer.
#include "CameraRays.h"
#include "RaySimScene.h"
#include "ZrCameraK7.h"

#include <gtest/gtest.h>

#include <memory>

namespace zavov {
namespace {

// Resolution, pinhole block and lens model come from the camera; a failed
// read of the first two is an error, a missing lens model means the
// standard one.
TEST_F(RaySimTest, ReadsTheIntrinsicsAndReportsFailedReads)
{
    struct Case {
        const char* ip;
        const char* fault;  // or null
        int width, height;
        float fx;
        bool fisheye;
        const char* error;
    };
    const Case cases[] = {
        {kPinhole, nullptr, 48, 36, 40.0f, false, ""},
        {kFisheye, nullptr, 40, 30, 20.0f, true, ""},
        {kFisheye, R"({"unsupported": {"6014": -2}})", 40, 30, 20.0f, false, ""},
        {kPinhole, R"({"unsupported": {"1512": -2}})", 0, 0, 0.0f, false, "3D 原始分辨率非法：0 × 36"},
        {kPinhole, R"({"unsupported": {"6012": -2}})", 0, 0, 0.0f, false, "无法读取 3D 针孔内参"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + (c.fault ? c.fault : "no fault"));
        ZrSim_Reset();
        ASSERT_EQ(ZrSim_LoadSceneText(kRayTestScene), 0);
        if (c.fault) {
            setFault(c.ip, c.fault);
        }
        algPlatform::DeviceInfo info;
        info.ip = c.ip;
        auto camera = std::make_unique<algPlatform::ZrCameraK7>(info);
        ASSERT_EQ(camera->open(), 0);
        const RayIntrinsics intrinsics = readRayIntrinsics(*camera);
        const CameraRays rays = generateCameraRays(*camera);
        camera->close();
        EXPECT_EQ(rays.error, c.error);
        if (!rays.ok()) {
            continue;
        }
        EXPECT_EQ(intrinsics.fx, c.fx);
        EXPECT_EQ(rays.fisheye, c.fisheye);
        EXPECT_EQ(rays.rays.cols, c.width);
        EXPECT_EQ(rays.rays.rows, c.height);
        // The ray of the principal point looks straight ahead.
        const cv::Vec3f centre = rays.rays.at<cv::Vec3f>(c.height / 2, c.width / 2);
        EXPECT_NEAR(centre[0], 0.0f, 0.05f);
        EXPECT_NEAR(centre[1], 0.0f, 0.05f);
    }
}

}  // namespace
}  // namespace zavov
