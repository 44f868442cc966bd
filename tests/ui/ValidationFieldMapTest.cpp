#include "ValidationFieldMap.h"

#include "DocumentValidator.h"
#include "WorkstationDocument.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hazard_desk {
namespace {

TEST(ValidationFieldMapTest, PathsNameTheFieldsOfTheEditedTemplate) {
    struct Case {
        const char* path;
        int editing;
        TemplateType type;
        QStringList fields;
    };
    const Case cases[] = {
        {"templates[3].distance", 3, TemplateType::Square,
         {"rectDangerNearSpin", "rectDangerFarSpin", "rectWarningFarSpin"}},
        {"templates[3]", 3, TemplateType::Square,
         {"rectDangerNearSpin", "rectDangerFarSpin", "rectYMinSpin", "rectYMaxSpin", "rectZMinSpin", "rectZMaxSpin",
          "rectWarningFarSpin"}},
        // Another template's issue, or a template whose number only starts alike.
        {"templates[3].distance", 1, TemplateType::Square, {}},
        {"templates[13].distance", 1, TemplateType::Square, {}},
        // The sector page has no near-limit field.
        {"templates[1].lowerLimit", 1, TemplateType::Sector, {}},
        {"templates[1].zones.notify.x", 1, TemplateType::SquareFree, {}},
        {"activeIndex", 7, TemplateType::Square, {"templateIndexSpin"}},
        {"extrinsics", 7, TemplateType::Sector,
         {"extrinsicXSpin", "extrinsicYSpin", "extrinsicZSpin", "extrinsicRollSpin", "extrinsicPitchSpin",
          "extrinsicYawSpin"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidationFieldMap::fieldsFor(c.path, c.editing, c.type), c.fields) << c.path;
    }
}

// Every path the validator can give for a template, made to fail one way at a
// time, names at least one field on the page that shows it, except a sector's
// near limit (not editable here) and a free box's notify box (not shown).
TEST(ValidationFieldMapTest, EveryEditableRuleReachesAField) {
    const double nan = std::nan("");
    struct Case {
        const char* what;
        TemplateType type;
        void (*breakIt)(ZoneTemplate&, double);
    };
    const Case cases[] = {
        {"square order", TemplateType::Square, [](ZoneTemplate& t, double) { std::get<SquareZones>(t.body).lowerLimit = 5000; }},
        {"square NaN", TemplateType::Square, [](ZoneTemplate& t, double n) { std::get<SquareZones>(t.body).rangeLeft = n; }},
        {"sector radius order", TemplateType::Sector, [](ZoneTemplate& t, double) { std::get<SectorZones>(t.body).warning.radius = 1; }},
        {"sector angles", TemplateType::Sector, [](ZoneTemplate& t, double) { std::get<SectorZones>(t.body).danger.leftAngle = 60; }},
        {"sector NaN", TemplateType::Sector, [](ZoneTemplate& t, double n) { std::get<SectorZones>(t.body).warning.maxZ = n; }},
        {"free box", TemplateType::SquareFree, [](ZoneTemplate& t, double) { std::get<FreeBoxZones>(t.body).danger.minY = 9000; }},
        {"ground void", TemplateType::Square, [](ZoneTemplate& t, double) {
             t.options.groundVoid.enabled = true;
             t.options.groundVoid.resolution = 5000;
         }},
        {"semantic", TemplateType::Square, [](ZoneTemplate& t, double) {
             t.options.semantic.enabled = true;
             t.options.semantic.minX = 10;
         }},
    };
    for (const Case& c : cases) {
        WorkstationDocument document;
        document.templates[4] = defaultZoneTemplate(4, c.type);
        c.breakIt(document.templates[4], nan);
        const ValidationIssueList issues = validateWorkstationDocument(document);
        ASSERT_FALSE(issues.empty()) << c.what;
        for (const ValidationIssue& issue : issues) {
            EXPECT_FALSE(ValidationFieldMap::fieldsFor(issue.path, 4, c.type).isEmpty()) << c.what << ": " << issue.path;
        }
    }
}

}  // namespace
}  // namespace hazard_desk
