#include "HazardDeskWindow.h"

#include "LightweightGlEngine.h"
#include "ObstacleCameraWorker.h"
#include "ThreadName.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QSpinBox>
#include <QThread>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace hazard_desk {
namespace {

QVariantMap k7Descriptor(const QString& ip = QStringLiteral("127.0.0.1")) {
    return QVariantMap{{QStringLiteral("ip"), ip},
                       {QStringLiteral("id"), QStringLiteral("CAM-7")},
                       {QStringLiteral("serial"), QStringLiteral("SN-0007")},
                       {QStringLiteral("model"), QStringLiteral("K7")},
                       {QStringLiteral("name"), QStringLiteral("front")},
                       {QStringLiteral("firmware"), QStringLiteral("2.1.0")},
                       {QStringLiteral("sdkDeviceType"), 1005},
                       {QStringLiteral("cameraType"), 0},
                       {QStringLiteral("maxDepthMm"), 12000},
                       {QStringLiteral("rgbAvailable"), true}};
}

using test::waitUntil;

class HazardDeskWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        // Discovery by timer would race the tests; they drive it themselves.
        QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
        window = std::make_unique<HazardDeskWindow>();
    }
    void TearDown() override { window.reset(); }

    template <typename T>
    T* child(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString textOf(const char* name) const {
        if (auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name))) {
            return button->text();
        }
        return child<QLabel>(name)->text();
    }
    void connectK7() {
        window->onDevicesDiscovered(QVariantList{k7Descriptor()});
        window->onConnectionChanged(true, k7Descriptor(), QStringLiteral("已通过 baseCamera 连接 127.0.0.1"));
        window->onAlgorithmStateChanged(true, 4, QStringLiteral("设备算法模式：4"));
    }

    std::unique_ptr<HazardDeskWindow> window;
};

TEST_F(HazardDeskWindowTest, DisconnectedWindowShowsTheSpecifiedTreeAndTexts) {
    const char* names[] = {"centralWidget", "topBar", "commandBar", "operationFeedbackLabel", "workspaceSplitter",
                           "leftPanel", "centerPanel", "rightPanel", "deviceDiscoveryGroup", "deviceInformationGroup",
                           "obstacleStatusGroup", "currentRegionGroup", "performanceGroup", "runtimeLogGroup",
                           "viewControlBar", "viewGridContainer", "centerStatusBar", "parameterScrollArea",
                           "parameterScrollContent", "ioModeGroup", "configurationHeaderGroup", "zoneParameterStack",
                           "extrinsicsGroup", "v2AdvancedGroup", "imageSavingGroup", "groundHoleGroup",
                           "jsonConfigurationGroup", "sdkMaxDepthValue", "cameraFovValue"};
    for (const char* name : names) {
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("VQ8 避障算法上位机"));
    EXPECT_EQ(textOf("connectButton"), QStringLiteral("连接相机"));
    EXPECT_EQ(textOf("streamButton"), QStringLiteral("启动数据流"));
    EXPECT_EQ(textOf("connectionStatusLabel"), QStringLiteral("未连接"));
    EXPECT_EQ(textOf("softwareVersionLabel"), QStringLiteral("软件版本：1.0.19"));
    EXPECT_EQ(textOf("viewStatusLabel"), QStringLiteral("等待连接相机"));
    EXPECT_EQ(textOf("pointCloudPaneTitle"), QStringLiteral("3D 点云 / 避障区域"));
    EXPECT_EQ(textOf("depthPaneTitle"), QStringLiteral("深度伪彩 · 0–8.0 m · 区域色优先"));
    EXPECT_EQ(child<QWidget>("connectButton")->property("role").toString(), QStringLiteral("primary"));
    EXPECT_EQ(child<QWidget>("refreshButton")->property("role").toString(), QStringLiteral("secondary"));
    EXPECT_TRUE(child<QWidget>("operationFeedbackLabel")->property("vq8_i18n_ignore").toBool());
    EXPECT_FALSE(child<QWidget>("connectButton")->isEnabled()) << "nothing selected";
    EXPECT_TRUE(child<QWidget>("refreshButton")->isEnabled());
    EXPECT_FALSE(child<QWidget>("streamButton")->isEnabled());
    EXPECT_FALSE(window->state().connected);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(child<QListWidget>("runtimeLogList")->count(), 1);
}

