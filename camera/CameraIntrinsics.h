#pragma once

#include <cstdint>
#include <vector>

namespace algPlatform {

// Intrinsics and image geometry of one camera, copied into every FrameSet.
struct CameraIntrinsics {
    static constexpr std::size_t kDistortionCount = 5;

    float colorFx = 0.0f;
    float colorFy = 0.0f;
    float colorCx = 0.0f;
    float colorCy = 0.0f;
    std::int32_t colorWidth = 0;
    std::int32_t colorHeight = 0;
    std::int32_t colorType = 0;      // SDK element type; low three bits are an OpenCV depth
    std::int32_t colorChannels = 0;
    std::vector<float> colorDistortion = std::vector<float>(kDistortionCount, 0.0f);

    float depthFx = 0.0f;
    float depthFy = 0.0f;
    float depthCx = 0.0f;
    float depthCy = 0.0f;
    std::int32_t depthWidth = 0;
    std::int32_t depthHeight = 0;
    std::int32_t depthType = 0;
    float depthScale = 0.001f;
    std::vector<float> depthDistortion = std::vector<float>(kDistortionCount, 0.0f);

    // Colour exists when its width, height and channels are all at least 1.
    bool colorAvailable() const { return colorWidth >= 1 && colorHeight >= 1 && colorChannels >= 1; }

    // Forgets the colour sensor: geometry and lens values to 0.
    void clearColor()
    {
        colorFx = colorFy = colorCx = colorCy = 0.0f;
        colorWidth = colorHeight = colorType = colorChannels = 0;
        colorDistortion.assign(kDistortionCount, 0.0f);
    }
};

}  // namespace algPlatform
