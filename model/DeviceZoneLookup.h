#pragma once
// Which templates a camera parameter JSON holds, and which one it names as
// running. Pure functions over the JSON; no Qt.

#include <nlohmann/json.hpp>

namespace hazard_desk {

// True when t is 0..19, the JSON is an object, its "Zones" is an object and
// "Zones" holds the decimal text of t with an object value.
bool hasTemplate(const nlohmann::json& json, int t);

// "ZoneIndex" when it is an integer (signed or unsigned) naming a template
// the JSON holds (hasTemplate), else -1.
int validZoneIndex(const nlohmann::json& json);

}  // namespace hazard_desk
