#include "CameraRays.h"

#include <cmath>
#include <limits>

#include <opencv2/calib3d.hpp>

namespace zrsim {

CameraRays computeCameraRays(const DepthSensorSpec& depth) {
    CameraRays rays;
    rays.width = depth.width;
    rays.height = depth.height;
    const size_t count = static_cast<size_t>(depth.width) * static_cast<size_t>(depth.height);
    std::vector<cv::Point2f> pixels;
    pixels.reserve(count);
    for (int y = 0; y < depth.height; ++y) {
        for (int x = 0; x < depth.width; ++x) pixels.emplace_back(static_cast<float>(x), static_cast<float>(y));
    }
    const cv::Matx33d k(depth.fx, 0.0, depth.cx, 0.0, depth.fy, depth.cy, 0.0, 0.0, 1.0);
    std::vector<cv::Point2f> normalized;
    if (depth.fisheye) {
        const cv::Vec4d d(depth.distortion[0], depth.distortion[1], depth.distortion[2], depth.distortion[3]);
        cv::fisheye::undistortPoints(pixels, normalized, k, d);
    } else {
        const std::vector<double> d(depth.distortion.begin(), depth.distortion.end());
        cv::undistortPoints(pixels, normalized, k, d);
    }
    rays.directions.resize(count * 3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (size_t i = 0; i < count; ++i) {
        const cv::Point2f p = i < normalized.size() ? normalized[i] : cv::Point2f(nan, nan);
        const bool ok = std::isfinite(p.x) && std::isfinite(p.y) && std::abs(p.x) < 1e3f && std::abs(p.y) < 1e3f;
        rays.directions[i * 3 + 0] = ok ? p.x : nan;
        rays.directions[i * 3 + 1] = ok ? p.y : nan;
        rays.directions[i * 3 + 2] = ok ? 1.0f : nan;
    }
    return rays;
}

}  // namespace zrsim
