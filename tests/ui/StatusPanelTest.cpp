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

TEST_F(StatusPanelTest, ResetLeavesNothingOfTheLastSnapshot) {
    panel->showRuntime({{"ioStatus", 2}, {"inputStatus", 1}, {"inputChannelMask", 3u}, {"outputStatus", 1},
                        {"outputChannelMask", 3u}, {"cameraFps", 15.0}, {"measuredFps", 14.44}, {"latencyMs", 31},
                        {"resultAvailable", true}, {"algorithmState", 0}, {"boxCount", 2}},
                       6);
    EXPECT_EQ(label("obstacleStateLabel")->text(), QStringLiteral("报警 / 急停 · 2"));
    panel->resetStatusPanel();
    EXPECT_EQ(label("obstacleStateLabel")->text(), QStringLiteral("--"));
    EXPECT_EQ(label("obstacleResultLabel")->text(), QStringLiteral("未连接"));
    const char* names[] = {"inputIoIndicator", "inputIo2Indicator", "outputIoIndicator", "outputIo2Indicator"};
    const char* texts[] = {"IN1 --", "IN2 --", "OUT1 --", "OUT2 --"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(label(names[i])->text(), QString::fromLatin1(texts[i]));
        EXPECT_EQ(label(names[i])->toolTip(), QStringLiteral("未获取 / 不支持"));
    }
    for (const char* name : {"fpsValueLabel", "latencyValueLabel"}) {
        EXPECT_EQ(label(name)->text(), QStringLiteral("--")) << name;
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
