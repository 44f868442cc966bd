#pragma once
// Does what the camera reads back hold what was written? The camera stores
// numbers in its own float format and leaves out fields it has no use for, so
// the comparison is field by field over the fields a write owns, with a
// numeric tolerance and a few allowances for what the camera drops. Pure
// functions over the camera's parameter JSON; no Qt.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace hazard_desk {

// One field that differs. path is the field's place in the camera's
// parameter JSON: "Zones.3.DangerZone", "ground_hole_param". An absent value
// means the document lacks the field.
struct FieldDifference {
    std::string path;
    std::optional<nlohmann::json> requested;
    std::optional<nlohmann::json> actual;
};

using FieldDifferenceList = std::vector<FieldDifference>;

// Relative tolerance and absolute floor of numeric equality: the camera keeps
// its parameters as floats.
inline constexpr double kReadbackRelativeTolerance = 1e-6;
inline constexpr double kReadbackAbsoluteTolerance = 1e-5;

// Both finite and |a - b| <= max(|a|, |b|) * 1e-6 + 1e-5.
bool numbersEqual(double a, double b);

// requested equals actual: numbers within the tolerance, arrays of the same
// length element by element, objects when every requested key is present in
// actual with an equal value (actual may hold more); anything else exactly.
bool readbackValuesEqual(const nlohmann::json& requested, const nlohmann::json& actual);

// A field value as a difference holds it: absent when the field is missing.
std::optional<nlohmann::json> optionalFieldValue(const nlohmann::json* value);

// The fields of template t and the camera-wide flags where readBack does not
// hold what requested asks for, in the order the fields are checked:
// "Zones.t" itself when either side lacks it, then its "DangerZone",
// "WarningZone", "ZoneType", "NotifyZone", then "debug" and the V2 flags.
// Allowances: a requested "NotifyZone" that is null, [] or {} always passes;
// a requested "ZoneType" of "square" ("sector") passes when the read-back
// holds "DangerZone" and "WarningZone" as arrays of 6 (7); a requested
// "forklift_2d_enhance" of false may be absent; "ground_hole_param" is not
// compared when the requested "ground_hole_detection" is false.
FieldDifferenceList compareReadback(const nlohmann::json& requested, const nlohmann::json& readBack,
                                    int templateIndex);

// "path：请求 value，回读 value" per difference (values as compact JSON, a
// missing value as "字段缺失"), joined with "；".
std::string describeDifferences(const FieldDifferenceList& differences);

// A "NotifyZone" value that stands for no notify zone: null, [] or {}.
bool isEmptyNotifyZone(const nlohmann::json& value);

// The camera may store a zone without its "ZoneType": "square" is implied by
// "DangerZone" and "WarningZone" of 6 numbers, "sector" by 7. True when zone's
// boxes imply type.
bool zoneTypeImpliedByShape(const nlohmann::json& type, const nlohmann::json& zone);

// Compact JSON text of a value; invalid UTF-8 in strings is replaced rather
// than thrown, since the text may come from a camera.
std::string compactJson(const nlohmann::json& value);

}  // namespace hazard_desk
