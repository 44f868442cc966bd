#pragma once
// Runs plink or pscp to the end on the calling thread (no event loop
// needed), checking every 100 ms whether the export was cancelled or the run
// took too long. A cancelled run is asked to end, then killed.
#include <QString>
#include <QStringList>

#include <atomic>

#include "ProcessResult.h"

namespace hazard_desk {

class SshProcessRunner {
public:
    static constexpr int kStartTimeoutMs = 10000;
    static constexpr int kPollStepMs = 100;
    static constexpr int kTerminateGraceMs = 1500;
    static constexpr int kKillWaitMs = 1500;
};

// The process gets the system environment, the application's folder as its
// working folder and separate output channels; its input is closed at once.
ProcessResult runProcess(const QString& program, const QStringList& arguments, int timeoutMs,
                         const std::atomic_bool& cancelFlag);

}  // namespace hazard_desk
