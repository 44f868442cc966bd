#pragma once
// The field of view of the camera models whose optics the workstation knows,
// for the extrinsics group's information row and the scene drawn around the
// camera. Texts are returned untranslated.
#include <QString>

namespace hazard_desk {

struct FieldOfView {
    double horizontalDegrees = 0.0;   // 0: unknown
    double verticalDegrees = 0.0;
    QString text = QStringLiteral("视场角未获取");

    bool known() const { return horizontalDegrees > 0.0 && verticalDegrees > 0.0; }
};

class CameraFieldOfView {
public:
    // By SDK device type code: 2201 (P21) 140° × 56°; 2108, 2109, 2110 (P20
    // family) 120° × 80°; unknown for every other code.
    static FieldOfView ofDeviceType(int sdkDeviceType);
};

}  // namespace hazard_desk
