#include "RuntimeStatusFormatter.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace hazard_desk
