#include "CameraType.h"

namespace algPlatform {

CameraType cameraTypeFromDeviceType(std::int32_t deviceType)
{
    switch (deviceType / 1000) {
    case 1:
        return CameraType::K_SERIES;
    case 2:
        return CameraType::P_SERIES;
    case 5:
        return CameraType::R_SERIES;
    default:
        return CameraType::NONE;
    }
}

std::string cameraTypeName(std::int32_t type)
{
    switch (type) {
    case -1:
        return "NONE";
    case 0:
        return "K_SERIES";
    case 1:
        return "R_SERIES";
    case 2:
        return "P_SERIES";
    case 3:
        return "MECH_CAMERA";
    default:
        return {};
    }
}

}  // namespace algPlatform
