#pragma once
// The colour of a distance: near is warm, far is cool. One ramp for the depth
// image and for a cloud coloured by distance, so both show a distance alike.
// Pure function, any thread.
#include <cstdint>

namespace zavov {

struct RampColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// t in 0..1 (clamped; not finite counts as 0), interpolated linearly between
// the stops 0.00 (255, 96, 0), 0.15 (255, 232, 0), 0.35 (72, 232, 0),
// 0.65 (0, 220, 225), 1.00 (30, 90, 255) and rounded per channel.
RampColor depthRampColor(float t);

}  // namespace zavov
