#pragma once

#include "WorkstationDocument.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>

namespace hazard_desk {

// What a merge writes into the camera's current JSON.
struct DeviceMergeOptions {
    bool allTemplates = false;                  // all 20 templates, else only the selected one
    std::optional<std::int32_t> selectedIndex;  // default: the document's activeIndex
    bool includeExtrinsics = true;              // replace "R" and "T"
    bool includeFlags = true;                   // replace "debug" and the V2 option keys
};

// The full camera JSON for the document over a copy of base (an object):
// R, T, ZoneIndex, all 20 Zones, and the flags of the active template
// (V1: the V2 keys are removed). Validates first; never changes base.
nlohmann::json buildDeviceDocument(const WorkstationDocument& document, const nlohmann::json& base);

// base with the selected template(s), ZoneIndex and optionally R/T and the flags
// replaced; every other key (also unknown keys inside a written zone) is kept.
nlohmann::json mergeIntoDeviceDocument(const WorkstationDocument& document, const nlohmann::json& base,
                                       const DeviceMergeOptions& options);

// The camera JSON an apply writes: base with the document's active template,
// "ZoneIndex", "R"/"T" and the flags replaced (mergeIntoDeviceDocument of the
// active template only, with extrinsics and flags).
nlohmann::json mergeActiveTemplate(const WorkstationDocument& document, const nlohmann::json& base);

// Deepest nesting accepted in a base JSON (copying and dumping recurse).
inline constexpr int kMaxBaseJsonDepth = 128;

}  // namespace hazard_desk
