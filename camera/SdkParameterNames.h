#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace algPlatform {

// Kinds of SDK ids; each kind owns a range of ids (lower included, upper excluded).
enum class SdkValueKind { Integer, Float, Boolean, Text, Command, Pointer };

// Turns the SDK's upper-case names ("ZR_INT_GAIN"), the snake-case aliases
// ("gain") and plain numbers ("1005", "0x3ED") into ids of one kind.
class SdkParameterNames {
public:
    // The id of a name within the kind's range; nothing when the name is
    // unknown, names an id of another kind, or is a number outside the range.
    static std::optional<std::int32_t> resolve(const std::string& name, SdkValueKind kind);

    // Whether an id lies in the kind's range.
    static bool inRange(std::int64_t id, SdkValueKind kind);

    // The SDK name of an id ("ZR_INT_GAIN"), or empty when the id has none.
    static std::string nameOf(std::int32_t id);

    // Text helpers shared by the configuration reader.
    static std::string trim(const std::string& text);
    static std::string toLower(std::string text);
    // Whole text as an integer with automatic base (decimal, 0x hex, 0 octal).
    static std::optional<long long> parseInteger(const std::string& text);
};

}  // namespace algPlatform