TEST_F(HazardDeskWindowTest, ConstructionSetsUpTheCloudViewAndNamesTheWorkerThread) {
    auto* view = window->findChild<LightweightGlEngine*>(QStringLiteral("pointCloudView"));
    ASSERT_NE(view, nullptr) << "\"pointCloudView\" names the 3D view itself";
    EXPECT_FALSE(view->showAxes) << "the scene draws the vehicle axes";
    EXPECT_TRUE(view->xForward());
    std::string workerThread;
    QMetaObject::invokeMethod(window->worker(), [&] { workerThread = ThreadName::current(); },
                              Qt::BlockingQueuedConnection);
    EXPECT_EQ(workerThread, ObstacleCameraWorker::kThreadName);
}

TEST_F(HazardDeskWindowTest, ConnectNeedsASelectedVisibleDevice) {
    window->onDevicesDiscovered(QVariantList{k7Descriptor(), k7Descriptor(QStringLiteral("127.0.0.2"))});
    auto* list = child<QListWidget>("deviceList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->isSelected()) << "the first device is selected";
    EXPECT_TRUE(child<QWidget>("connectButton")->isEnabled());
    EXPECT_EQ(textOf("deviceIpValueLabel"), QStringLiteral("127.0.0.1"));

    child<QLineEdit>("deviceFilterEdit")->setText(QStringLiteral("no such camera"));
    EXPECT_TRUE(list->item(0)->isHidden());
    EXPECT_FALSE(child<QWidget>("connectButton")->isEnabled()) << "a hidden selection does not count";

    child<QLineEdit>("deviceFilterEdit")->setText(QStringLiteral("k7"));
    EXPECT_FALSE(list->item(0)->isHidden()) << "the filter ignores case";
    list->item(1)->setSelected(true);
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    window->requestConnectToggle();
    ASSERT_EQ(connectSpy.count(), 1);
    EXPECT_EQ(connectSpy.at(0).at(0).toMap().value(QStringLiteral("ip")).toString(), QStringLiteral("127.0.0.2"));
    EXPECT_TRUE(window->state().busy.connectBusy);
    EXPECT_EQ(textOf("connectButton"), QStringLiteral("连接中…"));
    EXPECT_EQ(textOf("operationFeedbackLabel"), QStringLiteral("正在连接相机 127.0.0.2…"));
}

TEST_F(HazardDeskWindowTest, SameDiscoveryLeavesTheSelectionAlone) {
    const QVariantList devices{k7Descriptor(), k7Descriptor(QStringLiteral("127.0.0.2"))};
    window->onDevicesDiscovered(devices);
    auto* list = child<QListWidget>("deviceList");
    list->item(0)->setSelected(false);
    list->item(1)->setSelected(true);
    QListWidgetItem* before = list->item(1);
    window->onDevicesDiscovered(devices);
    EXPECT_EQ(list->item(1), before) << "the list was rebuilt";
    EXPECT_TRUE(list->item(1)->isSelected());
}

TEST_F(HazardDeskWindowTest, BusyWindowIgnoresEveryCommand) {
    connectK7();
    window->requestDeviceRefresh();
    ASSERT_TRUE(window->state().busy.discovering);
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    QSignalSpy disconnectSpy(window.get(), &HazardDeskWindow::disconnectRequested);
    QSignalSpy streamSpy(window.get(), &HazardDeskWindow::streamRequested);
    QSignalSpy readSpy(window.get(), &HazardDeskWindow::readConfigurationRequested);
    QSignalSpy algorithmSpy(window.get(), &HazardDeskWindow::algorithmRequested);
    QSignalSpy discoverSpy(window.get(), &HazardDeskWindow::discoverRequested);
    QSignalSpy templateSpy(window.get(), &HazardDeskWindow::switchTemplateRequested);
    QSignalSpy applySpy(window.get(), &HazardDeskWindow::applyConfigurationRequested);
    QSignalSpy groundSpy(window.get(), &HazardDeskWindow::groundCalibrationRequested);
    window->requestConnectToggle();
    window->requestStreamToggle();
    window->requestReadDevice();
    window->requestAlgorithmSwitch();
    window->requestDeviceRefresh();
    window->requestTemplateSwitch();
    window->requestApplyCurrent();
    window->requestGroundCalibration();
    window->autoRefreshDevices();
    for (QSignalSpy* spy : {&connectSpy, &disconnectSpy, &streamSpy, &readSpy, &algorithmSpy, &discoverSpy,
                            &templateSpy, &applySpy, &groundSpy}) {
        EXPECT_EQ(spy->count(), 0);
    }
    EXPECT_FALSE(window->state().busy.streamBusy);
    EXPECT_FALSE(window->state().busy.readBusy);
    EXPECT_FALSE(child<QWidget>("streamButton")->isEnabled());
    // The worker's answer clears the flag and the commands come back.
    window->onDevicesDiscovered(QVariantList{k7Descriptor()});
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(child<QWidget>("streamButton")->isEnabled());
}

TEST_F(HazardDeskWindowTest, CommandProtocolSetsTheFlagShowsProgressAndEmitsOnce) {
    connectK7();
    QSignalSpy streamSpy(window.get(), &HazardDeskWindow::streamRequested);
    window->requestStreamToggle();
    ASSERT_EQ(streamSpy.count(), 1);
    EXPECT_TRUE(streamSpy.at(0).at(0).toBool());
    EXPECT_TRUE(window->state().busy.streamBusy);
    EXPECT_EQ(textOf("streamButton"), QStringLiteral("启动中…"));
    EXPECT_EQ(textOf("operationFeedbackLabel"), QStringLiteral("正在启动数据流…"));
    EXPECT_FALSE(child<QWidget>("operationFeedbackLabel")->property("feedbackIsError").toBool());
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    EXPECT_TRUE(window->state().streaming);
    EXPECT_EQ(textOf("streamButton"), QStringLiteral("停止数据流"));
    EXPECT_EQ(textOf("viewStatusLabel"), QStringLiteral("实时数据流已启动"));

    QSignalSpy readSpy(window.get(), &HazardDeskWindow::readConfigurationRequested);
    window->requestReadDevice();
    ASSERT_EQ(readSpy.count(), 1);
    EXPECT_EQ(readSpy.at(0).at(0).toInt(), 4) << "the V2 camera's combo holds mode 4";
    EXPECT_EQ(textOf("readDeviceButton"), QStringLiteral("回读中…"));
    window->onConfigurationReadFinished();
    EXPECT_FALSE(window->isBusy());

    QSignalSpy disconnectSpy(window.get(), &HazardDeskWindow::disconnectRequested);
    window->requestConnectToggle();
    EXPECT_EQ(disconnectSpy.count(), 1);
    EXPECT_EQ(textOf("connectButton"), QStringLiteral("断开中…"));
    EXPECT_EQ(textOf("operationFeedbackLabel"), QStringLiteral("正在断开相机…"));
}

TEST_F(HazardDeskWindowTest, ModeMismatchOffersTheAlgorithmSwitch) {
    connectK7();
    window->show();
    window->onAlgorithmStateChanged(true, 1, QStringLiteral("设备算法模式：1"));
    auto* switchButton = child<QPushButton>("switchAlgorithmButton");
    EXPECT_TRUE(switchButton->isVisible());
    EXPECT_EQ(switchButton->text(), QStringLiteral("切换到避障 V2"));
    EXPECT_FALSE(child<QWidget>("readDeviceButton")->isEnabled());
    EXPECT_FALSE(child<QWidget>("switchTemplateButton")->isEnabled());
    EXPECT_EQ(textOf("algorithmModeValueLabel"), QStringLiteral("V1 / mode 1"));

    QSignalSpy algorithmSpy(window.get(), &HazardDeskWindow::algorithmRequested);
    window->requestAlgorithmSwitch();
    ASSERT_EQ(algorithmSpy.count(), 1);
    EXPECT_TRUE(algorithmSpy.at(0).at(0).toBool());
    EXPECT_EQ(algorithmSpy.at(0).at(1).toInt(), 4);
    EXPECT_EQ(switchButton->text(), QStringLiteral("切换中…"));
    window->onAlgorithmStateChanged(true, 4, QStringLiteral("设备算法模式：4"));
    window->onAlgorithmChangeFinished(true, QStringLiteral("已切换到避障 V2，参数和运行区域已刷新"));
    EXPECT_FALSE(switchButton->isVisible());
    EXPECT_TRUE(child<QWidget>("readDeviceButton")->isEnabled());
}

TEST_F(HazardDeskWindowTest, ConnectionTransitionsSetAndResetTheState) {
    connectK7();
    EXPECT_TRUE(window->state().connected);
    EXPECT_EQ(textOf("connectButton"), QStringLiteral("断开相机"));
    EXPECT_EQ(textOf("connectionStatusLabel"), QStringLiteral("已连接"));
    EXPECT_EQ(textOf("activeDeviceLabel"), QStringLiteral("K7 · 127.0.0.1"));
    EXPECT_EQ(textOf("depthPaneTitle"), QStringLiteral("深度伪彩 · 0–12.0 m · 区域色优先"));
    EXPECT_EQ(textOf("pointCloudPaneTitle"), QStringLiteral("3D 点云 / 当前运行区域"));
    EXPECT_FALSE(child<QWidget>("deviceList")->isEnabled());

    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    window->onIoHardwareModeRead(1, QString());
    window->onTemplateSwitchFinished(true, 3, QStringLiteral("已切换到模板 3，并保存为启动模板"));
    window->onAlgorithmVersionReady(QStringLiteral(" 2.4.1 "));
    EXPECT_EQ(window->state().ioHardwareMode, 1);
    EXPECT_EQ(window->state().activeTemplateIndex, 3);
    EXPECT_EQ(window->state().algorithmVersion, QStringLiteral("2.4.1"));
    auto* cloud = new corVane::ColorCloud;
    cloud->push_back(pcl::PointXYZRGB());
    QSignalSpy consumedSpy(window.get(), &HazardDeskWindow::frameConsumed);
    window->onFrameReady(QImage(4, 4, QImage::Format_RGB888), QImage(), QImage(), corVane::ColorCloudPtr(cloud),
                         QVector<int>{0}, 42);
    EXPECT_EQ(consumedSpy.count(), 1);
    EXPECT_TRUE(window->state().cloudReady);
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("42"));

    window->requestConnectToggle();
    window->onConnectionChanged(false, k7Descriptor(), QStringLiteral("相机已断开，句柄已释放"));
    const WindowState& s = window->state();
    EXPECT_FALSE(s.connected);
    EXPECT_FALSE(s.streaming);
    EXPECT_FALSE(s.cloudReady);
    EXPECT_EQ(s.ioHardwareMode, -1);
    EXPECT_EQ(s.activeTemplateIndex, -1);
    EXPECT_EQ(s.deviceAlgorithmMode, -1);
    EXPECT_TRUE(s.algorithmVersion.isEmpty());
    EXPECT_TRUE(s.connectedDescriptor.isEmpty());
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(textOf("connectButton"), QStringLiteral("连接相机"));
    EXPECT_EQ(textOf("connectionStatusLabel"), QStringLiteral("未连接"));
    EXPECT_EQ(textOf("activeDeviceLabel"), QStringLiteral("未选择相机"));
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("--"));
    EXPECT_EQ(textOf("templateModeStatusLabel"), QStringLiteral("实际运行模板：--"));
    EXPECT_EQ(textOf("depthPaneTitle"), QStringLiteral("深度伪彩 · 0–8.0 m · 区域色优先"));
    EXPECT_FALSE(child<QWidget>("operationFeedbackLabel")->property("feedbackIsError").toBool())
        << "a requested disconnect is not an error";
    EXPECT_TRUE(child<QWidget>("deviceList")->isEnabled());

    // Frames after the disconnect are acknowledged without being kept.
    window->onFrameReady(QImage(4, 4, QImage::Format_RGB888), QImage(), QImage(), corVane::ColorCloudPtr(),
                         QVector<int>{}, 43);
    EXPECT_EQ(consumedSpy.count(), 2);
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("--"));
}

