#include "ZoneTemplate.h"

namespace hazard_desk {

ZoneTemplate defaultZoneTemplate(std::int32_t index, TemplateType type)
{
    ZoneTemplate zoneTemplate;
    zoneTemplate.index = index;
    switch (type) {
    case TemplateType::SquareFree:
        zoneTemplate.body = FreeBoxZones{};
        break;
    case TemplateType::Sector:
        zoneTemplate.body = SectorZones{};
        break;
    case TemplateType::Square:
    default:
        zoneTemplate.body = SquareZones{};
        break;
    }
    return zoneTemplate;
}

bool operator==(const ZoneTemplate& a, const ZoneTemplate& b)
{
    return a.index == b.index && a.body == b.body && a.options == b.options;
}

}  // namespace hazard_desk
