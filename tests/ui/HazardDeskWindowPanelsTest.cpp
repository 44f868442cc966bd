// The window's handling of runtime snapshots, frames, the region summary and
// the start-up connection, driven through its slots as the worker would.
#include "HazardDeskWindow.h"

#include "ObstacleCameraWorker.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QSignalSpy>

#include <functional>
#include <memory>

namespace hazard_desk {
namespace {

QVariantMap camera(const QString& ip, const QString& serial) {
    return QVariantMap{{QStringLiteral("ip"), ip},
                       {QStringLiteral("id"), QStringLiteral("CAM-") + serial},
                       {QStringLiteral("serial"), serial},
                       {QStringLiteral("model"), QStringLiteral("K7")},
                       {QStringLiteral("name"), QString()},
                       {QStringLiteral("firmware"), QStringLiteral("2.1.0")},
                       {QStringLiteral("sdkDeviceType"), 1005},
                       {QStringLiteral("cameraType"), 0}};
}

using test::waitUntil;

class HazardDeskWindowPanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
        window = std::make_unique<HazardDeskWindow>();
        // The tests play the worker's part in discovery themselves.
        QObject::disconnect(window->worker(), &ObstacleCameraWorker::devicesDiscovered, window.get(), nullptr);
    }
    void TearDown() override { window.reset(); }

    QLabel* label(const char* name) const {
        auto* found = window->findChild<QLabel*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) const { return label(name)->text(); }
    QString regionTitle() const {
        return window->findChild<QGroupBox*>(QStringLiteral("currentRegionGroup"))->title();
    }
    void connectAndStream() {
        window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1"))});
        window->onConnectionChanged(true, camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1")),
                                    QStringLiteral("已连接 127.0.10.1"));
        window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    }
    QString lastLogRow() const {
        auto* log = window->findChild<QListWidget*>(QStringLiteral("runtimeLogList"));
        return log->count() == 0 ? QString() : log->item(log->count() - 1)->text();
    }

    std::unique_ptr<HazardDeskWindow> window;
};

TEST_F(HazardDeskWindowPanelsTest, RuntimeSnapshotsAreIgnoredWhileDisconnected) {
    window->onRuntimeUpdated({{"ioStatus", 2}});
    EXPECT_TRUE(window->state().runtimeSnapshot.isEmpty());
    EXPECT_EQ(text("obstacleStateLabel"), QStringLiteral("--"));
    EXPECT_EQ(text("obstacleResultLabel"), QStringLiteral("未连接"));
}

TEST_F(HazardDeskWindowPanelsTest, RuntimeSnapshotsFillTheStatusGroupsWithPlaceholdersForMissingKeys) {
    connectAndStream();
    window->onRuntimeUpdated({{"ioStatus", 1}, {"outputStatus", 3}, {"outputChannelMask", 1u}, {"cameraFps", 10.0},
                              {"measuredFps", 9.96}, {"latencyMs", 12}, {"resultAvailable", true},
                              {"algorithmState", 0}, {"boxCount", 1}});
    EXPECT_EQ(window->state().runtimeSnapshot.value(QStringLiteral("latencyMs")).toInt(), 12);
    EXPECT_EQ(text("obstacleStateLabel"), QStringLiteral("预警 / 减速 · 1"));
    EXPECT_EQ(text("outputIoIndicator"), QStringLiteral("OUT1 ●"));
    EXPECT_EQ(text("outputIo2Indicator"), QStringLiteral("OUT2 --"));
    EXPECT_EQ(text("inputIoIndicator"), QStringLiteral("IN1 --")) << "no input keys at all";
    EXPECT_EQ(text("fpsValueLabel"), QStringLiteral("10.0 / 10.0 fps"));
    EXPECT_EQ(text("obstacleResultLabel"), QStringLiteral("当前帧障碍物：1 个"));

    window->onRuntimeUpdated({});
    EXPECT_EQ(text("obstacleStateLabel"), QStringLiteral("状态无效 · 1000"));
    EXPECT_EQ(text("obstacleResultLabel"), QStringLiteral("障碍物结果未获取"));
    EXPECT_EQ(text("latencyValueLabel"), QStringLiteral("-- ms"));

    window->onActiveTemplateChanged(4);
    window->onRuntimeUpdated({{"ioStatus", 0}, {"boxCount", 2}});
    EXPECT_EQ(text("activeTemplateValueLabel"), QStringLiteral("4"));
    EXPECT_EQ(label("activeTemplateValueLabel")->toolTip(), QStringLiteral("4 · 2 个障碍物"));

    // A language refresh redraws from the stored snapshot, it does not reset it.
    window->refreshDynamicTexts();
    EXPECT_EQ(text("obstacleStateLabel"), QStringLiteral("安全 · 0"));

    // A stopped stream leaves no stale live status behind.
    window->onStreamStateChanged(false, QStringLiteral("实时数据流已停止"));
    EXPECT_TRUE(window->state().runtimeSnapshot.isEmpty());
    EXPECT_EQ(text("obstacleStateLabel"), QStringLiteral("--"));
    window->refreshDynamicTexts();
    EXPECT_EQ(text("obstacleStateLabel"), QStringLiteral("--"));
}

