#include "SdkConfiguration.h"

#include <optional>

#include "SdkValueConversion.h"

namespace algPlatform {

namespace {

const char* kindWord(SdkValueKind kind)
{
    switch (kind) {
    case SdkValueKind::Integer:
        return "int";
    case SdkValueKind::Float:
        return "float";
    case SdkValueKind::Boolean:
        return "bool";
    default:
        return "string";
    }
}

bool converts(const nlohmann::json& value, SdkValueKind kind)
{
    switch (kind) {
    case SdkValueKind::Integer:
        return SdkValueConversion::toInt(value).has_value();
    case SdkValueKind::Float:
        return SdkValueConversion::toFloat(value).has_value();
    case SdkValueKind::Boolean:
        return SdkValueConversion::toBool(value).has_value();
    case SdkValueKind::Text:
        return SdkValueConversion::toText(value).has_value();
    default:
        return false;
    }
}

// The first of the keys whose member is a text.
std::optional<std::string> firstText(const nlohmann::json& object, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const auto found = object.find(key);
        if (found != object.end() && found->is_string()) {
            return found->get<std::string>();
        }
    }
    return std::nullopt;
}

OrderedSdkCall::Kind callKind(SdkValueKind kind)
{
    switch (kind) {
    case SdkValueKind::Integer:
        return OrderedSdkCall::Kind::Integer;
    case SdkValueKind::Float:
        return OrderedSdkCall::Kind::Float;
    case SdkValueKind::Boolean:
        return OrderedSdkCall::Kind::Boolean;
    default:
        return OrderedSdkCall::Kind::Text;
    }
}

}  // namespace

std::string SdkConfiguration::normaliseTypeWord(const std::string& word)
{
    const std::string lower = SdkParameterNames::toLower(SdkParameterNames::trim(word));
    if (lower == "integer" || lower == "int32") {
        return "int";
    }
    if (lower == "boolean") {
        return "bool";
    }
    if (lower == "double") {
        return "float";
    }
    if (lower == "delay") {
        return "sleep";
    }
    return lower;
}

void SdkConfiguration::read(const nlohmann::json& root, spdlog::logger& log, const std::string& ip)
{
    if (!root.is_object()) {
        return;
    }
    const auto sdk = root.find("sdk");
    const bool sdkIsObject = sdk != root.end() && sdk->is_object();
    if (sdkIsObject && sdk->contains("calls")) {
        orderedMode = true;
        ints.clear();
        floats.clear();
        bools.clear();
        texts.clear();
        readOrderedCalls((*sdk)["calls"], log, ip);
        return;
    }

    readSection(root, SdkValueKind::Boolean, log, ip);
    auto readKindSections = [&](const nlohmann::json& holder) {
        const std::pair<const char*, SdkValueKind> sections[] = {
            {"int", SdkValueKind::Integer}, {"float", SdkValueKind::Float}, {"double", SdkValueKind::Float},
            {"bool", SdkValueKind::Boolean}, {"string", SdkValueKind::Text},
        };
        for (const auto& [key, kind] : sections) {
            const auto found = holder.find(key);
            if (found != holder.end()) {
                readSection(*found, kind, log, ip);
            }
        }
    };
    readKindSections(root);
    if (sdkIsObject) {
        readKindSections(*sdk);
    }
}

void SdkConfiguration::readSection(const nlohmann::json& section, SdkValueKind kind, spdlog::logger& log,
                                   const std::string& ip)
{
    SettingMap& map = kind == SdkValueKind::Integer ? ints
                      : kind == SdkValueKind::Float ? floats
                      : kind == SdkValueKind::Boolean ? bools
                                                      : texts;
    auto take = [&](const std::string& name, const nlohmann::json& value) {
        if (!converts(value, kind)) {
            return;
        }
        const std::optional<std::int32_t> id = SdkParameterNames::resolve(name, kind);
        if (!id) {
            log.warn("K7 unknown SDK {} param ignored, name={}, ip={}", kindWord(kind), name, ip);
            return;
        }
        map[*id] = Setting{name, value};
    };

    if (section.is_object()) {
        for (auto it = section.begin(); it != section.end(); ++it) {
            take(it.key(), it.value());
        }
    } else if (section.is_array()) {
        for (const nlohmann::json& entry : section) {
            if (!entry.is_object()) {
                continue;
            }
            const auto value = entry.find("value");
            if (value == entry.end()) {
                continue;
            }
            take(firstText(entry, {"name", "command", "cmd"}).value_or(std::string()), *value);
        }
    }
}

void SdkConfiguration::readOrderedCalls(const nlohmann::json& items, spdlog::logger& log, const std::string& ip)
{
    if (!items.is_array()) {
        log.error("K7 sdk.calls must be an array, ip={}", ip);
        orderedValid = false;
        return;
    }
    std::size_t index = 0;
    for (const nlohmann::json& item : items) {
        const std::size_t current = index++;
        auto invalid = [&](const std::string& reason) {
            log.error("K7 invalid ordered SDK call, index={}, reason={}, ip={}", current, reason, ip);
            orderedValid = false;
        };
        if (!item.is_object()) {
            invalid("item is not object");
            continue;
        }
        const std::string type = normaliseTypeWord(firstText(item, {"type", "kind", "value_type"}).value_or(""));
        std::int32_t delayMs = 0;
        for (const char* key : {"delay_ms", "sleep_ms", "after_ms"}) {
            const auto found = item.find(key);
            if (found == item.end()) {
                continue;
            }
            if (const auto delay = SdkValueConversion::toInt(*found)) {
                delayMs = *delay < 1 ? 0 : *delay;
                break;
            }
        }

        if (type == "sleep") {
            if (delayMs <= 0) {
                invalid("sleep call missing positive delay_ms");
                continue;
            }
            OrderedSdkCall call;
            call.kind = OrderedSdkCall::Kind::Sleep;
            call.delayMs = delayMs;
            calls.push_back(std::move(call));
            continue;
        }

        const std::optional<std::string> name = firstText(item, {"name", "command", "cmd"});
        if (!name) {
            invalid("missing name/cmd");
            continue;
        }
        const auto value = item.find("value");
        if (value == item.end()) {
            invalid("missing value");
            continue;
        }

        std::optional<std::int32_t> id;
        SdkValueKind kind = SdkValueKind::Integer;
        const std::pair<const char*, SdkValueKind> kinds[] = {
            {"int", SdkValueKind::Integer}, {"float", SdkValueKind::Float},
            {"bool", SdkValueKind::Boolean}, {"string", SdkValueKind::Text},
        };
        for (const auto& [word, candidate] : kinds) {
            if (!type.empty() && type != word) {
                continue;
            }
            id = SdkParameterNames::resolve(*name, candidate);
            if (id) {
                kind = candidate;
                break;
            }
        }
        if (!id) {
            invalid("unknown type or command: " + type + ":" + *name);
            continue;
        }

        OrderedSdkCall call;
        call.kind = callKind(kind);
        call.name = *name;
        call.id = *id;
        call.value = *value;
        call.delayMs = delayMs;
        calls.push_back(std::move(call));
    }
}

}  // namespace algPlatform
