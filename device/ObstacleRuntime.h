#pragma once
// One runtime status sample of the obstacle camera: I/O state, channel masks,
// frame rate and the algorithm's verdict with its boxes.
#include <QString>
#include <QtGlobal>
#include <vector>

#include "ObstacleBox.h"

namespace hazard_desk {

struct ObstacleRuntime {
    static constexpr int kNoAlgorithmState = -99;

    int ioStatus = -1;
    int inputStatus = -1;
    int outputStatus = -1;
    quint32 inputChannelMask = 0;
    quint32 outputChannelMask = 0;
    int algorithmState = kNoAlgorithmState;
    bool resultAvailable = false;
    QString resultError;
    float cameraFps = 0.0F;
    std::vector<ObstacleBox> boxes;
};

}  // namespace hazard_desk
