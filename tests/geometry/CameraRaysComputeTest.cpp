#include "CameraRays.h"

#include <gtest/gtest.h>
#include <opencv2/calib3d.hpp>

#include <vector>

namespace zavov {
namespace {

RayIntrinsics intrinsics(int width, int height, bool fisheye)
{
    RayIntrinsics in;
    in.width = width;
    in.height = height;
    in.pinholeRead = true;
    in.fx = 50.0f;
    in.fy = 52.0f;
    in.cx = static_cast<float>(width) / 2.0f;
    in.cy = static_cast<float>(height) / 2.0f - 1.0f;
    in.distortion = {0.05f, -0.01f, 0.001f, -0.002f, 0.001f};
    in.fisheye = fisheye;
    return in;
}

// Projecting each ray with the lens model gives back its pixel.
TEST(CameraRaysCompute, RaysReprojectOntoTheirPixels)
{
    for (const bool fisheye : {false, true}) {
        const RayIntrinsics in = intrinsics(40, 30, fisheye);
        const CameraRays rays = computeCameraRays(in);
        ASSERT_TRUE(rays.ok()) << rays.error;
        EXPECT_EQ(rays.fisheye, fisheye);
        ASSERT_EQ(rays.rays.type(), CV_32FC3);
        ASSERT_EQ(rays.rays.rows, 30);
        ASSERT_EQ(rays.rays.cols, 40);

        std::vector<cv::Point3d> points;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const cv::Vec3f ray = rays.rays.at<cv::Vec3f>(y, x);
                ASSERT_EQ(ray[2], 1.0f);
                points.emplace_back(ray[0], ray[1], 1.0);
            }
        }
        const cv::Matx33d k(in.fx, 0, in.cx, 0, in.fy, in.cy, 0, 0, 1);
        std::vector<cv::Point2d> pixels;
        if (fisheye) {
            cv::fisheye::projectPoints(points, pixels, cv::Vec3d(), cv::Vec3d(), k,
                                       cv::Vec4d(in.distortion[0], in.distortion[1], in.distortion[2], in.distortion[3]));
        } else {
            std::vector<double> d(in.distortion.begin(), in.distortion.end());
            cv::projectPoints(points, cv::Vec3d(), cv::Vec3d(), k, d, pixels);
        }
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_NEAR(pixels[i].x, static_cast<double>(i % 40), 0.05) << (fisheye ? "fisheye " : "pinhole ") << i;
            EXPECT_NEAR(pixels[i].y, static_cast<double>(i / 40), 0.05) << (fisheye ? "fisheye " : "pinhole ") << i;
        }
    }
}

TEST(CameraRaysCompute, ResolutionAndIntrinsicsAreChecked)
{
    struct Case {
        int width;
        int height;
        bool pinholeRead;
        const char* error;
    };
    for (const Case& c : {Case{640, 0, true, "3D 原始分辨率非法：640 × 0"}, Case{-4, 3, true, "3D 原始分辨率非法：-4 × 3"},
                          Case{4000, 2001, true, "3D 原始分辨率非法：4000 × 2001"},
                          Case{8, 6, false, "无法读取 3D 针孔内参"}}) {
        RayIntrinsics in = intrinsics(c.width, c.height, false);
        in.pinholeRead = c.pinholeRead;
        const CameraRays rays = computeCameraRays(in);
        EXPECT_EQ(rays.error, c.error);
        EXPECT_TRUE(rays.rays.empty());
    }
}

}  // namespace
}  // namespace zavov
