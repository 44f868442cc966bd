#include "FrameFailureBackoff.h"

#include <limits>

namespace hazard_desk {

FrameFailureBackoff::Step FrameFailureBackoff::recordFailure(const QString& error) {
    // A camera that stays away for days must not wrap the counter.
    if (failures_ < std::numeric_limits<int>::max()) {
        ++failures_;
    }
    Step step;
    if (error == QString::fromUtf8(kReconnectingError) || failures_ >= kSlowestFromFailure) {
        step.intervalMs = kSlowestIntervalMs;
    } else if (failures_ >= kSlowFromFailure) {
        step.intervalMs = kSlowIntervalMs;
    } else {
        step.intervalMs = kNormalIntervalMs;
    }
    step.log = failures_ == 1 || failures_ % kLogEveryFailures == 0;
    return step;
}

int FrameFailureBackoff::recordSuccess() {
    failures_ = 0;
    return kNormalIntervalMs;
}

}  // namespace hazard_desk
