#pragma once

#include <cstdint>
#include <string>

namespace algPlatform {

// Connection state of a camera.
enum class CameraState : std::int32_t {
    NONE = -1,
    DISCONNECTED = 0,
    CONNECTING = 1,
    CONNECTED = 2,
    WRONG = 3,
    CLOSING = 4,
};

// "NONE", "DISCONNECTED", ...; empty for a value outside -1..4.
std::string cameraStateName(std::int32_t state);

}  // namespace algPlatform
