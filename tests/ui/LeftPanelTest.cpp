// The left panel: the start-up options, the device list with its filter,
// the status groups as the formatters word them, and the runtime log.
#include "DevicePanel.h"
#include "RegionSummaryFormatter.h"
#include "RuntimeStatusFormatter.h"
#include "StartupOptions.h"
#include "StatusPanel.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace hazard_desk {
namespace {

QStringList args(std::initializer_list<const char*> list) {
    QStringList result{QStringLiteral("hazard-desk")};
    for (const char* a : list) {
        result << QString::fromUtf8(a);
    }
    return result;
}

struct GoodCase {
    const char* name;
    QStringList arguments;
    QString address;
    QString language;
    bool help;
};

TEST(StartupOptionsTest, AcceptsBothOptionFormsAndHelp) {
    const GoodCase cases[] = {
        {"connect separate", args({"--connect", "127.0.10.1"}), QStringLiteral("127.0.10.1"), QString(), false},
        {"both", args({"--language=zh-CN", "--connect", " 127.0.10.2 "}), QStringLiteral("127.0.10.2"),
         QStringLiteral("zh-CN"), false},
        {"short help", args({"-h", "--connect", "127.0.0.9"}), QStringLiteral("127.0.0.9"), QString(), true},
    };
    for (const GoodCase& c : cases) {
        const StartupOptionsResult result = StartupOptionsParser::parse(c.arguments);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error.toStdString();
        EXPECT_EQ(result.options.connectAddress, c.address) << c.name;
        EXPECT_EQ(result.options.language, c.language) << c.name;
        EXPECT_EQ(result.options.helpRequested, c.help) << c.name;
    }
}

struct BadCase {
    const char* name;
    QStringList arguments;
    const char* errorPart;
};

TEST(StartupOptionsTest, RejectsBadInputWithAMessageNamingOptionAndValue) {
    const BadCase cases[] = {
        {"missing value", args({"--connect"}), "'--connect' needs a value"},
        {"field too large", args({"--connect=127.0.0.256"}), "got '127.0.0.256'"},
        {"leading zero", args({"--connect", "127.0.0.01"}), "got '127.0.0.01'"},
        {"empty equals", args({"--connect="}), "got ''"},
        {"bad language", args({"--language", "zh CN"}), "got 'zh CN'"},
        {"twice", args({"--connect", "127.0.0.1", "--connect", "127.0.0.2"}), "more than once"},
        {"unknown", args({"--fullscreen"}), "unknown option '--fullscreen'"},
    };
    for (const BadCase& c : cases) {
        const StartupOptionsResult result = StartupOptionsParser::parse(c.arguments);
        EXPECT_FALSE(result.ok()) << c.name;
        EXPECT_TRUE(result.error.contains(QString::fromUtf8(c.errorPart)))
            << c.name << ": " << result.error.toStdString();
        EXPECT_TRUE(result.options.connectAddress.isEmpty() || c.arguments.size() > 3) << c.name;
    }
}

QVariantList manyDevices(int count) {
    QVariantList list;
    for (int i = 0; i < count; ++i) {
        list << QVariantMap{{QStringLiteral("id"), QStringLiteral("CAM-%1").arg(i)},
                            {QStringLiteral("ip"), QStringLiteral("127.0.10.%1").arg(i + 1)},
                            {QStringLiteral("serial"), QStringLiteral("SN-%1").arg(i)},
                            {QStringLiteral("model"), QStringLiteral("K7")}};
    }
    return list;
}

class DevicePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        panel = new DevicePanel(host.get(), layout);
        host->resize(320, 600);
        host->show();
    }
    QListWidget* list() const { return panel->deviceList(); }
    QString selectedSerial() const { return panel->selectedVisibleDescriptor().value(QStringLiteral("serial")).toString(); }
    QString valueOf(const char* name) const {
        return host->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    std::unique_ptr<QWidget> host;
    DevicePanel* panel = nullptr;
};

