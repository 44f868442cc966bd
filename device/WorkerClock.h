#pragma once
// The monotonic clock the camera worker measures its status cadence and frame
// rate with: milliseconds from an arbitrary start. Injected so tests can step
// time instead of waiting for it.
#include <QtGlobal>
#include <functional>

namespace hazard_desk {

using WorkerClock = std::function<qint64()>;

// A steady clock that starts at zero when it is created.
WorkerClock startSteadyWorkerClock();

}  // namespace hazard_desk
