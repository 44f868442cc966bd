// The left panel's status groups: what the runtime snapshot and the running
// template read as (the formatters), and the panel that shows them with the
// runtime log.
#include "StatusPanel.h"

#include "RegionSummaryFormatter.h"
#include "RuntimeStatusFormatter.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace hazard_desk {
namespace {

using Line = RuntimeStatusFormatter::Line;

struct StateCase {
    const char* name;
    QVariantMap runtime;
    QString text;
    QString style;
};

TEST(RuntimeStatusFormatterTest, ObstacleStateFollowsIoStatusWithPlaceholdersForMissingOrInvalid) {
    const QString safe = QStringLiteral("background:#10291f;color:#55dda8;padding:8px;border-radius:4px;font-weight:600;");
    const QString warn = QStringLiteral("background:#332a10;color:#f3c946;padding:8px;border-radius:4px;font-weight:600;");
    const QString stop = QStringLiteral("background:#36171b;color:#ff5360;padding:8px;border-radius:4px;font-weight:600;");
    const QString invalid = QStringLiteral("background:#202a38;color:#94a3b8;padding:8px;border-radius:4px;");
    const StateCase cases[] = {
        {"safe", {{"ioStatus", 0}}, QStringLiteral("安全 · 0"), safe},
        {"warning", {{"ioStatus", 1}}, QStringLiteral("预警 / 减速 · 1"), warn},
        {"stop", {{"ioStatus", 2}}, QStringLiteral("报警 / 急停 · 2"), stop},
        {"missing", {}, QStringLiteral("状态无效 · 1000"), invalid},
        {"minus one", {{"ioStatus", -1}}, QStringLiteral("状态无效 · 1000"), invalid},
        {"unknown code", {{"ioStatus", 7}}, QStringLiteral("状态无效 · 7"), invalid},
        {"negative code", {{"ioStatus", -5}}, QStringLiteral("状态无效 · -5"), invalid},
        {"not a number", {{"ioStatus", QStringLiteral("stop")}}, QStringLiteral("状态无效 · 1000"), invalid},
        {"numeric text", {{"ioStatus", QStringLiteral("2")}}, QStringLiteral("报警 / 急停 · 2"), stop},
    };
    for (const StateCase& c : cases) {
        const LabelLook look = RuntimeStatusFormatter::obstacleState(c.runtime);
        EXPECT_EQ(look.text, c.text) << c.name;
        EXPECT_EQ(look.style, c.style) << c.name;
    }
}

struct IndicatorCase {
    const char* name;
    QVariantMap runtime;
    Line line;
    int channel;
    QString text;
    QString colour;
    QString toolTip;
};

TEST(RuntimeStatusFormatterTest, IoIndicatorsHonourStatusAndChannelMask) {
    const QVariantMap both{{"inputStatus", 0b10}, {"inputChannelMask", 0b11u},
                           {"outputStatus", 0b01}, {"outputChannelMask", 0b11u}};
    const IndicatorCase cases[] = {
        {"input 1 low", both, Line::Input, 0, QStringLiteral("IN1 ●"), QStringLiteral("#77889a"), QStringLiteral("输入 1：低电平")},
        {"input 2 high", both, Line::Input, 1, QStringLiteral("IN2 ●"), QStringLiteral("#44dca8"), QStringLiteral("输入 2：高电平")},
        {"output 1 high", both, Line::Output, 0, QStringLiteral("OUT1 ●"), QStringLiteral("#46cfff"), QStringLiteral("输出 1：高电平")},
        {"output 2 low", both, Line::Output, 1, QStringLiteral("OUT2 ●"), QStringLiteral("#77889a"), QStringLiteral("输出 2：低电平")},
        {"output mask 1 hides OUT2", {{"outputStatus", 0b11}, {"outputChannelMask", 1u}}, Line::Output, 1,
         QStringLiteral("OUT2 --"), QStringLiteral("#64748b"), QStringLiteral("输出 2：未获取 / 不支持")},
        {"output mask 1 keeps OUT1", {{"outputStatus", 0b11}, {"outputChannelMask", 1u}}, Line::Output, 0,
         QStringLiteral("OUT1 ●"), QStringLiteral("#46cfff"), QStringLiteral("输出 1：高电平")},
        {"missing mask means no channel", {{"inputStatus", 1}}, Line::Input, 0, QStringLiteral("IN1 --"),
         QStringLiteral("#64748b"), QStringLiteral("输入 1：未获取 / 不支持")},
        {"missing status is unknown", {{"inputChannelMask", 3u}}, Line::Input, 0, QStringLiteral("IN1 --"),
         QStringLiteral("#64748b"), QStringLiteral("输入 1：未获取 / 不支持")},
        {"negative status is unknown", {{"outputStatus", -1}, {"outputChannelMask", 3u}}, Line::Output, 0,
         QStringLiteral("OUT1 --"), QStringLiteral("#64748b"), QStringLiteral("输出 1：未获取 / 不支持")},
        {"input values do not leak into outputs", {{"inputStatus", 3}, {"inputChannelMask", 3u}}, Line::Output, 0,
         QStringLiteral("OUT1 --"), QStringLiteral("#64748b"), QStringLiteral("输出 1：未获取 / 不支持")},
    };
    for (const IndicatorCase& c : cases) {
        const LabelLook look = RuntimeStatusFormatter::ioIndicator(c.runtime, c.line, c.channel);
        EXPECT_EQ(look.text, c.text) << c.name;
        EXPECT_EQ(look.style, QStringLiteral("color:%1;font-weight:600;").arg(c.colour)) << c.name;
        EXPECT_EQ(look.toolTip, c.toolTip) << c.name;
    }
}

TEST(RuntimeStatusFormatterTest, PerformanceValuesUseOneDecimalAndDashesForMissingKeys) {
    EXPECT_EQ(RuntimeStatusFormatter::fpsText({{"cameraFps", 15.04}, {"measuredFps", 14.96}}),
              QStringLiteral("15.0 / 15.0 fps"));
    EXPECT_EQ(RuntimeStatusFormatter::fpsText({{"cameraFps", 30.0}}), QStringLiteral("30.0 / -- fps"));
    EXPECT_EQ(RuntimeStatusFormatter::fpsText({}), QStringLiteral("-- / -- fps"));
    EXPECT_EQ(RuntimeStatusFormatter::latencyText({{"latencyMs", 42}}), QStringLiteral("42 ms"));
    EXPECT_EQ(RuntimeStatusFormatter::latencyText({}), QStringLiteral("-- ms"));
    EXPECT_EQ(RuntimeStatusFormatter::latencyText({{"latencyMs", QStringLiteral("soon")}}), QStringLiteral("-- ms"));
}

TEST(RuntimeStatusFormatterTest, ActiveTemplateShowsIndexAndBoxCountInTheTooltip) {
    const LabelLook known = RuntimeStatusFormatter::activeTemplate({{"boxCount", 3}}, 5);
    EXPECT_EQ(known.text, QStringLiteral("5"));
    EXPECT_EQ(known.toolTip, QStringLiteral("5 · 3 个障碍物"));
    const LabelLook unknown = RuntimeStatusFormatter::activeTemplate({}, -1);
    EXPECT_EQ(unknown.text, QStringLiteral("--"));
    EXPECT_EQ(unknown.toolTip, QStringLiteral("-- · 0 个障碍物"));
}

struct ResultCase {
    const char* name;
    QVariantMap runtime;
    QString text;
    QString toolTip;
};

TEST(RuntimeStatusFormatterTest, ResultLineDistinguishesMissingNormalAndErrorResults) {
    const ResultCase cases[] = {
        {"no result", {{"resultAvailable", false}, {"boxCount", 4}, {"algorithmState", 0}},
         QStringLiteral("障碍物结果未获取"), QString()},
        {"key absent", {}, QStringLiteral("障碍物结果未获取"), QString()},
        {"normal", {{"resultAvailable", true}, {"algorithmState", 0}, {"boxCount", 2}},
         QStringLiteral("当前帧障碍物：2 个"), QString()},
        {"error state", {{"resultAvailable", true}, {"algorithmState", 3}, {"resultError", QStringLiteral("ground lost")}},
         QStringLiteral("避障算法返回异常状态：3"), QStringLiteral("ground lost")},
    };
    for (const ResultCase& c : cases) {
        const LabelLook look = RuntimeStatusFormatter::result(c.runtime);
        EXPECT_EQ(look.text, c.text) << c.name;
        EXPECT_EQ(look.toolTip, c.toolTip) << c.name;
    }
}

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

class StatusPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        panel = new StatusPanel(host.get(), layout);
    }
    QLabel* label(const char* name) const {
        auto* found = host->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QListWidget* log() const { return panel->runtimeLogList(); }

    std::unique_ptr<QWidget> host;
    StatusPanel* panel = nullptr;
};

