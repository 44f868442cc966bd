#pragma once

#include "AdvancedOptions.h"
#include "Extrinsics.h"
#include "ParameterEnums.h"
#include "ZoneBodies.h"
#include "ZoneTemplate.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace hazard_desk {

inline constexpr std::size_t kTemplateCount = 20;
inline constexpr std::int32_t kMaxTemplateIndex = 19;
inline constexpr std::int32_t kDefaultActiveIndex = 1;

// The camera's obstacle-avoidance configuration as the workstation edits it.
// A plain value type; a default-constructed document is the default configuration
// (V2, the default pose, active template 1, twenty default Square templates).
struct WorkstationDocument {
    WorkstationDocument();

    AlgorithmVersion algorithmVersion = AlgorithmVersion::V2;
    Extrinsics extrinsics;
    std::int32_t activeIndex = kDefaultActiveIndex;
    std::array<ZoneTemplate, kTemplateCount> templates;   // slot i holds index i
};

// The template in slot activeIndex; std::out_of_range with
// "active obstacle template index is outside 0..19" when activeIndex is not 0..19.
const ZoneTemplate& activeTemplate(const WorkstationDocument& document);
ZoneTemplate& activeTemplate(WorkstationDocument& document);

// NaN-aware equality (two NaNs compare equal), see Extrinsics.h.
bool operator==(const WorkstationDocument& a, const WorkstationDocument& b);
inline bool operator!=(const WorkstationDocument& a, const WorkstationDocument& b) { return !(a == b); }

}  // namespace hazard_desk