TEST_F(HazardDeskWindowPanelsTest, FramesAreKeptOnlyWhileStreamingAndAlwaysAcknowledged) {
    QSignalSpy consumed(window.get(), &HazardDeskWindow::frameConsumed);
    window->onFrameReady(QImage(2, 2, QImage::Format_RGB888), QImage(), QImage(), corVane::ColorCloudPtr(),
                         QVector<int>{}, 5);
    EXPECT_EQ(consumed.count(), 1);
    EXPECT_EQ(text("frameIdValueLabel"), QStringLiteral("--"));

    window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1"))});
    window->onConnectionChanged(true, camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1")), QStringLiteral("ok"));
    window->onFrameReady(QImage(2, 2, QImage::Format_RGB888), QImage(), QImage(), corVane::ColorCloudPtr(),
                         QVector<int>{}, 6);
    EXPECT_EQ(consumed.count(), 2) << "connected but not streaming: dropped and acknowledged";
    EXPECT_EQ(text("frameIdValueLabel"), QStringLiteral("--"));

    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    corVane::ColorCloudPtr empty(new corVane::ColorCloud);
    window->onFrameReady(QImage(), QImage(), QImage(), empty, QVector<int>{}, 1733480000123LL);
    EXPECT_EQ(consumed.count(), 3);
    EXPECT_EQ(text("frameIdValueLabel"), QStringLiteral("1733480000123"));
    EXPECT_FALSE(window->state().cloudReady) << "an empty cloud is not ready";
    corVane::ColorCloudPtr cloud(new corVane::ColorCloud);
    cloud->push_back(pcl::PointXYZRGB());
    window->onFrameReady(QImage(), QImage(), QImage(), cloud, QVector<int>{0}, 8);
    EXPECT_EQ(consumed.count(), 4);
    EXPECT_TRUE(window->state().cloudReady);
}

TEST_F(HazardDeskWindowPanelsTest, RegionSummaryFollowsConnectionAndRunningConfiguration) {
    EXPECT_EQ(regionTitle(), QStringLiteral("当前区域参数"));
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("未连接"));
    connectAndStream();
    EXPECT_EQ(regionTitle(), QStringLiteral("当前运行区域"));
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(text("regionStopValueLabel"), QStringLiteral("--"));

    window->onActiveConfigurationUnavailable(QStringLiteral("读取运行模板失败"));
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("读取运行模板失败"));

    WorkstationDocument running;
    running.activeIndex = 7;
    running.templates[7] = defaultZoneTemplate(7, TemplateType::Sector);
    window->onActiveConfigurationUpdated(QString::fromStdString(dumpWorkstationDocument(running, 2)), QString(), 4);
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("运行模板 7 · 设备回读"));
    EXPECT_EQ(text("regionTypeValueLabel"), QStringLiteral("扇形区域"));
    EXPECT_EQ(text("regionLateralTitleLabel"), QStringLiteral("角度范围"));
    EXPECT_EQ(text("regionStopValueLabel"), QStringLiteral("半径 1200 mm"));

    // Unparsable text keeps nothing stale and says why.
    window->onActiveConfigurationUpdated(QStringLiteral("{not json"), QString(), 4);
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(text("regionTypeValueLabel"), QStringLiteral("--"));

    window->onActiveConfigurationUpdated(QString::fromStdString(dumpWorkstationDocument(running, 2)), QString(), 4);
    window->onConnectionChanged(false, QVariantMap(), QStringLiteral("相机已断开"));
    EXPECT_EQ(regionTitle(), QStringLiteral("当前区域参数"));
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("未连接"));
    EXPECT_EQ(text("regionTypeValueLabel"), QStringLiteral("--"));
}

