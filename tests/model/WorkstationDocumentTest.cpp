#include "ModelTestDocuments.h"

#include "DocumentValidator.h"
#include "WorkstationDocument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace hazard_desk {
namespace {

TEST(WorkstationDocumentDefaults, HoldTheDocumentedValues)
{
    const WorkstationDocument document;
    EXPECT_EQ(document.algorithmVersion, AlgorithmVersion::V2);
    EXPECT_EQ(document.activeIndex, 1);
    const Extrinsics& e = document.extrinsics;
    EXPECT_EQ(e.roll, 90.0);
    EXPECT_EQ(e.pitch, -180.0);
    EXPECT_EQ(e.yaw, 90.0);
    EXPECT_EQ(e.x, 0.0);
    EXPECT_EQ(e.y, 0.0);
    EXPECT_EQ(e.z, 50.0);
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        const ZoneTemplate& t = document.templates[slot];
        EXPECT_EQ(t.index, static_cast<std::int32_t>(slot));
        ASSERT_EQ(t.type(), TemplateType::Square);
        const auto& s = std::get<SquareZones>(t.body);
        EXPECT_EQ(s.lowerLimit, 1000.0);
        EXPECT_EQ(s.emergencyStopUpper, 1200.0);
        EXPECT_EQ(s.decelerationUpper, 1300.0);
        EXPECT_EQ(s.rangeLeft, -500.0);
        EXPECT_EQ(s.rangeRight, 500.0);
        EXPECT_EQ(s.heightLower, 50.0);
        EXPECT_EQ(s.heightUpper, 1000.0);
        EXPECT_EQ(t.options, AdvancedOptions{});
    }
    EXPECT_TRUE(validateWorkstationDocument(document).empty());
}

TEST(WorkstationDocumentDefaults, OptionsHoldTheDocumentedValues)
{
    const AdvancedOptions o;
    EXPECT_FALSE(o.debug);
    EXPECT_FALSE(o.groundVoid.enabled);
    EXPECT_EQ(o.groundVoid.nearDistance, 186.0);
    EXPECT_EQ(o.groundVoid.farDistance, 850.0);
    EXPECT_EQ(o.groundVoid.halfWidth, 608.0);
    EXPECT_EQ(o.groundVoid.resolution, 50.0);
    EXPECT_EQ(o.groundVoid.halfThickness, 50.0);
    EXPECT_EQ(o.groundVoid.minPoints, 10.0);
    EXPECT_FALSE(o.semantic.enabled || o.semantic.pointCloudCompact || o.semantic.nonSemanticBox
                 || o.semantic.enhancement || o.semantic.pointCloudOutput);
    EXPECT_EQ(o.semantic.minX, 0.0);
    EXPECT_EQ(o.semantic.maxY, 0.0);
}

TEST(DefaultZoneTemplate, GivesTheDefaultBodyOfEachType)
{
    const ZoneTemplate square = defaultZoneTemplate(4, TemplateType::Square);
    EXPECT_EQ(square.index, 4);
    EXPECT_EQ(std::get<SquareZones>(square.body), SquareZones{});

    const ZoneTemplate free = defaultZoneTemplate(5, TemplateType::SquareFree);
    ASSERT_EQ(free.type(), TemplateType::SquareFree);
    const auto& boxes = std::get<FreeBoxZones>(free.body);
    EXPECT_EQ(boxes.danger, (BoxZone{0, 500, -1500, 1500, 100, 2000}));
    EXPECT_EQ(boxes.warning, (BoxZone{500, 3000, -1500, 1500, 100, 2000}));
    EXPECT_EQ(boxes.notify, (BoxZone{3000, 5000, -1500, 1500, 100, 2000}));

    const ZoneTemplate sector = defaultZoneTemplate(6, TemplateType::Sector);
    ASSERT_EQ(sector.type(), TemplateType::Sector);
    const auto& s = std::get<SectorZones>(sector.body);
    EXPECT_EQ(s.lowerLimit, 0.0);
    EXPECT_EQ(s.danger, (SectorZone{1200, -30, 30, 50, 1000, 0, 0}));
    EXPECT_EQ(s.warning, (SectorZone{1300, -30, 30, 50, 1000, 0, 0}));
    EXPECT_FALSE(s.notify.has_value());
    EXPECT_EQ(sector.options, AdvancedOptions{});

    EXPECT_EQ(defaultZoneTemplate(3, static_cast<TemplateType>(9)).type(), TemplateType::Square);
}

