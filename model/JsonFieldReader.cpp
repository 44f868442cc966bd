#include "JsonFieldReader.h"

#include "ParameterValidationError.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace hazard_desk::json_read {

using nlohmann::json;

std::string keyPath(const std::string& parentPath, std::string_view key)
{
    std::string path;
    path.reserve(parentPath.size() + 1 + key.size());
    path += parentPath;
    path += '.';
    path += key;
    return path;
}

std::string elementPath(const std::string& arrayPath, std::size_t position)
{
    return arrayPath + "[" + std::to_string(position) + "]";
}

const json* find(const json& object, const char* key)
{
    // A string_view key compares by length and memcmp, without strlen per node.
    const auto it = object.find(std::string_view(key));
    return it == object.end() ? nullptr : &*it;
}

const json& required(const json& object, const std::string& parentPath, const char* key)
{
    const json* value = find(object, key);
    if (value == nullptr) {
        throwValidationIssue(keyPath(parentPath, key), "missing required field");
    }
    return *value;
}

const json& asObject(const json& value, const std::string& path)
{
    if (!value.is_object()) {
        throwValidationIssue(path, "must be an object");
    }
    return value;
}

const std::string& asString(const json& value, const std::string& path)
{
    if (!value.is_string()) {
        throwValidationIssue(path, "must be a string");
    }
    return value.get_ref<const std::string&>();
}

bool asBoolean(const json& value, const std::string& path)
{
    if (!value.is_boolean()) {
        throwValidationIssue(path, "must be a boolean");
    }
    return value.get<bool>();
}

std::int32_t asInt32(const json& value, const std::string& path)
{
    if (!value.is_number_integer()) {
        throwValidationIssue(path, "must be an integer");
    }
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            throwValidationIssue(path, "is outside the supported integer range");
        }
        return static_cast<std::int32_t>(unsignedValue);
    }
    const auto signedValue = value.get<std::int64_t>();
    if (signedValue < std::numeric_limits<std::int32_t>::min()
        || signedValue > std::numeric_limits<std::int32_t>::max()) {
        throwValidationIssue(path, "is outside the supported integer range");
    }
    return static_cast<std::int32_t>(signedValue);
}

double asFiniteNumber(const json& value, const std::string& path, const char* notNumberMessage)
{
    if (!value.is_number()) {
        throwValidationIssue(path, notNumberMessage);
    }
    const double number = value.get<double>();
    if (!std::isfinite(number)) {
        throwValidationIssue(path, "must be finite");
    }
    return number;
}

double requiredNumber(const json& object, const std::string& parentPath, const char* key)
{
    const json& value = required(object, parentPath, key);
    if (!value.is_number() || !std::isfinite(value.get<double>())) {
        return asFiniteNumber(value, keyPath(parentPath, key), "must be a finite JSON number");
    }
    return value.get<double>();
}

void readOptionalNumber(const json& object, const std::string& parentPath, const char* key, double& target)
{
    if (const json* value = find(object, key)) {
        if (value->is_number() && std::isfinite(value->get<double>())) {
            target = value->get<double>();
        } else {
            target = asFiniteNumber(*value, keyPath(parentPath, key), "must be a finite JSON number");
        }
    }
}

void readOptionalBoolean(const json& object, const std::string& parentPath, const char* key, bool& target)
{
    if (const json* value = find(object, key)) {
        if (value->is_boolean()) {
            target = value->get<bool>();
        } else {
            target = asBoolean(*value, keyPath(parentPath, key));
        }
    }
}

bool parseText(std::string_view text, json& result)
{
    result = json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false,
                         /*ignore_comments=*/false);
    return !result.is_discarded();
}

int nestingDepth(const json& value, int limit)
{
    std::vector<std::pair<const json*, int>> pending{{&value, 0}};
    int deepest = 0;
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (!node->is_structured()) {
            continue;
        }
        const int childDepth = depth + 1;
        if (childDepth > deepest) {
            deepest = childDepth;
            if (deepest > limit) {
                return deepest;
            }
        }
        for (const json& child : *node) {
            pending.emplace_back(&child, childDepth);
        }
    }
    return deepest;
}

}  // namespace hazard_desk::json_read
