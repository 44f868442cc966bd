#pragma once
// The workstation's record of one camera: what discovery lists and what a
// connection completes. A plain value; carried to the window as a map.
#include <QString>
#include <QtGlobal>

namespace hazard_desk {

struct CameraDescriptor {
    QString ip;                   // IPv4 address text
    QString id;                   // SDK device id
    QString serial;
    QString name;
    QString model;                // model name, or "ZR-<code>" for an unknown code
    QString firmware;             // firmware / device version text
    QString algorithmVersion;
    quint64 discoveryHandle = 0;  // SDK handle of the discovery record
    int sdkDeviceType = 0;        // SDK device type code
    int maxDepthMm = 0;           // 0 when unknown
    bool rgbAvailable = false;    // colour stream usable
    int cameraType = -1;          // algPlatform::CameraType, -1 when unknown
};

}  // namespace hazard_desk
