#include "FrameRateMeter.h"

#include <algorithm>
#include <utility>

namespace hazard_desk {

FrameRateMeter::FrameRateMeter(WorkerClock clock) : clock_(std::move(clock)), windowStartMs_(clock_()) {}

void FrameRateMeter::restart() {
    frameCount_ = 0;
    windowStartMs_ = clock_();
}

void FrameRateMeter::frameDelivered() {
    ++frameCount_;
    const qint64 elapsedMs = clock_() - windowStartMs_;
    if (elapsedMs >= kMeasureWindowMs) {
        measuredFps_ = static_cast<float>(frameCount_ * 1000.0 / static_cast<double>(std::max<qint64>(elapsedMs, 1)));
        restart();
    }
}

}  // namespace hazard_desk
