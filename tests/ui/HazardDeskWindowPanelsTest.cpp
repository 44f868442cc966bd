// The window's handling of runtime snapshots, frames, the region summary and
// the start-up connection, driven through its slots as the worker would. What
// each label says is the formatters' business; here, when the window shows,
// keeps and forgets what the camera reported.
#include "HazardDeskWindow.h"

#include "ObstacleCameraWorker.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include <QSignalSpy>

namespace hazard_desk {
namespace {

using test::waitUntil;

QVariantMap camera(const QString& ip, const QString& serial) {
    return test::k7Descriptor(ip, serial);
}

class HazardDeskWindowPanelsTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The tests play the worker's part in discovery themselves.
        QObject::disconnect(window->worker(), &ObstacleCameraWorker::devicesDiscovered, window.get(), nullptr);
    }
    void connectAndStream() {
        connectK7(camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1")));
        window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    }
    void showRunning(int activeIndex) {
        WorkstationDocument running;
        running.activeIndex = activeIndex;
        running.templates[static_cast<std::size_t>(activeIndex)] = defaultZoneTemplate(activeIndex, TemplateType::Sector);
        window->onActiveConfigurationUpdated(QString::fromStdString(dumpWorkstationDocument(running, 2)), QString(), 4);
    }
};

TEST_F(HazardDeskWindowPanelsTest, RuntimeSnapshotsAreKeptWhileStreamingAndForgottenAfter) {
    window->onRuntimeUpdated({{"ioStatus", 2}});
    EXPECT_TRUE(window->state().runtimeSnapshot.isEmpty()) << "ignored while disconnected";
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("--"));

    connectAndStream();
    window->onRuntimeUpdated({{"ioStatus", 0}, {"latencyMs", 12}});
    EXPECT_EQ(window->state().runtimeSnapshot.value(QStringLiteral("latencyMs")).toInt(), 12);
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("安全 · 0"));
    // A language refresh redraws from the stored snapshot, it does not reset it.
    window->refreshDynamicTexts();
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("安全 · 0"));

    // A stopped stream leaves no stale live status behind.
    window->onStreamStateChanged(false, QStringLiteral("实时数据流已停止"));
    EXPECT_TRUE(window->state().runtimeSnapshot.isEmpty());
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("--"));
    window->refreshDynamicTexts();
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("--"));
}

TEST_F(HazardDeskWindowPanelsTest, FramesAreKeptOnlyWhileStreamingAndAlwaysAcknowledged) {
    QSignalSpy consumed(window.get(), &HazardDeskWindow::frameConsumed);
    const auto frame = [&](corVane::ColorCloudPtr cloud, qint64 id) {
        window->onFrameReady(QImage(2, 2, QImage::Format_RGB888), QImage(), QImage(), cloud, QVector<int>{}, id);
    };
    frame(nullptr, 5);
    EXPECT_EQ(consumed.count(), 1);
    connectK7(camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1")));
    frame(nullptr, 6);
    EXPECT_EQ(consumed.count(), 2) << "connected but not streaming: dropped and acknowledged";
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("--"));

    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    frame(corVane::ColorCloudPtr(new corVane::ColorCloud), 1733480000123LL);
    EXPECT_EQ(consumed.count(), 3);
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("1733480000123"));
    EXPECT_FALSE(window->state().cloudReady) << "an empty cloud is not ready";
    corVane::ColorCloudPtr cloud(new corVane::ColorCloud);
    cloud->push_back(pcl::PointXYZRGB());
    frame(cloud, 8);
    EXPECT_TRUE(window->state().cloudReady);

    window->onConnectionChanged(false, QVariantMap(), QStringLiteral("相机已断开"));
    EXPECT_FALSE(window->state().cloudReady);
    frame(cloud, 9);
    EXPECT_EQ(consumed.count(), 5) << "frames after the disconnect are acknowledged without being kept";
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("--"));
}

TEST_F(HazardDeskWindowPanelsTest, RegionSummaryShowsOnlyWhatTheConnectedCameraReported) {
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("未连接"));
    connectAndStream();
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    window->onActiveConfigurationUnavailable(QStringLiteral("读取运行模板失败"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("读取运行模板失败"));

    showRunning(7);
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("运行模板 7 · 设备回读"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("扇形区域"));
    // Unparsable text keeps nothing stale and says why.
    window->onActiveConfigurationUpdated(QStringLiteral("{not json"), QString(), 4);
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));

    // A read succeeded, yet the camera says its running region is unavailable: say why.
    showRunning(7);
    WorkstationDocument read;
    read.activeIndex = 4;
    window->onConfigurationRead(QString::fromStdString(dumpWorkstationDocument(read, 2)), QStringLiteral("{}"), 4);
    window->onActiveConfigurationUnavailable(QStringLiteral("模板 4 的区域图待上传"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("模板 4 的区域图待上传"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));

    showRunning(7);
    window->onConnectionChanged(false, QVariantMap(), QStringLiteral("相机已断开"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("未连接"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));
    // A second camera shows nothing of the first one's.
    window->onConnectionChanged(true, camera(QStringLiteral("127.0.10.2"), QStringLiteral("SN2")),
                                QStringLiteral("已连接 127.0.10.2"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));
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

    // A later discovery does not connect a second time.
    window->onConnectionChanged(true, requested, QStringLiteral("已连接"));
    window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.2"), QStringLiteral("SN2"))});
    QCoreApplication::processEvents();
    EXPECT_EQ(connectSpy.count(), 1);
}

TEST_F(HazardDeskWindowPanelsTest, StartupConnectGivesUpAfterRepeatedMisses) {
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    auto* log = child<QListWidget>("runtimeLogList");
    const int rowsBefore = log->count();
    window->connectOnStartup(QStringLiteral("127.0.10.9"));
    for (int i = 0; i < HazardDeskWindow::kStartupConnectAttempts; ++i) {
        window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.1"), QStringLiteral("SN1"))});
    }
    // One row when the search starts, one warning, one error: not a row every 5 s.
    EXPECT_EQ(log->count() - rowsBefore, 3);
    EXPECT_TRUE(lastLogRow().contains(QStringLiteral("[ERR]  启动参数：未找到相机 127.0.10.9，或该型号不受支持")))
        << lastLogRow().toStdString();
    EXPECT_TRUE(child("operationFeedbackLabel")->property("feedbackIsError").toBool());
    // The camera turning up later is no longer connected automatically.
    window->onDevicesDiscovered(QVariantList{camera(QStringLiteral("127.0.10.9"), QStringLiteral("SN9"))});
    QCoreApplication::processEvents();
    EXPECT_EQ(connectSpy.count(), 0);
    EXPECT_FALSE(window->state().busy.connectBusy);
}

}  // namespace
}  // namespace hazard_desk
