#pragma once
// The camera descriptor as it travels on the worker's signals: a string-keyed
// variant map with the keys "ip", "id", "serial", "name", "model", "firmware",
// "algorithmVersion", "discoveryHandle", "sdkDeviceType", "maxDepthMm",
// "rgbAvailable" and "cameraType".
#include <QVariantMap>

#include "CameraDescriptor.h"

namespace hazard_desk {

class CameraDescriptorMap {
public:
    static QVariantMap toMap(const CameraDescriptor& descriptor);
    // Missing keys keep the defaults; "maxDepthMm" and "rgbAvailable" are not
    // read back because the connection determines them.
    static CameraDescriptor fromMap(const QVariantMap& map);
};

}  // namespace hazard_desk