TEST_F(HazardDeskWindowTest, DisconnectForgetsWhatWasTheCamerasOwn) {
    QVariantMap p20 = k7Descriptor();
    p20[QStringLiteral("model")] = QStringLiteral("P20");
    p20[QStringLiteral("sdkDeviceType")] = 2108;
    p20[QStringLiteral("cameraType")] = 2;
    p20[QStringLiteral("maxDepthMm")] = 6000;
    auto* algorithm = child<QComboBox>("algorithmVersionCombo");
    auto* ioMode = child<QComboBox>("ioHardwareModeCombo");
    const int modesAtStart = algorithm->count();
    const int modeAtStart = algorithm->currentData().toInt();
    window->onDevicesDiscovered(QVariantList{p20});
    window->onConnectionChanged(true, p20, QStringLiteral("已连接"));
    window->onIoHardwareModeRead(1, QString());
    EXPECT_EQ(textOf("sdkMaxDepthValue"), QStringLiteral("6.000 m"));
    EXPECT_EQ(textOf("cameraFovValue"), QStringLiteral("P20 3D：120° × 80°（公差 ±3°）"));
    EXPECT_EQ(algorithm->currentData().toInt(), 1);
    EXPECT_EQ(ioMode->currentData().toInt(), 1);

    window->requestConnectToggle();
    window->onConnectionChanged(false, p20, QStringLiteral("相机已断开"));
    EXPECT_EQ(ioMode->currentIndex(), -1) << "the window's I/O mode is unknown again";
    EXPECT_EQ(algorithm->count(), modesAtStart);
    EXPECT_EQ(algorithm->currentData().toInt(), modeAtStart);
    EXPECT_EQ(textOf("sdkMaxDepthValue"), QStringLiteral("SDK 最远距离未获取"));
    EXPECT_EQ(textOf("cameraFovValue"), QStringLiteral("视场角未获取"));

    // The next camera gets a view fitted to its own cloud, not the first one's orbit and zoom.
    auto* view = window->findChild<LightweightGlEngine*>(QStringLiteral("pointCloudView"));
    ASSERT_NE(view, nullptr);
    view->setCameraPose(CloudEngineInterface::Vector3{5000.0f, 0.0f, 300.0f}, std::nullopt, std::nullopt);
    EXPECT_FALSE(view->fitPending());
    connectK7();
    EXPECT_TRUE(view->fitPending());
    EXPECT_EQ(textOf("cameraFovValue"), QStringLiteral("视场角未获取")) << "no field of view known for a K7";
}

