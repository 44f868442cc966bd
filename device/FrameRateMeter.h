#pragma once
// Frames per second as the worker delivers them: frames are counted and, once
// at least a second has passed, turned into a rate and the count restarts.
// Thread: the camera worker's thread.
#include "WorkerClock.h"

namespace hazard_desk {

class FrameRateMeter {
public:
    static constexpr qint64 kMeasureWindowMs = 1000;

    explicit FrameRateMeter(WorkerClock clock);

    // Forgets the count and starts a new window (the last rate stays).
    void restart();
    // Counts one delivered frame; closes the window when it is long enough.
    void frameDelivered();

    float measuredFps() const { return measuredFps_; }
    int frameCount() const { return frameCount_; }

private:
    WorkerClock clock_;
    qint64 windowStartMs_ = 0;
    int frameCount_ = 0;
    float measuredFps_ = 0.0F;
};

}  // namespace hazard_desk
