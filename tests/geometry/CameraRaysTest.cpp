// The rays of a camera, read through the camera layer: projected back through
// the lens the camera reports, each ray lands on its own pixel.
#include "CameraRays.h"
#include "RaySimScene.h"
#include "ZrCameraK7.h"

#include <gtest/gtest.h>
#include <opencv2/calib3d.hpp>

#include <memory>
#include <vector>

namespace zavov {
namespace {

// The lens of each virtual camera of the scene; a failed read of the pinhole
// block is an error, a missing lens model means the standard one. A failed
// read of the resolution is the masks command's and the camera worker's to check.
TEST_F(RaySimTest, RaysReprojectOntoTheirPixelsAndFailedReadsAreReported)
{
    struct Case {
        const char* ip;
        const char* fault;  // or null
        int width, height;
        double fx, fy, cx, cy;
        std::vector<double> distortion;
        bool fisheye;
        const char* error;
    };
    const std::vector<double> pinholeLens{0.04, -0.01, 0.001, -0.002, 0.0};
    const std::vector<double> fisheyeLens{0.02, -0.005, 0.001, 0.0};
    const Case cases[] = {
        {kPinhole, nullptr, 48, 36, 40, 41, 24, 17.5, pinholeLens, false, ""},
        {kFisheye, nullptr, 40, 30, 20, 20, 20, 15, fisheyeLens, true, ""},
        {kFisheye, R"({"unsupported": {"6014": -2}})", 40, 30, 20, 20, 20, 15, fisheyeLens, false, ""},
        {kPinhole, R"({"unsupported": {"6012": -2}})", 0, 0, 0, 0, 0, 0, {}, false, "无法读取 3D 针孔内参"},
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
        const CameraRays rays = generateCameraRays(*camera);
        camera->close();
        ASSERT_EQ(rays.error, c.error);
        if (!rays.ok()) {
            EXPECT_TRUE(rays.rays.empty());
            continue;
        }
        EXPECT_EQ(rays.fisheye, c.fisheye);
        ASSERT_EQ(rays.rays.type(), CV_32FC3);
        ASSERT_EQ(rays.rays.cols, c.width);
        ASSERT_EQ(rays.rays.rows, c.height);
        std::vector<cv::Point3d> points;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const cv::Vec3f ray = rays.rays.at<cv::Vec3f>(y, x);
                ASSERT_EQ(ray[2], 1.0f);
                points.emplace_back(ray[0], ray[1], 1.0);
            }
        }
        // The fall-back to the standard lens projects with the same coefficients.
        const cv::Matx33d k(c.fx, 0, c.cx, 0, c.fy, c.cy, 0, 0, 1);
        std::vector<cv::Point2d> pixels;
        if (c.fisheye) {
            cv::fisheye::projectPoints(points, pixels, cv::Vec3d(), cv::Vec3d(), k, c.distortion);
        } else {
            cv::projectPoints(points, cv::Vec3d(), cv::Vec3d(), k, c.distortion, pixels);
        }
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_NEAR(pixels[i].x, static_cast<double>(i % c.width), 0.05) << "pixel " << i;
            EXPECT_NEAR(pixels[i].y, static_cast<double>(i / c.width), 0.05) << "pixel " << i;
        }
    }
    // A resolution no sensor has is refused before anything is allocated.
    RayIntrinsics huge;
    huge.width = 4000;
    huge.height = 2001;
    huge.pinholeRead = true;
    EXPECT_EQ(computeCameraRays(huge).error, "3D 原始分辨率非法：4000 × 2001");
}

}  // namespace
}  // namespace zavov
