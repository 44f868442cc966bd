#pragma once
// One viewing ray per pixel of the depth sensor, from the intrinsics the
// camera reports: the input of the V1 zone masks. No Qt.
//
// Thread: the caller's (the camera worker's); the camera is read, never written.
#include <opencv2/core/mat.hpp>

#include <array>
#include <cstdint>
#include <string>

namespace algPlatform {
class ZrCameraK7;
}

namespace zavov {

// Messages of the ray generation; %1 and %2 are replaced by the values.
inline constexpr const char* kRayResolutionInvalidMessage = "3D 原始分辨率非法：%1 × %2";
inline constexpr const char* kRayCountMismatchMessage = "反畸变射线数量不匹配";
// The camera gave its resolution but not its pinhole block: without a camera
// matrix no ray can be placed.
inline constexpr const char* kRayPinholeUnreadableMessage = "无法读取 3D 针孔内参";
// OpenCV refused the intrinsics; %1 is its own text.
inline constexpr const char* kRayUndistortionFailedMessage = "反畸变失败：%1";

inline constexpr std::int64_t kMaxRayPixels = 8000000;
inline constexpr int kRayDistortionCount = 14;

// What the rays are computed from, as read from the camera. A failed read of
// the resolution leaves 0; pinholeRead says whether fx .. d13 were read.
struct RayIntrinsics {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool pinholeRead = false;
    float fx = 0.0f;
    float fy = 0.0f;
    float cx = 0.0f;
    float cy = 0.0f;
    std::array<float, kRayDistortionCount> distortion{};   // OpenCV order; fisheye uses the first four
    bool fisheye = false;
};

struct CameraRays {
    // Height x width, CV_32FC3, pixel (x, y) at row y, column x, holding
    // (u, v, 1): the undistorted normalized image coordinates of the pixel.
    // Empty on failure.
    cv::Mat rays;
    bool fisheye = false;
    std::string error;   // empty on success

    bool ok() const { return error.empty(); }
};

// Reads the native 3D resolution (1512, 1513), the pinhole block (6012) and
// the lens model (6014) from the camera and computes the rays. Never throws.
CameraRays generateCameraRays(algPlatform::ZrCameraK7& camera);

// The two halves of generateCameraRays, for callers that hold the
// intrinsics already (tests, benchmarks).
RayIntrinsics readRayIntrinsics(algPlatform::ZrCameraK7& camera);
CameraRays computeCameraRays(const RayIntrinsics& intrinsics);

}  // namespace zavov