TEST(ModelWords, WriteAndReadTheDocumentedWords)
{
    EXPECT_STREQ(templateTypeWord(TemplateType::Square), "square");
    EXPECT_STREQ(templateTypeWord(TemplateType::SquareFree), "squareFree");
    EXPECT_STREQ(templateTypeWord(TemplateType::Sector), "sector");
    EXPECT_STREQ(templateTypeWord(static_cast<TemplateType>(3)), "unknown");
    EXPECT_STREQ(zoneLevelWord(ZoneLevel::Danger), "danger");
    EXPECT_STREQ(zoneLevelWord(ZoneLevel::Warn), "warn");
    EXPECT_STREQ(zoneLevelWord(ZoneLevel::Notify), "notify");
    EXPECT_STREQ(zoneLevelWord(static_cast<ZoneLevel>(-1)), "unknown");
    EXPECT_STREQ(algorithmVersionWord(AlgorithmVersion::V1), "v1");
    EXPECT_STREQ(algorithmVersionWord(AlgorithmVersion::V2), "v2");
    EXPECT_STREQ(algorithmVersionWord(static_cast<AlgorithmVersion>(4)), "unknown");

    const struct {
        const char* word;
        std::optional<TemplateType> type;
    } typeCases[] = {
        {"square", TemplateType::Square},       {"box", TemplateType::Square},
        {"方形", TemplateType::Square},         {"squareFree", TemplateType::SquareFree},
        {"square_free", TemplateType::SquareFree}, {"freeBox", TemplateType::SquareFree},
        {"自由矩形", TemplateType::SquareFree}, {"sector", TemplateType::Sector},
        {"fan", TemplateType::Sector},          {"扇形", TemplateType::Sector},
        {"Fan", std::nullopt},                  {"Square", std::nullopt},
        {"sector ", std::nullopt},              {"", std::nullopt},
    };
    for (const auto& c : typeCases) {
        EXPECT_EQ(templateTypeFromWord(c.word), c.type) << c.word;
    }
    const struct {
        const char* word;
        std::optional<AlgorithmVersion> version;
    } versionCases[] = {
        {"v1", AlgorithmVersion::V1}, {"V1", AlgorithmVersion::V1}, {"1", AlgorithmVersion::V1},
        {"1.0", AlgorithmVersion::V1}, {"v2", AlgorithmVersion::V2}, {"V2", AlgorithmVersion::V2},
        {"2", AlgorithmVersion::V2}, {"2.0", AlgorithmVersion::V2}, {"3", std::nullopt},
        {"v 2", std::nullopt}, {"2.00", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& c : versionCases) {
        EXPECT_EQ(algorithmVersionFromWord(c.word), c.version) << c.word;
    }
}

TEST(ActiveTemplate, ReturnsTheActiveSlotAndRejectsOutOfRange)
{
    WorkstationDocument document = test::mixedDocument();
    EXPECT_EQ(activeTemplate(document).index, 7);
    activeTemplate(document).options.debug = true;
    EXPECT_TRUE(document.templates[7].options.debug);

    for (const std::int32_t bad : {-1, 20, std::numeric_limits<std::int32_t>::min()}) {
        document.activeIndex = bad;
        try {
            (void)activeTemplate(static_cast<const WorkstationDocument&>(document));
            ADD_FAILURE() << "no throw for " << bad;
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "active obstacle template index is outside 0..19");
        }
    }
}

TEST(DocumentEquality, ComparesEveryFieldAndTreatsNanAsEqual)
{
    const WorkstationDocument base = test::mixedDocument();
    EXPECT_EQ(base, base);

    const std::function<void(WorkstationDocument&)> changes[] = {
        [](WorkstationDocument& d) { d.algorithmVersion = AlgorithmVersion::V2; },
        [](WorkstationDocument& d) { d.extrinsics.z += 1.0; },
        [](WorkstationDocument& d) { d.activeIndex = 3; },
        [](WorkstationDocument& d) { d.templates[2].index = 5; },
        [](WorkstationDocument& d) { std::get<SectorZones>(d.templates[2].body).notify.reset(); },
        [](WorkstationDocument& d) { std::get<SectorZones>(d.templates[2].body).danger.centerY = 0.0; },
        [](WorkstationDocument& d) { std::get<FreeBoxZones>(d.templates[1].body).warning.minZ = 1.0; },
        [](WorkstationDocument& d) { std::get<SquareZones>(d.templates[0].body).heightUpper = 1.0; },
        [](WorkstationDocument& d) { d.templates[0] = defaultZoneTemplate(0, TemplateType::Sector); },
        [](WorkstationDocument& d) { d.templates[9].options.semantic.pointCloudOutput = true; },
        [](WorkstationDocument& d) { d.templates[9].options.groundVoid.minPoints = 3.0; },
        [](WorkstationDocument& d) { d.templates[9].options.debug = !d.templates[9].options.debug; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        WorkstationDocument changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "change " << i;
    }

    WorkstationDocument a = base;
    a.extrinsics.roll = std::nan("");
    WorkstationDocument b = a;
    EXPECT_EQ(a, b);
    b.extrinsics.roll = 0.0;
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace hazard_desk
