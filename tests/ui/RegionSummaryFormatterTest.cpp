#include "RegionSummaryFormatter.h"

#include <gtest/gtest.h>

namespace hazard_desk {
namespace {

ZoneTemplate squareFromNearLimit() {
    ZoneTemplate t = defaultZoneTemplate(2, TemplateType::Square);
    std::get<SquareZones>(t.body).lowerLimit = 800.5;
    return t;
}

ZoneTemplate sectorWithNotify() {
    ZoneTemplate t = defaultZoneTemplate(4, TemplateType::Sector);
    auto& sector = std::get<SectorZones>(t.body);
    sector.notify = sector.warning;
    sector.notify->radius = 2300;
    return t;
}

TEST(RegionSummaryFormatterTest, EachTemplateTypeShowsItsOwnRanges) {
    struct Case {
        const char* name;
        std::optional<ZoneTemplate> zones;   // none: the placeholder
        const char* type;
        const char* stop;
        const char* warning;
        const char* lateralTitle;
        const char* lateral;
        const char* height;
        const char* notify;   // nullptr: no notify line
    };
    const Case cases[] = {
        {"placeholder", std::nullopt, "--", "--", "--", "避障范围", "--", "--", nullptr},
        {"square", squareFromNearLimit(), "矩形区域", "800.5–1200 mm", "1200–1300 mm", "避障范围", "-500–500 mm",
         "50–1000 mm", nullptr},
        {"free boxes", defaultZoneTemplate(0, TemplateType::SquareFree), "自由矩形区域", "0–500 mm", "500–3000 mm",
         "避障范围", "-1500–1500 mm", "100–2000 mm", "3000–5000 mm"},
        {"sector", defaultZoneTemplate(4, TemplateType::Sector), "扇形区域", "半径 1200 mm", "半径 1300 mm", "角度范围",
         "-30°–30°", "50–1000 mm", nullptr},
        {"sector with a notify zone", sectorWithNotify(), "扇形区域", "半径 1200 mm", "半径 1300 mm", "角度范围",
         "-30°–30°", "50–1000 mm", "半径 2300 mm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RegionSummary summary = c.zones ? RegionSummaryFormatter::forTemplate(*c.zones, QStringLiteral("ctx"))
                                              : RegionSummaryFormatter::placeholder(QStringLiteral("ctx"));
        EXPECT_EQ(summary.context, QStringLiteral("ctx"));
        EXPECT_EQ(summary.type, QString::fromUtf8(c.type));
        EXPECT_EQ(summary.stopValue, QString::fromUtf8(c.stop));
        EXPECT_EQ(summary.warningValue, QString::fromUtf8(c.warning));
        EXPECT_EQ(summary.lateralTitle, QString::fromUtf8(c.lateralTitle));
        EXPECT_EQ(summary.lateralValue, QString::fromUtf8(c.lateral));
        EXPECT_EQ(summary.heightValue, QString::fromUtf8(c.height));
        EXPECT_EQ(summary.notifyVisible, c.notify != nullptr);
        if (c.notify != nullptr) {
            EXPECT_EQ(summary.notifyValue, QString::fromUtf8(c.notify));
        }
    }
}

}  // namespace
}  // namespace hazard_desk
