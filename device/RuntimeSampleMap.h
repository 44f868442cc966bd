#pragma once
// One runtime sample as the worker publishes it on runtimeUpdated: the
// camera's I/O and verdict plus the worker's own frame rate and latency.
#include <QVariantMap>

#include "ObstacleRuntime.h"

namespace hazard_desk {

class RuntimeSampleMap {
public:
    static QVariantMap build(const ObstacleRuntime& runtime, float measuredFps, int latencyMs);
};

}  // namespace hazard_desk