TEST_F(HazardDeskWindowTest, FailedConnectionIsAnErrorBannerAndLogged) {
    window->onDevicesDiscovered(QVariantList{k7Descriptor()});
    window->requestConnectToggle();
    window->onConnectionChanged(false, k7Descriptor(), QStringLiteral("相机连接失败：超时"));
    EXPECT_TRUE(child<QWidget>("operationFeedbackLabel")->property("feedbackIsError").toBool());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("相机连接失败：超时"));
    auto* log = child<QListWidget>("runtimeLogList");
    EXPECT_TRUE(log->item(log->count() - 1)->text().contains(QStringLiteral("[ERR]  相机连接失败：超时")));
    EXPECT_FALSE(window->isBusy());
}

TEST_F(HazardDeskWindowTest, AtLeastThePointCloudPaneStaysVisible) {
    window->show();
    auto* cloudCheck = child<QCheckBox>("showCloudCheck");
    QSignalSpy cloudToggles(cloudCheck, &QCheckBox::toggled);
    QWidget* rgbPane = child<QWidget>("rgbView")->parentWidget();
    QWidget* cloudPane = child<QWidget>("pointCloudView")->parentWidget();
    child<QCheckBox>("showRgbCheck")->setChecked(false);
    EXPECT_FALSE(rgbPane->isVisible());
    child<QCheckBox>("showDepthCheck")->setChecked(false);
    child<QCheckBox>("showAmplitudeCheck")->setChecked(false);
    cloudCheck->setChecked(false);
    EXPECT_TRUE(cloudCheck->isChecked());
    EXPECT_TRUE(cloudPane->isVisible());
    EXPECT_EQ(cloudToggles.count(), 1) << "only the user's uncheck is signalled";
    child<QCheckBox>("showRgbCheck")->setChecked(true);
    EXPECT_TRUE(rgbPane->isVisible());
}

