#include "AlgorithmSwitchConfirmation.h"

#include "ObstacleCameraBridge.h"

namespace hazard_desk {

AlgorithmSwitchConfirmation::ModeOutcome AlgorithmSwitchConfirmation::confirmMode(
    ObstacleCameraBridge& camera, int target, const std::function<void(int)>& sleepMs)
{
    ModeOutcome outcome;
    for (int read = 1; read <= kModeReads; ++read) {
        int mode = -1;
        QString error;
        if (camera.readAlgorithmMode(mode, &error)) {
            outcome.lastMode = mode;
            if (mode == target) {
                outcome.confirmed = true;
                return outcome;
            }
        } else {
            outcome.lastError = error;
        }
        if (read < kModeReads) {
            sleepMs(kRetryStepMs);
        }
    }
    return outcome;
}

bool AlgorithmSwitchConfirmation::readConfiguration(ObstacleCameraBridge& camera, int target,
                                                    const std::function<void(int)>& sleepMs,
                                                    ActiveConfiguration& out, QString& error)
{
    for (int attempt = 1; attempt <= kConfigurationReads; ++attempt) {
        // Asking for the target mode turns a read in any other mode into a
        // failure with the mismatch text.
        if (camera.readActiveConfiguration(out, &error, target)) {
            return true;
        }
        if (attempt < kConfigurationReads) {
            sleepMs(kRetryStepMs);
        }
    }
    return false;
}

}  // namespace hazard_desk
