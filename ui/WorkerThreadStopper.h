#pragma once
// Ends the camera worker's thread without ever hanging the program: queues the
// worker's "shutdown" slot (it runs after whatever the worker is doing now),
// waits a bounded time, and otherwise lets the thread finish and delete
// itself on its own.
#include <QPointer>

class QObject;
class QThread;

namespace hazard_desk {

class WorkerThreadStopper {
public:
    static constexpr unsigned long kShutdownWaitMs = 5000;

    // Returns true when the thread finished in time. On return both pointers
    // are cleared when the thread was detached (the caller must forget them).
    static bool stop(QThread*& thread, QObject*& worker, unsigned long waitMs = kShutdownWaitMs);
};

}  // namespace hazard_desk