TEST_F(HazardDeskWindowTest, AutoRefreshOnlyWhenCheckedDisconnectedAndIdle) {
    auto* check = child<QCheckBox>("autoRefreshDevicesCheck");
    auto* timer = window->findChild<QTimer*>(QStringLiteral("deviceRefreshTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    QSignalSpy discoverSpy(window.get(), &HazardDeskWindow::discoverRequested);
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 0) << "box unchecked";

    check->setChecked(true);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 5000);
    EXPECT_TRUE(QSettings().value(QStringLiteral("camera/autoRefreshDevices")).toBool());
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1);
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1) << "busy discovering";
    window->onDevicesDiscovered(QVariantList{k7Descriptor()});
    window->onConnectionChanged(true, k7Descriptor(), QStringLiteral("已通过 baseCamera 连接 127.0.0.1"));
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1) << "connected";

    check->setChecked(false);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(QSettings().value(QStringLiteral("camera/autoRefreshDevices")).toBool());
}

TEST_F(HazardDeskWindowTest, FeedbackBannerStylesAndStatusBarTimeout) {
    window->showOperationFeedback(QStringLiteral("请先连接相机"), true, QStringLiteral("detail"));
    auto* banner = child<QLabel>("operationFeedbackLabel");
    EXPECT_FALSE(banner->isHidden());
    EXPECT_TRUE(banner->styleSheet().contains(QStringLiteral("#421922")));
    EXPECT_EQ(banner->toolTip(), QStringLiteral("detail"));
    EXPECT_EQ(window->state().feedbackMessage, QStringLiteral("请先连接相机"));
    window->showOperationFeedback(QStringLiteral("实时数据流已启动"), false);
    EXPECT_TRUE(banner->styleSheet().contains(QStringLiteral("#12344b")));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("实时数据流已启动"));

    // Refreshing the texts (as a language change does) keeps each message's
    // time-out: information goes after 8 s, an error stays.
    const auto activeTimers = [this] {
        int active = 0;
        for (QTimer* timer : window->statusBar()->findChildren<QTimer*>()) {
            active += timer->isActive() && timer->interval() <= HazardDeskWindow::kInformationStatusTimeoutMs;
        }
        return active;
    };
    struct Case {
        bool isError;
        int timers;
    };
    for (const Case& c : {Case{false, 1}, Case{true, 0}}) {
        window->showOperationFeedback(QStringLiteral("状态"), c.isError);
        window->refreshDynamicTexts();
        EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("状态"));
        EXPECT_EQ(activeTimers(), c.timers) << c.isError;
    }
}

