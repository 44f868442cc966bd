#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <spdlog/logger.h>

#include "OrderedSdkCall.h"
#include "SdkParameterNames.h"

namespace algPlatform {

// The SDK settings read from a camera configuration text: either typed
// setting maps (keyed by id, a later entry replacing an earlier one) or an
// ordered list of calls with pauses ("sdk": {"calls": [...]}). Reading makes
// no SDK call; unknown names and invalid calls are logged on the given logger.
class SdkConfiguration {
public:
    struct Setting {
        std::string name;
        nlohmann::json value;
    };
    using SettingMap = std::map<std::int32_t, Setting>;

    SettingMap ints;
    SettingMap floats;
    SettingMap bools;
    SettingMap texts;

    bool orderedMode = false;
    bool orderedValid = true;   // false: the list must not be applied at all
    std::vector<OrderedSdkCall> calls;

    // Reads the root object; ordered mode empties the four maps first.
    void read(const nlohmann::json& root, spdlog::logger& log, const std::string& ip);

    // Normalises a type word of an ordered call ("Integer" -> "int", "" stays "").
    static std::string normaliseTypeWord(const std::string& word);

private:
    void readSection(const nlohmann::json& section, SdkValueKind kind, spdlog::logger& log, const std::string& ip);
    void readOrderedCalls(const nlohmann::json& calls, spdlog::logger& log, const std::string& ip);
};

}  // namespace algPlatform
