#pragma once
// How the frame pump slows down while grabs fail: the capture interval grows
// with the run of consecutive failures (a reconnecting camera gets the slowest
// pace at once), and only the first failure and every 30th one are worth a log
// line. Thread: the camera worker's thread.
#include <QString>

namespace hazard_desk {

class FrameFailureBackoff {
public:
    static constexpr int kNormalIntervalMs = 50;
    static constexpr int kSlowIntervalMs = 250;
    static constexpr int kSlowestIntervalMs = 1000;
    static constexpr int kSlowFromFailure = 3;
    static constexpr int kSlowestFromFailure = 10;
    static constexpr int kLogEveryFailures = 30;
    static constexpr const char* kReconnectingError = "相机正在重连";

    struct Step {
        int intervalMs = kNormalIntervalMs;
        bool log = false;
    };

    // One more failed grab with its error text.
    Step recordFailure(const QString& error);
    // A good grab ends the run; the interval to use from now on.
    int recordSuccess();
    void reset() { failures_ = 0; }

    int failures() const { return failures_; }

private:
    int failures_ = 0;
};

}  // namespace hazard_desk
