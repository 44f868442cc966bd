#include "WorkerClock.h"

#include <QElapsedTimer>
#include <memory>

namespace hazard_desk {

WorkerClock startSteadyWorkerClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer]() { return timer->elapsed(); };
}

}  // namespace hazard_desk
