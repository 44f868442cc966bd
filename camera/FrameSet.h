#pragma once

#include <cstdint>
#include <functional>

#include <opencv2/core/mat.hpp>

#include "CameraIntrinsics.h"
#include "ColorCloud.h"

namespace algPlatform {

// One image of a frame: a deep copy owned by the frame, and its time in
// milliseconds since 1970 (0 when unset).
struct ImageFrame {
    cv::Mat image;
    std::int64_t timeMs = 0;
};

// The point cloud of a frame (unorganised, one point per depth pixel).
struct CloudFrame {
    corVane::ColorCloudPtr cloud;
    std::int64_t timeMs = 0;
};

// Everything acquired for one frame.
struct FrameSet {
    ImageFrame color;
    ImageFrame depth;
    CloudFrame cloud;
    std::int64_t timeMs = 0;          // frame time, milliseconds since 1970
    CameraIntrinsics intrinsics;      // the camera's intrinsics when the frame was read
};

// Receives frames of callback streaming (on the streaming thread).
using FrameCallback = std::function<void(FrameSet&)>;

}  // namespace algPlatform
