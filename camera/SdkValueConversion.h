#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace algPlatform {

// Converts JSON values of a configuration to the SDK's value types. Nothing
// here throws; a value that does not convert gives nothing.
class SdkValueConversion {
public:
    // JSON integers within 32 bits; a text that, trimmed, is a whole integer
    // (decimal, 0x hexadecimal, leading-0 octal).
    static std::optional<std::int32_t> toInt(const nlohmann::json& value);
    // Any JSON number; a text that, trimmed, is entirely a decimal number.
    static std::optional<float> toFloat(const nlohmann::json& value);
    // JSON booleans; JSON integers (non-zero true); "true"/"1"/"yes"/"on" and
    // "false"/"0"/"no"/"off", trimmed, any letter case.
    static std::optional<bool> toBool(const nlohmann::json& value);
    // A JSON text unchanged; a JSON boolean or number as its compact JSON text.
    static std::optional<std::string> toText(const nlohmann::json& value);
};

}  // namespace algPlatform
