#include "WorkerThreadStopper.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace hazard_desk {

bool WorkerThreadStopper::stop(QThread*& thread, QObject*& worker, unsigned long waitMs) {
    if (thread == nullptr || !thread->isRunning()) {
        return true;
    }
    if (worker != nullptr) {
        QMetaObject::invokeMethod(worker, "shutdown", Qt::QueuedConnection);
    } else {
        thread->quit();
    }
    if (thread->wait(waitMs)) {
        return true;
    }
    // The worker is stuck (e.g. inside a camera call): detach the thread so it
    // deletes itself whenever it finishes, and stop waiting.
    thread->requestInterruption();
    thread->setParent(nullptr);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread = nullptr;
    worker = nullptr;
    return false;
}

}  // namespace hazard_desk
