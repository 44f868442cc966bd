#pragma once
// After the algorithm mode was written: wait for the camera to report it,
// then read the configuration it now runs. A camera takes a moment to switch
// generations, so both steps retry a few times, 100 ms apart, on the sleeper
// the worker hands in (tests hand in one that only advances a clock).
// Thread: the camera worker's.
#include <QString>

#include <functional>

#include "ActiveConfiguration.h"

namespace hazard_desk {

class ObstacleCameraBridge;

class AlgorithmSwitchConfirmation {
public:
    static constexpr int kModeReads = 5;
    static constexpr int kConfigurationReads = 3;
    static constexpr int kRetryStepMs = 100;

    struct ModeOutcome {
        bool confirmed = false;
        int lastMode = -1;   // value of the last successful read, -1 when none succeeded
        QString lastError;   // error of the last failed read
    };

    // Up to kModeReads reads of the algorithm mode, sleeping after each of the
    // first kModeReads - 1 that does not report target.
    static ModeOutcome confirmMode(ObstacleCameraBridge& camera, int target, const std::function<void(int)>& sleepMs);

    // Up to kConfigurationReads consistent reads until one succeeds in mode
    // target, sleeping after each failure but the last; the last error on failure.
    static bool readConfiguration(ObstacleCameraBridge& camera, int target, const std::function<void(int)>& sleepMs,
                                  ActiveConfiguration& out, QString& error);
};

}  // namespace hazard_desk
