#include "StatusPanel.h"

#include "RegionSummaryFormatter.h"

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

TEST_F(StatusPanelTest, LogRowsCarryPrefixTagColourAndUntranslatedMessage) {
    panel->appendLog(0, QStringLiteral("相机已连接"));
    panel->appendLog(1, QStringLiteral("帧率偏低"));
    panel->appendLog(2, QStringLiteral("读取失败"));
    panel->appendLog(7, QStringLiteral("严重错误"));
    ASSERT_EQ(log()->count(), 4);
    const QRegularExpression prefix(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  \\[(INF|WRN|ERR)\\]  $"));
    const char* tags[] = {"INF", "WRN", "ERR", "ERR"};
    const QColor colours[] = {QColor(170, 183, 198), QColor(243, 201, 70), QColor(255, 83, 96), QColor(255, 83, 96)};
    for (int row = 0; row < 4; ++row) {
        QListWidgetItem* item = log()->item(row);
        const QString storedPrefix = item->data(Qt::UserRole + 1).toString();
        EXPECT_TRUE(prefix.match(storedPrefix).hasMatch()) << storedPrefix.toStdString();
        EXPECT_TRUE(storedPrefix.contains(QStringLiteral("[%1]").arg(QLatin1String(tags[row])))) << row;
        EXPECT_EQ(item->text(), storedPrefix + item->data(Qt::UserRole).toString());
        EXPECT_EQ(item->toolTip(), item->data(Qt::UserRole).toString());
        EXPECT_EQ(item->foreground().color(), colours[row]) << row;
    }
    EXPECT_EQ(log()->item(2)->data(Qt::UserRole).toString(), QStringLiteral("读取失败"));
}

TEST_F(StatusPanelTest, BlankMessagesAreIgnored) {
    panel->appendLog(0, QString());
    panel->appendLog(2, QStringLiteral("   \n\t"));
    EXPECT_EQ(log()->count(), 0);
}

TEST_F(StatusPanelTest, TheTwoHundredAndFirstRowDropsTheFirst) {
    for (int i = 1; i <= StatusPanel::kMaxLogRows; ++i) {
        panel->appendLog(0, QStringLiteral("message %1").arg(i));
    }
    ASSERT_EQ(log()->count(), 200);
    EXPECT_EQ(log()->item(0)->data(Qt::UserRole).toString(), QStringLiteral("message 1"));
    panel->appendLog(1, QStringLiteral("message 201"));
    ASSERT_EQ(log()->count(), 200);
    EXPECT_EQ(log()->item(0)->data(Qt::UserRole).toString(), QStringLiteral("message 2"));
    EXPECT_EQ(log()->item(199)->data(Qt::UserRole).toString(), QStringLiteral("message 201"));
}

TEST_F(StatusPanelTest, ClearButtonEmptiesTheLogAndRetranslationKeepsRows) {
    panel->appendLog(0, QStringLiteral("one"));
    panel->appendLog(2, QStringLiteral("two"));
    const QString before = log()->item(1)->text();
    panel->retranslateLog();
    EXPECT_EQ(log()->item(1)->text(), before);
    EXPECT_EQ(panel->clearLogButton()->text(), QStringLiteral("清空"));
    EXPECT_EQ(panel->clearLogButton()->objectName(), QStringLiteral("clearLogButton"));
    panel->clearLogButton()->click();
    EXPECT_EQ(log()->count(), 0);
    panel->appendLog(0, QStringLiteral("three"));
    EXPECT_EQ(log()->count(), 1);
}

TEST_F(StatusPanelTest, RuntimeThenResetRestoresTheDisconnectedLook) {
    panel->showRuntime({{"ioStatus", 2}, {"inputStatus", 1}, {"inputChannelMask", 3u}, {"outputStatus", 0},
                        {"outputChannelMask", 1u}, {"cameraFps", 15.0}, {"measuredFps", 14.44}, {"latencyMs", 31},
                        {"resultAvailable", true}, {"algorithmState", 0}, {"boxCount", 2}},
                       6);
    EXPECT_EQ(label("obstacleStateLabel")->text(), QStringLiteral("报警 / 急停 · 2"));
    EXPECT_EQ(label("inputIoIndicator")->text(), QStringLiteral("IN1 ●"));
    EXPECT_EQ(label("inputIo2Indicator")->styleSheet(), QStringLiteral("color:#77889a;font-weight:600;"));
    EXPECT_EQ(label("outputIoIndicator")->toolTip(), QStringLiteral("输出 1：低电平"));
    EXPECT_EQ(label("outputIo2Indicator")->text(), QStringLiteral("OUT2 --"));
    EXPECT_EQ(label("fpsValueLabel")->text(), QStringLiteral("15.0 / 14.4 fps"));
    EXPECT_EQ(label("latencyValueLabel")->text(), QStringLiteral("31 ms"));
    EXPECT_EQ(label("activeTemplateValueLabel")->text(), QStringLiteral("6"));
    EXPECT_EQ(label("activeTemplateValueLabel")->toolTip(), QStringLiteral("6 · 2 个障碍物"));
    EXPECT_EQ(label("obstacleResultLabel")->text(), QStringLiteral("当前帧障碍物：2 个"));

    panel->resetStatusPanel();
    EXPECT_EQ(label("obstacleStateLabel")->text(), QStringLiteral("--"));
    EXPECT_EQ(label("obstacleStateLabel")->styleSheet(),
              QStringLiteral("background:#202a38;color:#94a3b8;border:1px solid #445365;padding:8px;border-radius:4px;"));
    EXPECT_EQ(label("obstacleResultLabel")->text(), QStringLiteral("未连接"));
    const char* names[] = {"inputIoIndicator", "inputIo2Indicator", "outputIoIndicator", "outputIo2Indicator"};
    const char* texts[] = {"IN1 --", "IN2 --", "OUT1 --", "OUT2 --"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(label(names[i])->text(), QString::fromLatin1(texts[i]));
        EXPECT_EQ(label(names[i])->styleSheet(), QStringLiteral("color:#64748b;font-weight:600;"));
        EXPECT_EQ(label(names[i])->toolTip(), QStringLiteral("未获取 / 不支持"));
    }
    EXPECT_EQ(label("fpsValueLabel")->text(), QStringLiteral("--"));
    EXPECT_EQ(label("latencyValueLabel")->text(), QStringLiteral("--"));
}

TEST_F(StatusPanelTest, RegionSummaryShowsRowsAndHidesTheNotifyLineWhenAbsent) {
    host->show();
    panel->showRegionSummary(QStringLiteral("当前运行区域"),
                             RegionSummaryFormatter::forTemplate(defaultZoneTemplate(3, TemplateType::SquareFree),
                                                                 QStringLiteral("运行模板 3 · 设备回读")));
    EXPECT_EQ(panel->currentRegionGroup()->title(), QStringLiteral("当前运行区域"));
    EXPECT_EQ(label("regionContextLabel")->text(), QStringLiteral("运行模板 3 · 设备回读"));
    EXPECT_EQ(label("regionTypeValueLabel")->text(), QStringLiteral("自由矩形区域"));
    EXPECT_EQ(label("regionStopTitleLabel")->text(), QStringLiteral("停障区域"));
    EXPECT_TRUE(label("regionNotifyValueLabel")->isVisible());
    panel->showRegionPlaceholder(false);
    EXPECT_EQ(panel->currentRegionGroup()->title(), QStringLiteral("当前区域参数"));
    EXPECT_EQ(label("regionContextLabel")->text(), QStringLiteral("未连接"));
    EXPECT_EQ(label("regionStopValueLabel")->text(), QStringLiteral("--"));
    EXPECT_FALSE(label("regionNotifyValueLabel")->isVisible());
}

}  // namespace
}  // namespace hazard_desk
