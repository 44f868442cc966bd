#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hazard_desk::json_read {

// Typed reads of JSON values for the two parsers. Each failure throws the
// single-issue ParameterValidationError with the value's path; the path
// strings are only built when something is wrong.

std::string keyPath(const std::string& parentPath, std::string_view key);          // parent + "." + key
std::string elementPath(const std::string& arrayPath, std::size_t position);       // array + "[p]"

// The member or nullptr; `object` must be a JSON object.
const nlohmann::json* find(const nlohmann::json& object, const char* key);

// The member; "missing required field" at parent.key when absent.
const nlohmann::json& required(const nlohmann::json& object, const std::string& parentPath, const char* key);

// "must be an object" unless `value` is an object.
const nlohmann::json& asObject(const nlohmann::json& value, const std::string& path);
// "must be a string" unless `value` is a string.
const std::string& asString(const nlohmann::json& value, const std::string& path);
// "must be a boolean" unless `value` is a boolean.
bool asBoolean(const nlohmann::json& value, const std::string& path);
// "must be an integer" unless a JSON integer, "is outside the supported integer range"
// unless it fits a 32-bit signed integer.
std::int32_t asInt32(const nlohmann::json& value, const std::string& path);
// `notNumberMessage` unless a JSON number, "must be finite" unless finite.
double asFiniteNumber(const nlohmann::json& value, const std::string& path, const char* notNumberMessage);

// Workstation-style number fields: "must be a finite JSON number" / "must be finite".
double requiredNumber(const nlohmann::json& object, const std::string& parentPath, const char* key);
void readOptionalNumber(const nlohmann::json& object, const std::string& parentPath, const char* key,
                        double& target);
void readOptionalBoolean(const nlohmann::json& object, const std::string& parentPath, const char* key,
                         bool& target);

// Parses text without exceptions and without comments; false when it is not JSON.
bool parseText(std::string_view text, nlohmann::json& result);

// Nesting depth of a value (a scalar is 0), counted without recursion and
// stopping once `limit` is exceeded.
int nestingDepth(const nlohmann::json& value, int limit);

}  // namespace hazard_desk::json_read
