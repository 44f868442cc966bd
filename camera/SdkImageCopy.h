#pragma once

#include <cstdint>

#include <opencv2/core/mat.hpp>

#include "ColorCloud.h"

struct ZrFrameBlock;

namespace algPlatform {

// Deep copies of the SDK's library-owned buffers into OpenCV images and PCL
// clouds, made at once (the SDK reuses its buffers on the next frame).
class SdkImageCopy {
public:
    // OpenCV depth code of an SDK element type (its low three bits).
    static int cvDepthOf(std::int32_t sdkType) { return sdkType & 7; }

    // Image of height x width with the type's depth and the channel count,
    // copied from data; empty when the geometry is not positive or data is null.
    static cv::Mat copyImage(const void* data, std::int32_t width, std::int32_t height, std::int32_t sdkType,
                             std::int32_t channels);

    // Image of one frame block (its own geometry, type and channels).
    static cv::Mat copyBlock(const ZrFrameBlock& block);

    // Fills the cloud with one black point per pixel (x, y, z floats per
    // pixel, rows one after the other); unorganised, no point dropped.
    static void fillCloud(const float* xyz, std::int32_t width, std::int32_t height, corVane::ColorCloud& cloud);
};

}  // namespace algPlatform
