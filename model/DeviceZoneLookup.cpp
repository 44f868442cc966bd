#include "DeviceZoneLookup.h"

#include "DeviceJsonKeys.h"
#include "WorkstationDocument.h"

#include <cstdint>
#include <string>

namespace hazard_desk {

bool hasTemplate(const nlohmann::json& json, int t)
{
    if (t < 0 || t > kMaxTemplateIndex || !json.is_object()) {
        return false;
    }
    const auto zones = json.find(device_keys::kZones);
    if (zones == json.end() || !zones->is_object()) {
        return false;
    }
    const auto entry = zones->find(std::to_string(t));
    return entry != zones->end() && entry->is_object();
}

int validZoneIndex(const nlohmann::json& json)
{
    if (!json.is_object()) {
        return -1;
    }
    const auto found = json.find(device_keys::kZoneIndex);
    if (found == json.end()) {
        return -1;
    }
    std::int64_t index = -1;
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        index = value <= static_cast<std::uint64_t>(kMaxTemplateIndex) ? static_cast<std::int64_t>(value) : -1;
    } else if (found->is_number_integer()) {
        index = found->get<std::int64_t>();
    }
    return index >= 0 && index <= kMaxTemplateIndex && hasTemplate(json, static_cast<int>(index))
               ? static_cast<int>(index)
               : -1;
}

}  // namespace hazard_desk