TEST_F(HazardDeskWindowTest, AutoRefreshAtStartAsksTheWorkerThreadAndItsAnswerClearsTheFlag) {
    QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), true);
    HazardDeskWindow started;
    QSignalSpy discoverSpy(&started, &HazardDeskWindow::discoverRequested);
    EXPECT_FALSE(started.isBusy()) << "the first refresh is queued, not run in the constructor";
    ASSERT_TRUE(waitUntil([&] { return discoverSpy.count() == 1; }));
    // The worker (no camera yet) answers with an empty list on its own thread.
    ASSERT_TRUE(waitUntil([&] { return !started.isBusy(); }));
    EXPECT_FALSE(started.state().busy.discovering);
    EXPECT_TRUE(started.workerThread()->isRunning());
    EXPECT_NE(started.worker()->thread(), QThread::currentThread());
}

TEST_F(HazardDeskWindowTest, FramesCrossFromTheWorkerThreadAndAreAcknowledged) {
    QSignalSpy consumedSpy(window.get(), &HazardDeskWindow::frameConsumed);
    ObstacleCameraWorker* worker = window->worker();
    // Emitted on the worker thread, as the capture tick does.
    QMetaObject::invokeMethod(worker, [worker] {
        corVane::ColorCloudPtr cloud(new corVane::ColorCloud);
        emit worker->frameReady(QImage(2, 2, QImage::Format_RGB888), QImage(), QImage(), cloud, QVector<int>{0, 1}, 7);
    }, Qt::QueuedConnection);
    ASSERT_TRUE(waitUntil([&] { return consumedSpy.count() == 1; }))
        << "the queued frame did not reach the window (meta types not registered?)";
}

