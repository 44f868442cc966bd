#include "CameraState.h"

namespace algPlatform {

std::string cameraStateName(std::int32_t state)
{
    switch (state) {
    case -1:
        return "NONE";
    case 0:
        return "DISCONNECTED";
    case 1:
        return "CONNECTING";
    case 2:
        return "CONNECTED";
    case 3:
        return "WRONG";
    case 4:
        return "CLOSING";
    default:
        return {};
    }
}

}  // namespace algPlatform
