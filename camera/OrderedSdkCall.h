#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace algPlatform {

// One step of an ordered configuration: an SDK setter call or a pause.
struct OrderedSdkCall {
    enum class Kind { Integer, Float, Boolean, Text, Sleep };

    Kind kind = Kind::Sleep;
    std::string name;           // as written in the configuration
    std::int32_t id = 0;        // resolved SDK id (0 for a pause)
    nlohmann::json value;       // converted only when applied
    std::int32_t delayMs = 0;   // pause after the call (or the pause itself)
};

}  // namespace algPlatform