TEST_F(StatusPanelTest, LogRowsCarryTimeAndTagAndKeepTheUntranslatedMessage) {
    panel->appendLog(0, QStringLiteral("相机已连接"));
    panel->appendLog(1, QStringLiteral("帧率偏低"));
    panel->appendLog(2, QStringLiteral("   \n\t"));
    panel->appendLog(2, QStringLiteral("读取失败"));
    panel->appendLog(7, QStringLiteral("严重错误"));
    ASSERT_EQ(log()->count(), 4) << "a blank message adds no row";
    const QRegularExpression prefix(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  \\[(INF|WRN|ERR)\\]  $"));
    const char* tags[] = {"INF", "WRN", "ERR", "ERR"};
    for (int row = 0; row < 4; ++row) {
        QListWidgetItem* item = log()->item(row);
        const QString storedPrefix = item->data(Qt::UserRole + 1).toString();
        EXPECT_TRUE(prefix.match(storedPrefix).hasMatch()) << storedPrefix.toStdString();
        EXPECT_TRUE(storedPrefix.contains(QStringLiteral("[%1]").arg(QLatin1String(tags[row])))) << row;
        EXPECT_EQ(item->text(), storedPrefix + item->data(Qt::UserRole).toString());
    }
    // Retranslation rebuilds the rows from what was stored; the clear button empties the log.
    const QString before = log()->item(2)->text();
    panel->retranslateLog();
    EXPECT_EQ(log()->item(2)->text(), before);
    panel->clearLogButton()->click();
    EXPECT_EQ(log()->count(), 0);
}

TEST_F(StatusPanelTest, TheTwoHundredAndFirstRowDropsTheFirst) {
    for (int i = 1; i <= StatusPanel::kMaxLogRows + 1; ++i) {
        panel->appendLog(0, QStringLiteral("message %1").arg(i));
    }
    ASSERT_EQ(log()->count(), 200);
    EXPECT_EQ(log()->item(0)->data(Qt::UserRole).toString(), QStringLiteral("message 2"));
    EXPECT_EQ(log()->item(199)->data(Qt::UserRole).toString(), QStringLiteral("message 201"));
}

TEST_F(StatusPanelTest, ResetLeavesThePanelAsANewOneShowsIt) {
    QWidget fresh;
    new StatusPanel(&fresh, new QVBoxLayout(&fresh));
    panel->showRuntime({{"ioStatus", 2}, {"inputStatus", 1}, {"inputChannelMask", 3u}, {"outputStatus", 1},
                        {"outputChannelMask", 3u}, {"cameraFps", 15.0}, {"measuredFps", 14.44}, {"latencyMs", 31},
                        {"resultAvailable", true}, {"algorithmState", 0}, {"boxCount", 2}},
                       6);
    EXPECT_NE(label("obstacleStateLabel")->text(), QStringLiteral("--"));
    panel->resetStatusPanel();
    for (const char* name : {"obstacleStateLabel", "obstacleResultLabel", "inputIoIndicator", "inputIo2Indicator",
                             "outputIoIndicator", "outputIo2Indicator", "fpsValueLabel", "latencyValueLabel"}) {
        const QLabel* shown = label(name);
        const QLabel* asNew = fresh.findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_EQ(shown->text(), asNew->text()) << name;
        EXPECT_EQ(shown->toolTip(), asNew->toolTip()) << name;
        EXPECT_EQ(shown->styleSheet(), asNew->styleSheet()) << name;
    }
}

TEST_F(StatusPanelTest, TheNotifyLineShowsOnlyForATemplateWithANotifyZone) {
    host->show();
    panel->showRegionSummary(QStringLiteral("当前运行区域"),
                             RegionSummaryFormatter::forTemplate(defaultZoneTemplate(3, TemplateType::SquareFree),
                                                                 QStringLiteral("运行模板 3 · 设备回读")));
    EXPECT_EQ(label("regionContextLabel")->text(), QStringLiteral("运行模板 3 · 设备回读"));
    EXPECT_TRUE(label("regionNotifyValueLabel")->isVisible());
    panel->showRegionPlaceholder(false);
    EXPECT_EQ(panel->currentRegionGroup()->title(), QStringLiteral("当前区域参数"));
    EXPECT_EQ(label("regionStopValueLabel")->text(), QStringLiteral("--"));
    EXPECT_FALSE(label("regionNotifyValueLabel")->isVisible());
}

}  // namespace
}  // namespace hazard_desk
