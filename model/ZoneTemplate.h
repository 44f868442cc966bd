#pragma once

#include "AdvancedOptions.h"
#include "ParameterEnums.h"
#include "ZoneBodies.h"

#include <cstdint>
#include <variant>

namespace hazard_desk {

// The body is a tagged union; its variant index is the TemplateType
// (0 Square, 1 SquareFree, 2 Sector). Use std::get_if<SquareZones>(&t.body) etc.
using ZoneBody = std::variant<SquareZones, FreeBoxZones, SectorZones>;

struct ZoneTemplate {
    std::int32_t index = 0;    // 0..19, equals the slot position in the document
    ZoneBody body;             // default: SquareZones with its defaults
    AdvancedOptions options;

    TemplateType type() const { return static_cast<TemplateType>(body.index()); }
};

// A template with that index, default options and the default body of that type.
// A type outside the enumeration gives the Square body.
ZoneTemplate defaultZoneTemplate(std::int32_t index, TemplateType type);

// NaN-aware equality (two NaNs compare equal), see Extrinsics.h.
bool operator==(const ZoneTemplate& a, const ZoneTemplate& b);
inline bool operator!=(const ZoneTemplate& a, const ZoneTemplate& b) { return !(a == b); }

}  // namespace hazard_desk
