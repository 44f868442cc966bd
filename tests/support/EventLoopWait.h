#pragma once
// Runs the Qt event loop until a condition holds or the time is up; for tests
// that wait for queued signals of another thread or for a repaint.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace hazard_desk::test {

inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace hazard_desk::test