TEST_F(HazardDeskWindowPanelsTest, RegionSummaryShowsOnlyWhatTheConnectedCameraReported) {
    connectAndStream();
    WorkstationDocument read;
    read.activeIndex = 4;
    window->onConfigurationRead(QString::fromStdString(dumpWorkstationDocument(read, 2)), QStringLiteral("{}"), 4);
    // A read succeeded, yet the camera says its running region is unavailable: say why.
    window->onActiveConfigurationUnavailable(QStringLiteral("模板 4 的区域图待上传"));
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("模板 4 的区域图待上传"));
    EXPECT_EQ(text("regionTypeValueLabel"), QStringLiteral("--"));

    // A second camera shows nothing of the first one's.
    window->onConnectionChanged(false, QVariantMap(), QStringLiteral("相机已断开"));
    window->onConnectionChanged(true, camera(QStringLiteral("127.0.10.2"), QStringLiteral("SN2")),
                                QStringLiteral("已连接 127.0.10.2"));
    EXPECT_EQ(text("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(text("regionTypeValueLabel"), QStringLiteral("--"));
}

TEST_F(HazardDeskWindowPanelsTest, StartupConnectSelectsTheCameraAndPressesConnect) {
    QSignalSpy discover(window.get(), &HazardDeskWindow::discoverRequested);
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    // The answer to the connect request is played below, not by the worker.
    QObject::disconnect(window->worker(), &ObstacleCameraWorker::connectionChanged, window.get(), nullptr);
    window->connectOnStartup(QStringLiteral("127.0.10.2"));
    EXPECT_EQ(discover.count(), 1) << "an empty list asks for a discovery";
    window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1")),
                                             camera(QStringLiteral("127.0.10.2"), QStringLiteral("SN2"))});
    ASSERT_TRUE(waitUntil([&] { return connectSpy.count() == 1; }));
    const QVariantMap requested = connectSpy.at(0).at(0).toMap();
    EXPECT_EQ(requested.value(QStringLiteral("serial")).toString(), QStringLiteral("SN2"));
    EXPECT_TRUE(window->state().busy.connectBusy);

    // A later discovery does not connect a second time.
    window->onConnectionChanged(true, requested, QStringLiteral("已连接"));
    window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.2"), QStringLiteral("SN2"))});
    QCoreApplication::processEvents();
    EXPECT_EQ(connectSpy.count(), 1);
}

TEST_F(HazardDeskWindowPanelsTest, StartupConnectGivesUpAfterRepeatedMisses) {
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    auto* log = window->findChild<QListWidget*>(QStringLiteral("runtimeLogList"));
    const int rowsBefore = log->count();
    window->connectOnStartup(QStringLiteral("127.0.10.9"));
    for (int i = 0; i < HazardDeskWindow::kStartupConnectAttempts; ++i) {
        window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1"))});
    }
    // One row when the search starts, one warning, one error: not a row every 5 s.
    EXPECT_EQ(log->count() - rowsBefore, 3);
    EXPECT_TRUE(lastLogRow().contains(QStringLiteral("[ERR]  启动参数：未找到相机 127.0.10.9，或该型号不受支持")))
        << lastLogRow().toStdString();
    EXPECT_EQ(text("operationFeedbackLabel"),
              QStringLiteral("启动参数：未找到相机 127.0.10.9，或该型号不受支持；已停止自动连接"));
    EXPECT_TRUE(label("operationFeedbackLabel")->property("feedbackIsError").toBool());
    // The camera turning up later is no longer connected automatically.
    window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.9"), QStringLiteral("SN9"))});
    QCoreApplication::processEvents();
    EXPECT_EQ(connectSpy.count(), 0);
    EXPECT_FALSE(window->state().busy.connectBusy);
}

}  // namespace
}  // namespace hazard_desk
