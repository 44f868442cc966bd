#pragma once
// Rays, mounts and templates shared by the mask tests.
#include "CameraRays.h"
#include "RotationConversion.h"
#include "ZoneMasks.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <array>
#include <string>

namespace zavov::testing {

// Small ray images keep the reference loop quick, also under the sanitizers.
inline cv::Mat testRays(bool fisheye, int width = 96, int height = 72)
{
    RayIntrinsics in;
    in.width = width;
    in.height = height;
    in.pinholeRead = true;
    in.fx = fisheye ? 30.0f : 60.0f;
    in.fy = in.fx;
    in.cx = static_cast<float>(width) / 2.0f - 0.5f;
    in.cy = static_cast<float>(height) / 2.0f - 0.5f;
    in.distortion = {0.03f, -0.01f, fisheye ? 0.002f : 0.001f, fisheye ? -0.0005f : -0.002f};
    in.fisheye = fisheye;
    const CameraRays rays = computeCameraRays(in);
    EXPECT_TRUE(rays.ok()) << rays.error;
    return rays.rays;
}

// Camera x, y, z above the vehicle origin, looking forward and down by tilt degrees.
inline hazard_desk::Extrinsics forwardMount(double tiltDeg, double x, double y, double z)
{
    return hazard_desk::Extrinsics{90.0 - tiltDeg, -180.0, 90.0, x, y, z};
}

// A point at range r along the ray of pixel (x, y), in the vehicle frame.
inline std::array<double, 3> vehiclePoint(const cv::Mat& rays, int x, int y, double range,
                                          const hazard_desk::Extrinsics& mount)
{
    const cv::Vec3f ray = rays.at<cv::Vec3f>(y, x);
    const double length = std::sqrt(double(ray[0]) * ray[0] + double(ray[1]) * ray[1] + 1.0);
    const double c[3] = {ray[0] * range / length, ray[1] * range / length, range / length};
    const hazard_desk::RotationMatrix r = hazard_desk::rotationFromEulerDegrees(mount.roll, mount.pitch, mount.yaw);
    return {r[0] * c[0] + r[1] * c[1] + r[2] * c[2] + mount.x, r[3] * c[0] + r[4] * c[1] + r[5] * c[2] + mount.y,
            r[6] * c[0] + r[7] * c[1] + r[8] * c[2] + mount.z};
}

// Both loops on the same input; the result of the fast one.
inline TemplateMasks masksOfBothPaths(const cv::Mat& rays, const hazard_desk::Extrinsics& mount,
                                      const hazard_desk::ZoneTemplate& zone, MaskOptions options,
                                      const std::string& name)
{
    options.projection = MaskProjection::Reference;
    const TemplateMasks reference = generateTemplateMasks(rays, mount, zone, options);
    options.projection = MaskProjection::Fast;
    TemplateMasks fast = generateTemplateMasks(rays, mount, zone, options);
    EXPECT_EQ(fast.error, reference.error) << name;
    for (std::size_t level = 0; level < 3; ++level) {
        EXPECT_EQ(fast.levels[level].has_value(), reference.levels[level].has_value()) << name << " level " << level;
        if (fast.levels[level] && reference.levels[level]) {
            EXPECT_EQ(cv::norm(fast.levels[level]->farMask, reference.levels[level]->farMask, cv::NORM_INF), 0.0)
                << name << " far of level " << level;
            EXPECT_EQ(cv::norm(fast.levels[level]->nearMask, reference.levels[level]->nearMask, cv::NORM_INF), 0.0)
                << name << " near of level " << level;
        }
    }
    return fast;
}

}  // namespace zavov::testing