// A new discovery answer: the same list leaves the items, the selection and
// the scroll position as they were; a changed one is rebuilt around the
// selected camera, or the first row when that camera is gone.
TEST_F(DevicePanelTest, NewListsKeepTheSelectedCameraAndTheScrollPosition) {
    const QVariantList devices = manyDevices(12);
    panel->showDevices(devices);
    list()->clearSelection();
    list()->item(9)->setSelected(true);
    list()->verticalScrollBar()->setValue(list()->verticalScrollBar()->maximum());
    const int scroll = list()->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0) << "twelve rows must overflow the list";
    EXPECT_FALSE(panel->showDevices(devices));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-9"));
    EXPECT_EQ(list()->verticalScrollBar()->value(), scroll);

    QVariantList changed = devices;
    std::swap(changed[0], changed[9]);
    QVariantMap renamed = changed[3].toMap();
    renamed[QStringLiteral("name")] = QStringLiteral("rear");
    changed[3] = renamed;
    EXPECT_TRUE(panel->showDevices(changed));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-9"));
    EXPECT_TRUE(list()->item(0)->isSelected()) << "the camera moved to row 0 and stayed selected";
    EXPECT_EQ(list()->verticalScrollBar()->value(), scroll);

    panel->showDevices(manyDevices(2));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-0"));
    panel->showDevices({});
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(panel->selectedVisibleDescriptor().isEmpty());
    EXPECT_EQ(valueOf("deviceSerialValueLabel"), QStringLiteral("--"));
}

// Typing a filter hides the selected camera without picking another; the
// filter applied picks the first visible one; a lookup by address clears a
// filter that hides the camera, and a failed one keeps the selection.
TEST_F(DevicePanelTest, FilterAndAddressLookupDecideTheSelection) {
    panel->showDevices(manyDevices(4));
    QSignalSpy changes(panel, &DevicePanel::selectionChanged);
    panel->deviceFilterEdit()->setText(QStringLiteral("SN-2"));
    EXPECT_TRUE(panel->selectedVisibleDescriptor().isEmpty()) << "typing does not pick a camera";
    EXPECT_EQ(valueOf("deviceSerialValueLabel"), QStringLiteral("--"));
    EXPECT_GE(changes.count(), 1);
    panel->applyDeviceFilter(true);
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-2"));
    EXPECT_EQ(valueOf("deviceSerialValueLabel"), QStringLiteral("SN-2"));

    EXPECT_TRUE(panel->selectDeviceByAddress(QStringLiteral("127.0.10.4")));
    EXPECT_TRUE(panel->deviceFilterEdit()->text().isEmpty());
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-3"));
    EXPECT_EQ(list()->selectedItems().size(), 1);
    EXPECT_FALSE(panel->selectDeviceByAddress(QStringLiteral("127.0.10.99")));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-3")) << "a failed lookup keeps the selection";
}

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
        {"input 2 high", both, Line::Input, 1, QStringLiteral("IN2 ●"), QStringLiteral("#44dca8"), QStringLiteral("输入 2：高电平")},
        {"output 1 high", both, Line::Output, 0, QStringLiteral("OUT1 ●"), QStringLiteral("#46cfff"), QStringLiteral("输出 1：高电平")},
        {"output 2 low", both, Line::Output, 1, QStringLiteral("OUT2 ●"), QStringLiteral("#77889a"), QStringLiteral("输出 2：低电平")},
        {"output mask 1 hides OUT2", {{"outputStatus", 0b11}, {"outputChannelMask", 1u}}, Line::Output, 1,
         QStringLiteral("OUT2 --"), QStringLiteral("#64748b"), QStringLiteral("输出 2：未获取 / 不支持")},
        {"missing mask means no channel", {{"inputStatus", 1}}, Line::Input, 0, QStringLiteral("IN1 --"),
         QStringLiteral("#64748b"), QStringLiteral("输入 1：未获取 / 不支持")},
        {"missing status is unknown", {{"inputChannelMask", 3u}}, Line::Input, 0, QStringLiteral("IN1 --"),
         QStringLiteral("#64748b"), QStringLiteral("输入 1：未获取 / 不支持")},
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

}  // namespace
}  // namespace hazard_desk
