#include "RuntimeSampleMap.h"

#include <QVariantList>

namespace hazard_desk {

QVariantMap RuntimeSampleMap::build(const ObstacleRuntime& runtime, float measuredFps, int latencyMs) {
    QVariantMap map;
    map.insert(QStringLiteral("ioStatus"), runtime.ioStatus);
    map.insert(QStringLiteral("inputStatus"), runtime.inputStatus);
    map.insert(QStringLiteral("outputStatus"), runtime.outputStatus);
    map.insert(QStringLiteral("inputChannelMask"), static_cast<uint>(runtime.inputChannelMask));
    map.insert(QStringLiteral("outputChannelMask"), static_cast<uint>(runtime.outputChannelMask));
    map.insert(QStringLiteral("algorithmState"), runtime.algorithmState);
    map.insert(QStringLiteral("resultAvailable"), runtime.resultAvailable);
    map.insert(QStringLiteral("resultError"), runtime.resultError);
    map.insert(QStringLiteral("cameraFps"), runtime.cameraFps);
    map.insert(QStringLiteral("measuredFps"), measuredFps);
    map.insert(QStringLiteral("latencyMs"), latencyMs);
    map.insert(QStringLiteral("boxCount"), static_cast<int>(runtime.boxes.size()));
    QVariantList boxes;
    boxes.reserve(static_cast<int>(runtime.boxes.size()));
    for (const ObstacleBox& box : runtime.boxes) {
        QVariantMap entry;
        entry.insert(QStringLiteral("x"), box.x);
        entry.insert(QStringLiteral("y"), box.y);
        entry.insert(QStringLiteral("z"), box.z);
        entry.insert(QStringLiteral("width"), box.width);
        entry.insert(QStringLiteral("height"), box.height);
        entry.insert(QStringLiteral("depth"), box.depth);
        entry.insert(QStringLiteral("typeIndex"), box.typeIndex);
        entry.insert(QStringLiteral("typeName"), box.typeName);
        boxes.append(entry);
    }
    map.insert(QStringLiteral("boxes"), boxes);
    return map;
}

}  // namespace hazard_desk