TEST_F(HazardDeskWindowTest, BusyWindowTakesTheFocusOutOfTheParameterPanel) {
    connectK7();
    window->show();
    QApplication::setActiveWindow(window.get());
    auto* spin = child<QSpinBox>("templateIndexSpin");
    spin->setFocus();
    if (!spin->hasFocus()) {
        GTEST_SKIP() << "no keyboard focus on this display";
    }
    window->requestReadDevice();
    EXPECT_FALSE(spin->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), child<QScrollArea>("parameterScrollArea"));
}

// Answers the next password dialog with the given text (or cancels it).
void answerPasswordDialog(const QString& text, bool accept) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, text, accept] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        dialog->setTextValue(text);
        accept ? dialog->accept() : dialog->reject();
    });
    timer->start(10);
}

TEST_F(HazardDeskWindowTest, AdministratorModeNeedsTheExactPassword) {
    auto* button = child<QPushButton>("administratorButton");
    struct Case {
        QString typed;
        bool accept;
        bool unlocked;
        bool errorBanner;
    };
    const Case cases[] = {{QStringLiteral("wrong"), true, false, true},
                          {QStringLiteral("mx5ledge "), true, false, true},
                          {QStringLiteral("mx5ledge"), false, false, false},
                          {QStringLiteral("mx5ledge"), true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        window->showOperationFeedback(QStringLiteral("实时数据流已启动"), false);
        answerPasswordDialog(c.typed, c.accept);
        button->setChecked(true);
        EXPECT_EQ(button->isChecked(), c.unlocked);
        EXPECT_EQ(window->state().adminMode, c.unlocked);
        EXPECT_EQ(window->state().feedbackMessage == QStringLiteral("管理员密码错误"), c.errorBanner);
    }
    EXPECT_TRUE(child<QWidget>("imageSavingGroup")->isEnabled());
    button->setChecked(false);
    EXPECT_FALSE(window->state().adminMode);
    EXPECT_FALSE(child<QWidget>("imageSavingGroup")->isEnabled());
}

}  // namespace
}  // namespace hazard_desk
