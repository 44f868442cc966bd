#include "CameraFieldOfView.h"

namespace hazard_desk {

FieldOfView CameraFieldOfView::ofDeviceType(int sdkDeviceType) {
    FieldOfView fov;
    switch (sdkDeviceType) {
        case 2201:
            fov.horizontalDegrees = 140.0;
            fov.verticalDegrees = 56.0;
            fov.text = QStringLiteral("P21 2D：140° × 56°");
            break;
        case 2108:
        case 2109:
        case 2110:
            fov.horizontalDegrees = 120.0;
            fov.verticalDegrees = 80.0;
            fov.text = QStringLiteral("P20 3D：120° × 80°（公差 ±3°）");
            break;
        default:
            break;
    }
    return fov;
}

}  // namespace hazard_desk
