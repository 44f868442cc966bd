#pragma once
// Per-pixel viewing rays of a depth sensor: (u, v, 1) in the camera frame, from
// undistorting every pixel with the sensor's lens model.

#include <vector>

#include "SimScene.h"

namespace zrsim {

struct CameraRays {
    int width = 0;
    int height = 0;
    /// 3 floats per pixel, row-major: u, v, 1. A pixel whose ray cannot be
    /// formed (outside the fisheye's field) holds NaN.
    std::vector<float> directions;
};

CameraRays computeCameraRays(const DepthSensorSpec& depth);

}  // namespace zrsim
