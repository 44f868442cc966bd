#include "WorkstationDocument.h"

#include <stdexcept>

namespace hazard_desk {

WorkstationDocument::WorkstationDocument()
{
    for (std::size_t slot = 0; slot < templates.size(); ++slot) {
        templates[slot] = defaultZoneTemplate(static_cast<std::int32_t>(slot), TemplateType::Square);
    }
}

namespace {

std::size_t activeSlot(std::int32_t activeIndex)
{
    // Taken as unsigned, so a negative index is out of range as well.
    const auto slot = static_cast<std::uint32_t>(activeIndex);
    if (slot > static_cast<std::uint32_t>(kMaxTemplateIndex)) {
        throw std::out_of_range("active obstacle template index is outside 0..19");
    }
    return slot;
}

}  // namespace

const ZoneTemplate& activeTemplate(const WorkstationDocument& document)
{
    return document.templates[activeSlot(document.activeIndex)];
}

ZoneTemplate& activeTemplate(WorkstationDocument& document)
{
    return document.templates[activeSlot(document.activeIndex)];
}

bool operator==(const WorkstationDocument& a, const WorkstationDocument& b)
{
    return a.algorithmVersion == b.algorithmVersion && a.extrinsics == b.extrinsics
           && a.activeIndex == b.activeIndex && a.templates == b.templates;
}

}  // namespace hazard_desk
