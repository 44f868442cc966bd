#include "SdkValueConversion.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "SdkParameterNames.h"

namespace algPlatform {

namespace {

bool fitsInt32(long long value)
{
    return value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max();
}

// Digits, one sign per mantissa/exponent, a point and an exponent: no hex
// floats, no "inf" or "nan".
bool looksDecimal(const std::string& text)
{
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E') {
            return false;
        }
    }
    return digit;
}

}  // namespace

std::optional<std::int32_t> SdkValueConversion::toInt(const nlohmann::json& value)
{
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(number);
    }
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        return fitsInt32(number) ? std::optional<std::int32_t>(static_cast<std::int32_t>(number)) : std::nullopt;
    }
    if (value.is_string()) {
        const auto number = SdkParameterNames::parseInteger(SdkParameterNames::trim(value.get<std::string>()));
        if (number && fitsInt32(*number)) {
            return static_cast<std::int32_t>(*number);
        }
    }
    return std::nullopt;
}

std::optional<float> SdkValueConversion::toFloat(const nlohmann::json& value)
{
    if (value.is_number()) {
        const float number = value.get<float>();
        return std::isfinite(number) ? std::optional<float>(number) : std::nullopt;
    }
    if (value.is_string()) {
        const std::string text = SdkParameterNames::trim(value.get<std::string>());
        if (!looksDecimal(text)) {
            return std::nullopt;
        }
        errno = 0;
        char* end = nullptr;
        const double number = std::strtod(text.c_str(), &end);
        const float narrowed = static_cast<float>(number);
        if (end == text.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(narrowed)) {
            return std::nullopt;
        }
        return narrowed;
    }
    return std::nullopt;
}

std::optional<bool> SdkValueConversion::toBool(const nlohmann::json& value)
{
    if (value.is_boolean()) {
        return value.get<bool>();
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>() != 0;
    }
    if (value.is_string()) {
        const std::string text = SdkParameterNames::toLower(SdkParameterNames::trim(value.get<std::string>()));
        if (text == "true" || text == "1" || text == "yes" || text == "on") {
            return true;
        }
        if (text == "false" || text == "0" || text == "no" || text == "off") {
            return false;
        }
    }
    return std::nullopt;
}

std::optional<std::string> SdkValueConversion::toText(const nlohmann::json& value)
{
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_boolean() || value.is_number()) {
        return value.dump();
    }
    return std::nullopt;
}

}  // namespace algPlatform
