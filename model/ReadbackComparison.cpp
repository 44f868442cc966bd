#include "ReadbackComparison.h"

#include "DeviceJsonKeys.h"

#include <algorithm>
#include <cmath>

namespace hazard_desk {

namespace {

using nlohmann::json;

constexpr std::size_t kSquareZoneLength = 6;
constexpr std::size_t kSectorZoneLength = 7;

const char* const kMissingField = "字段缺失";
// One source text with its placeholders, so that each difference translates
// as a whole line: %1 the field path, %2 the requested and %3 the read value.
const char* const kDifferenceLine = "%1：请求 %2，回读 %3";

// pattern with %1..%9 replaced by values in one pass: a value's own "%2"
// stays as it is.
std::string fillPlaceholders(const std::string& pattern, const std::vector<std::string>& values)
{
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
                                 pattern[i + 1] <= '9' && static_cast<std::size_t>(pattern[i + 1] - '1') < values.size();
        if (placeholder) {
            text += values[static_cast<std::size_t>(pattern[i + 1] - '1')];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

const json* member(const json& object, const std::string& key)
{
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

void compareZone(const json& requestedZone, const json& readBackZone, const std::string& zonePath,
                 FieldDifferenceList& differences)
{
    for (const char* key : device_keys::kWrittenZoneKeys) {
        const json* requested = member(requestedZone, key);
        if (requested == nullptr) {
            continue;
        }
        const json* actual = member(readBackZone, key);
        if (actual != nullptr && readbackValuesEqual(*requested, *actual)) {
            continue;
        }
        if (std::string(key) == device_keys::kNotifyZone && isEmptyNotifyZone(*requested)) {
            continue;
        }
        if (std::string(key) == device_keys::kZoneType && zoneTypeImpliedByShape(*requested, readBackZone)) {
            continue;
        }
        differences.push_back({zonePath + "." + key, *requested, optionalFieldValue(actual)});
    }
}

void compareFlags(const json& requested, const json& readBack, FieldDifferenceList& differences)
{
    const json* holeDetection = member(requested, device_keys::kGroundHoleDetection);
    const bool holeDetectionOff = holeDetection != nullptr && *holeDetection == false;
    for (const char* key : device_keys::kFlagKeys) {
        const json* wanted = member(requested, key);
        if (wanted == nullptr) {
            continue;
        }
        const std::string name(key);
        if (name == device_keys::kGroundHoleParam && holeDetectionOff) {
            continue;
        }
        const json* actual = member(readBack, key);
        if (actual == nullptr && name == device_keys::kForklift2dEnhance && *wanted == false) {
            continue;
        }
        if (actual == nullptr || !readbackValuesEqual(*wanted, *actual)) {
            differences.push_back({name, *wanted, optionalFieldValue(actual)});
        }
    }
}

}  // namespace

bool isEmptyNotifyZone(const json& value)
{
    return value.is_null() || ((value.is_array() || value.is_object()) && value.empty());
}

bool zoneTypeImpliedByShape(const json& type, const json& zone)
{
    const auto holdsBoxes = [&zone](std::size_t length) {
        for (const char* key : {device_keys::kDangerZone, device_keys::kWarningZone}) {
            const json* box = member(zone, key);
            if (box == nullptr || !box->is_array() || box->size() != length) {
                return false;
            }
        }
        return true;
    };
    if (type == "square") {
        return holdsBoxes(kSquareZoneLength);
    }
    if (type == "sector") {
        return holdsBoxes(kSectorZoneLength);
    }
    return false;
}

std::optional<json> optionalFieldValue(const json* value)
{
    return value == nullptr ? std::nullopt : std::optional<json>(*value);
}

bool numbersEqual(double a, double b)
{
    if (!std::isfinite(a) || !std::isfinite(b)) {
        return false;
    }
    const double scale = std::max(std::abs(a), std::abs(b));
    return std::abs(a - b) <= scale * kReadbackRelativeTolerance + kReadbackAbsoluteTolerance;
}

bool readbackValuesEqual(const json& requested, const json& actual)
{
    if (requested.is_number() && actual.is_number()) {
        return numbersEqual(requested.get<double>(), actual.get<double>());
    }
    if (requested.is_array() && actual.is_array()) {
        if (requested.size() != actual.size()) {
            return false;
        }
        for (std::size_t i = 0; i < requested.size(); ++i) {
            if (!readbackValuesEqual(requested[i], actual[i])) {
                return false;
            }
        }
        return true;
    }
    if (requested.is_object() && actual.is_object()) {
        for (auto it = requested.begin(); it != requested.end(); ++it) {
            const auto found = actual.find(it.key());
            if (found == actual.end() || !readbackValuesEqual(it.value(), *found)) {
                return false;
            }
        }
        return true;
    }
    if (requested.is_number() || actual.is_number()) {
        return false;
    }
    return requested == actual;
}

FieldDifferenceList compareReadback(const json& requested, const json& readBack, int templateIndex)
{
    FieldDifferenceList differences;
    const std::string key = std::to_string(templateIndex);
    const std::string zonePath = std::string(device_keys::kZones) + "." + key;
    const json* requestedZones = member(requested, device_keys::kZones);
    const json* readBackZones = member(readBack, device_keys::kZones);
    const json* requestedZone = requestedZones == nullptr ? nullptr : member(*requestedZones, key);
    const json* readBackZone = readBackZones == nullptr ? nullptr : member(*readBackZones, key);
    if (requestedZone == nullptr || readBackZone == nullptr) {
        differences.push_back({zonePath, optionalFieldValue(requestedZone), optionalFieldValue(readBackZone)});
    } else {
        compareZone(*requestedZone, *readBackZone, zonePath, differences);
    }
    compareFlags(requested, readBack, differences);
    return differences;
}

std::string compactJson(const json& value)
{
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string describeDifferences(const FieldDifferenceList& differences)
{
    std::string text;
    for (const FieldDifference& difference : differences) {
        if (!text.empty()) {
            text += "；";
        }
        text += fillPlaceholders(kDifferenceLine,
                                 {difference.path,
                                  difference.requested ? compactJson(*difference.requested) : kMissingField,
                                  difference.actual ? compactJson(*difference.actual) : kMissingField});
    }
    return text;
}

}  // namespace hazard_desk
