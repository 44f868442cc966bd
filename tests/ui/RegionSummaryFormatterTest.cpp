#include "RegionSummaryFormatter.h"

#include <gtest/gtest.h>

namespace hazard_desk {
namespace {

TEST(RegionSummaryFormatterTest, PlaceholderHasDashesAndNoNotifyLine) {
    const RegionSummary summary = RegionSummaryFormatter::placeholder(QStringLiteral("未连接"));
    EXPECT_EQ(summary.context, QStringLiteral("未连接"));
    for (const QString& value : {summary.type, summary.stopValue, summary.warningValue, summary.lateralValue,
                                 summary.heightValue}) {
        EXPECT_EQ(value, QStringLiteral("--"));
    }
    EXPECT_FALSE(summary.notifyVisible);
    EXPECT_EQ(summary.lateralTitle, QStringLiteral("避障范围"));
}

TEST(RegionSummaryFormatterTest, SquareTemplateShowsContiguousRanges) {
    ZoneTemplate t = defaultZoneTemplate(2, TemplateType::Square);
    auto& square = std::get<SquareZones>(t.body);
    square.lowerLimit = 800.5;
    const RegionSummary summary = RegionSummaryFormatter::forTemplate(t, QStringLiteral("ctx"));
    EXPECT_EQ(summary.type, QStringLiteral("矩形区域"));
    EXPECT_EQ(summary.stopTitle, QStringLiteral("停障区域"));
    EXPECT_EQ(summary.stopValue, QStringLiteral("800.5–1200 mm"));
    EXPECT_EQ(summary.warningValue, QStringLiteral("1200–1300 mm"));
    EXPECT_EQ(summary.lateralValue, QStringLiteral("-500–500 mm"));
    EXPECT_EQ(summary.heightTitle, QStringLiteral("避障高度"));
    EXPECT_EQ(summary.heightValue, QStringLiteral("50–1000 mm"));
    EXPECT_FALSE(summary.notifyVisible);
}

TEST(RegionSummaryFormatterTest, FreeBoxTemplateShowsDangerWarningAndNotifyBoxes) {
    const RegionSummary summary =
        RegionSummaryFormatter::forTemplate(defaultZoneTemplate(0, TemplateType::SquareFree), QString());
    EXPECT_EQ(summary.type, QStringLiteral("自由矩形区域"));
    EXPECT_EQ(summary.stopValue, QStringLiteral("0–500 mm"));
    EXPECT_EQ(summary.warningValue, QStringLiteral("500–3000 mm"));
    EXPECT_EQ(summary.lateralValue, QStringLiteral("-1500–1500 mm"));
    EXPECT_EQ(summary.heightValue, QStringLiteral("100–2000 mm"));
    EXPECT_TRUE(summary.notifyVisible);
    EXPECT_EQ(summary.notifyValue, QStringLiteral("3000–5000 mm"));
}

TEST(RegionSummaryFormatterTest, SectorTemplateShowsRadiiAndAngles) {
    ZoneTemplate t = defaultZoneTemplate(4, TemplateType::Sector);
    RegionSummary summary = RegionSummaryFormatter::forTemplate(t, QString());
    EXPECT_EQ(summary.type, QStringLiteral("扇形区域"));
    EXPECT_EQ(summary.stopValue, QStringLiteral("半径 1200 mm"));
    EXPECT_EQ(summary.warningValue, QStringLiteral("半径 1300 mm"));
    EXPECT_EQ(summary.lateralTitle, QStringLiteral("角度范围"));
    EXPECT_EQ(summary.lateralValue, QStringLiteral("-30°–30°"));
    EXPECT_EQ(summary.heightValue, QStringLiteral("50–1000 mm"));
    EXPECT_FALSE(summary.notifyVisible) << "no notify sector by default";

    auto& sector = std::get<SectorZones>(t.body);
    sector.notify = sector.warning;
    sector.notify->radius = 2300;
    summary = RegionSummaryFormatter::forTemplate(t, QString());
    EXPECT_TRUE(summary.notifyVisible);
    EXPECT_EQ(summary.notifyValue, QStringLiteral("半径 2300 mm"));
}

}  // namespace
}  // namespace hazard_desk
