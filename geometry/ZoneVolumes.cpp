#include "ZoneVolumes.h"

namespace zavov {

using hazard_desk::BoxZone;
using hazard_desk::ZoneLevel;

std::vector<ZoneVolume> zoneVolumes(const hazard_desk::ZoneTemplate& zoneTemplate)
{
    std::vector<ZoneVolume> volumes;
    if (const auto* square = std::get_if<hazard_desk::SquareZones>(&zoneTemplate.body)) {
        const BoxZone danger{square->lowerLimit, square->emergencyStopUpper, square->rangeLeft,
                             square->rangeRight, square->heightLower,        square->heightUpper};
        const BoxZone warn{square->emergencyStopUpper, square->decelerationUpper, square->rangeLeft,
                           square->rangeRight,         square->heightLower,       square->heightUpper};
        volumes.push_back({ZoneLevel::Danger, danger});
        volumes.push_back({ZoneLevel::Warn, warn});
    } else if (const auto* freeBoxes = std::get_if<hazard_desk::FreeBoxZones>(&zoneTemplate.body)) {
        volumes.push_back({ZoneLevel::Danger, freeBoxes->danger});
        volumes.push_back({ZoneLevel::Warn, freeBoxes->warning});
        volumes.push_back({ZoneLevel::Notify, freeBoxes->notify});
    } else if (const auto* sector = std::get_if<hazard_desk::SectorZones>(&zoneTemplate.body)) {
        volumes.push_back({ZoneLevel::Danger, sector->danger});
        volumes.push_back({ZoneLevel::Warn, sector->warning});
        if (sector->notify) {
            volumes.push_back({ZoneLevel::Notify, *sector->notify});
        }
    }
    return volumes;
}

}  // namespace zavov
