#pragma once

#include "ParameterValidationError.h"
#include "WorkstationDocument.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace hazard_desk::test {

// A valid document that uses every body type, a sector notify record, a
// non-default pose and non-default options, so round trips touch every field.
inline WorkstationDocument mixedDocument(AlgorithmVersion algorithmVersion = AlgorithmVersion::V1)
{
    WorkstationDocument document;
    document.algorithmVersion = algorithmVersion;
    document.extrinsics = Extrinsics{12.5, -30.25, 170.0, 101.0, -22.0, 1430.0};
    document.activeIndex = 7;
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        ZoneTemplate& t = document.templates[slot];
        const auto index = static_cast<std::int32_t>(slot);
        switch (slot % 4) {
        case 0:
            t = defaultZoneTemplate(index, TemplateType::Square);
            std::get<SquareZones>(t.body).lowerLimit = 10.0 * static_cast<double>(slot);
            break;
        case 1: {
            t = defaultZoneTemplate(index, TemplateType::SquareFree);
            auto& free = std::get<FreeBoxZones>(t.body);
            free.notify.maxX = 6000.5 + static_cast<double>(slot);
            break;
        }
        case 2: {
            t = defaultZoneTemplate(index, TemplateType::Sector);
            auto& sector = std::get<SectorZones>(t.body);
            sector.lowerLimit = 100.0;
            sector.danger = SectorZone{900.0, -45.0, 35.0, 10.0, 800.0, 12.0, -3.5};
            sector.warning = SectorZone{1500.0, -50.0, 40.0, 20.0, 900.0, 12.0, -3.5};
            sector.notify = SectorZone{2500.0, -60.0, 60.0, 30.0, 950.0, 12.0, -3.5};
            break;
        }
        default:
            t = defaultZoneTemplate(index, TemplateType::Sector);
            break;
        }
        t.options.debug = slot % 3 == 0;
        t.options.groundVoid = GroundVoidOptions{slot % 2 == 0, 200.0, 900.0 + static_cast<double>(slot),
                                                 600.0, 40.0, 45.0, 12.0};
        t.options.semantic = SemanticOptions{slot % 5 == 0, true, false, true, false, -100.0, 200.0, -300.0, 400.0};
    }
    return document;
}

// Runs `action`, expects a ParameterValidationError and returns its issues.
inline ValidationIssueList issuesOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ParameterValidationError& error) {
        return error.issues();
    }
    ADD_FAILURE() << "expected a ParameterValidationError";
    return {};
}

}  // namespace hazard_desk::test
