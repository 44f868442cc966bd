#pragma once
// The clock, sleeper and progress line a configuration write runs on. The
// worker binds them to a monotonic clock, a blocking sleep and its progress
// signal; tests bind a clock that the sleeper advances, so the 6-second
// bounds pass in microseconds.
#include <QString>
#include <QtGlobal>

#include <functional>

namespace hazard_desk {

struct DeviceWriteTiming {
    std::function<qint64()> elapsedMs;                // milliseconds since the write began
    std::function<void(int)> sleepMs;                 // blocks the worker thread
    std::function<void(const QString&)> progress;     // publishes one stage
};

}  // namespace hazard_desk
