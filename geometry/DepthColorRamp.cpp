#include "DepthColorRamp.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zavov {
namespace {

struct RampStop {
    float t;
    int red;
    int green;
    int blue;
};

constexpr std::array<RampStop, 5> kDepthRamp{{{0.00F, 255, 96, 0},
                                              {0.15F, 255, 232, 0},
                                              {0.35F, 72, 232, 0},
                                              {0.65F, 0, 220, 225},
                                              {1.00F, 30, 90, 255}}};

std::uint8_t interpolateChannel(int from, int to, float fraction)
{
    return static_cast<std::uint8_t>(std::lround(from + (to - from) * static_cast<double>(fraction)));
}

}  // namespace

RampColor depthRampColor(float t)
{
    const float clamped = std::isfinite(t) ? std::clamp(t, 0.0F, 1.0F) : 0.0F;
    for (std::size_t i = 1; i < kDepthRamp.size(); ++i) {
        const RampStop& low = kDepthRamp[i - 1];
        const RampStop& high = kDepthRamp[i];
        if (clamped <= high.t) {
            const float fraction = (clamped - low.t) / (high.t - low.t);
            return {interpolateChannel(low.red, high.red, fraction), interpolateChannel(low.green, high.green, fraction),
                    interpolateChannel(low.blue, high.blue, fraction)};
        }
    }
    const RampStop& last = kDepthRamp.back();
    return {static_cast<std::uint8_t>(last.red), static_cast<std::uint8_t>(last.green),
            static_cast<std::uint8_t>(last.blue)};
}

}  // namespace zavov
