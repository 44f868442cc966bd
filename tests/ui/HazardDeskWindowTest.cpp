// The window's command protocol and state, driven through its slots as the
// worker would answer. What each label says is the formatters' business;
// here, when the window asks, shows, keeps and forgets what the camera
// reported. Also the settings it keeps between runs and its record button.
#include "HazardDeskWindow.h"

#include "LightweightGlEngine.h"
#include "ObstacleCameraWorker.h"
#include "RecordButton.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace hazard_desk {
namespace {

using test::k7Descriptor;
using test::waitUntil;

class HazardDeskWindowTest : public test::WindowTest {
protected:
    void frame(corVane::ColorCloudPtr cloud, qint64 id) {
        window->onFrameReady(QImage(2, 2, QImage::Format_RGB888), QImage(), QImage(), cloud, QVector<int>{}, id);
    }
    void showRunning(int activeIndex) {
        WorkstationDocument running;
        running.activeIndex = activeIndex;
        running.templates[static_cast<std::size_t>(activeIndex)] = defaultZoneTemplate(activeIndex, TemplateType::Sector);
        window->onActiveConfigurationUpdated(QString::fromStdString(dumpWorkstationDocument(running, 2)), QString(), 4);
    }
    QString snapshotLatency() const {
        return window->state().runtimeSnapshot.value(QStringLiteral("latencyMs")).toString();
    }
};

// One session as the worker would answer it: discovery, a failed and a good
// connect, stream, read, an algorithm switch, stop and disconnect. Each
// command sets its flag and is asked once; a busy window ignores every
// command; frames are always acknowledged but kept only while streaming;
// runtime snapshots and the running region are shown only while the camera
// reports them.
TEST_F(HazardDeskWindowTest, ASessionFromDiscoveryToDisconnect) {
    QObject::disconnect(window->worker(), nullptr, window.get(), nullptr);
    QSignalSpy consumed(window.get(), &HazardDeskWindow::frameConsumed);
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    QSignalSpy disconnectSpy(window.get(), &HazardDeskWindow::disconnectRequested);
    QSignalSpy streamSpy(window.get(), &HazardDeskWindow::streamRequested);
    QSignalSpy readSpy(window.get(), &HazardDeskWindow::readConfigurationRequested);
    QSignalSpy algorithmSpy(window.get(), &HazardDeskWindow::algorithmRequested);
    QSignalSpy discoverSpy(window.get(), &HazardDeskWindow::discoverRequested);
    QSignalSpy templateSpy(window.get(), &HazardDeskWindow::switchTemplateRequested);
    QSignalSpy applySpy(window.get(), &HazardDeskWindow::applyConfigurationRequested);
    QSignalSpy groundSpy(window.get(), &HazardDeskWindow::groundCalibrationRequested);

    window->onRuntimeUpdated({{"ioStatus", 2}});
    EXPECT_TRUE(window->state().runtimeSnapshot.isEmpty()) << "ignored while disconnected";
    frame(nullptr, 5);
    EXPECT_EQ(consumed.count(), 1);
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("未连接"));

    // Discovery by timer only with the box checked, the window idle and no camera connected.
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 0) << "box unchecked";
    child<QCheckBox>("autoRefreshDevicesCheck")->setChecked(true);
    EXPECT_TRUE(QSettings().value(QStringLiteral("camera/autoRefreshDevices")).toBool());
    window->autoRefreshDevices();
    ASSERT_EQ(discoverSpy.count(), 1);
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1) << "busy discovering";

    // Connect needs a selected, visible device.
    const QVariantMap second = k7Descriptor(QStringLiteral("127.0.0.2"));
    window->onDevicesDiscovered(QVariantList{k7Descriptor(), second});
    auto* list = child<QListWidget>("deviceList");
    EXPECT_TRUE(child("connectButton")->isEnabled());
    child<QLineEdit>("deviceFilterEdit")->setText(QStringLiteral("no such camera"));
    EXPECT_FALSE(child("connectButton")->isEnabled()) << "a hidden selection does not count";
    child<QLineEdit>("deviceFilterEdit")->clear();
    list->item(1)->setSelected(true);
    window->requestConnectToggle();
    ASSERT_EQ(connectSpy.count(), 1);
    EXPECT_EQ(connectSpy.at(0).at(0).toMap().value(QStringLiteral("ip")).toString(), QStringLiteral("127.0.0.2"));
    EXPECT_TRUE(window->state().busy.connectBusy);
    // The first attempt fails: an error banner, and logged.
    window->onConnectionChanged(false, second, QStringLiteral("相机连接失败：超时"));
    EXPECT_TRUE(child("operationFeedbackLabel")->property("feedbackIsError").toBool());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("相机连接失败：超时"));
    EXPECT_TRUE(lastLogRow().contains(QStringLiteral("[ERR]  相机连接失败：超时")));
    EXPECT_FALSE(window->isBusy());

    // While the second attempt runs, every command is ignored.
    window->requestConnectToggle();
    ASSERT_EQ(connectSpy.count(), 2);
    window->requestConnectToggle();
    window->requestStreamToggle();
    window->requestReadDevice();
    window->requestAlgorithmSwitch();
    window->requestDeviceRefresh();
    window->requestTemplateSwitch();
    window->requestApplyCurrent();
    window->requestGroundCalibration();
    window->autoRefreshDevices();
    for (QSignalSpy* spy : {&disconnectSpy, &streamSpy, &readSpy, &algorithmSpy, &templateSpy, &applySpy, &groundSpy}) {
        EXPECT_EQ(spy->count(), 0);
    }
    EXPECT_EQ(connectSpy.count(), 2);
    EXPECT_EQ(discoverSpy.count(), 1);

    connectK7(second);
    EXPECT_FALSE(window->isBusy());
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1) << "connected";
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    frame(nullptr, 6);
    EXPECT_EQ(consumed.count(), 2) << "connected but not streaming: dropped and acknowledged";
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("--"));

    window->requestStreamToggle();
    ASSERT_EQ(streamSpy.count(), 1);
    EXPECT_TRUE(streamSpy.at(0).at(0).toBool());
    EXPECT_TRUE(window->state().busy.streamBusy);
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    EXPECT_TRUE(window->state().streaming);
    EXPECT_FALSE(window->isBusy());
    frame(corVane::ColorCloudPtr(new corVane::ColorCloud), 1733480000123LL);
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("1733480000123"));
    EXPECT_FALSE(window->state().cloudReady) << "an empty cloud is not ready";
    corVane::ColorCloudPtr cloud(new corVane::ColorCloud);
    cloud->push_back(pcl::PointXYZRGB());
    frame(cloud, 8);
    EXPECT_TRUE(window->state().cloudReady);
    EXPECT_EQ(consumed.count(), 4);

    window->onRuntimeUpdated({{"ioStatus", 0}, {"latencyMs", 12}});
    EXPECT_EQ(snapshotLatency(), QStringLiteral("12"));
    const QString shownState = textOf("obstacleStateLabel");
    EXPECT_NE(shownState, QStringLiteral("--"));
    window->refreshDynamicTexts();
    EXPECT_EQ(textOf("obstacleStateLabel"), shownState) << "a language refresh redraws from the stored snapshot";

    // The running region: the camera's reason while it has none, never a stale one.
    window->onActiveConfigurationUnavailable(QStringLiteral("读取运行模板失败"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("读取运行模板失败"));
    showRunning(7);
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("运行模板 7 · 设备回读"));
    EXPECT_NE(textOf("regionTypeValueLabel"), QStringLiteral("--"));
    window->onActiveConfigurationUpdated(QStringLiteral("{not json"), QString(), 4);
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));
    showRunning(7);

    window->requestReadDevice();
    ASSERT_EQ(readSpy.count(), 1);
    EXPECT_EQ(readSpy.at(0).at(0).toInt(), 4) << "the V2 camera's combo holds mode 4";
    WorkstationDocument read;
    read.activeIndex = 4;
    window->onConfigurationRead(QString::fromStdString(dumpWorkstationDocument(read, 2)), QStringLiteral("{}"), 4);
    window->onActiveConfigurationUnavailable(QStringLiteral("模板 4 的区域图待上传"));
    window->onConfigurationReadFinished();
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("模板 4 的区域图待上传"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));
    showRunning(7);

    // A camera in the other mode: the switch asks for V2 (mode 4).
    window->onAlgorithmStateChanged(true, 1, QStringLiteral("设备算法模式：1"));
    window->requestAlgorithmSwitch();
    ASSERT_EQ(algorithmSpy.count(), 1);
    EXPECT_EQ(algorithmSpy.at(0), (QList<QVariant>{true, 4}));
    window->onAlgorithmStateChanged(true, 4, QStringLiteral("设备算法模式：4"));
    window->onAlgorithmChangeFinished(true, QStringLiteral("已切换到避障 V2"));
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(child("readDeviceButton")->isEnabled());

    // A stopped stream leaves no stale live status behind.
    window->onStreamStateChanged(false, QStringLiteral("实时数据流已停止"));
    EXPECT_TRUE(window->state().runtimeSnapshot.isEmpty());
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("--"));
    window->refreshDynamicTexts();
    EXPECT_EQ(textOf("obstacleStateLabel"), QStringLiteral("--"));

    window->requestConnectToggle();
    EXPECT_EQ(disconnectSpy.count(), 1);
    EXPECT_TRUE(window->state().busy.connectBusy);
    window->onConnectionChanged(false, second, QStringLiteral("相机已断开"));
    EXPECT_FALSE(window->isBusy());
    EXPECT_FALSE(window->state().cloudReady);
    EXPECT_FALSE(child("operationFeedbackLabel")->property("feedbackIsError").toBool())
        << "a requested disconnect is not an error";
    frame(cloud, 9);
    EXPECT_EQ(consumed.count(), 5) << "frames after the disconnect are acknowledged without being kept";
    EXPECT_EQ(textOf("frameIdValueLabel"), QStringLiteral("--"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("未连接"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));
    // A second camera shows nothing of the first one's.
    window->onConnectionChanged(true, k7Descriptor(), QStringLiteral("已连接 127.0.0.1"));
    EXPECT_EQ(textOf("regionContextLabel"), QStringLiteral("当前运行区域未获取"));
    EXPECT_EQ(textOf("regionTypeValueLabel"), QStringLiteral("--"));
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
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    window->onIoHardwareModeRead(1, QString());
    window->onTemplateSwitchFinished(true, 3, QStringLiteral("已切换到模板 3"));
    window->onAlgorithmVersionReady(QStringLiteral(" 2.4.1 "));
    EXPECT_EQ(window->state().algorithmVersion, QStringLiteral("2.4.1"));
    EXPECT_EQ(textOf("sdkMaxDepthValue"), QStringLiteral("6.000 m"));
    EXPECT_EQ(textOf("cameraFovValue"), QStringLiteral("P20 3D：120° × 80°（公差 ±3°）"));
    EXPECT_EQ(algorithm->currentData().toInt(), 1);

    window->requestConnectToggle();
    window->onConnectionChanged(false, p20, QStringLiteral("相机已断开"));
    const WindowState& s = window->state();
    EXPECT_FALSE(s.streaming);
    EXPECT_EQ(s.ioHardwareMode, -1);
    EXPECT_EQ(s.activeTemplateIndex, -1);
    EXPECT_EQ(s.deviceAlgorithmMode, -1);
    EXPECT_TRUE(s.algorithmVersion.isEmpty());
    EXPECT_TRUE(s.connectedDescriptor.isEmpty());
    EXPECT_EQ(ioMode->currentIndex(), -1) << "the window's I/O mode is unknown again";
    EXPECT_EQ(algorithm->count(), modesAtStart);
    EXPECT_EQ(algorithm->currentData().toInt(), modeAtStart);
    EXPECT_EQ(textOf("sdkMaxDepthValue"), QStringLiteral("SDK 最远距离未获取"));
    EXPECT_EQ(textOf("cameraFovValue"), QStringLiteral("视场角未获取"));

    // The next camera gets a view fitted to its own cloud, not the first one's orbit and zoom.
    auto* view = child<LightweightGlEngine>("pointCloudView");
    ASSERT_NE(view, nullptr);
    view->setCameraPose(CloudEngineInterface::Vector3{5000.0f, 0.0f, 300.0f}, std::nullopt, std::nullopt);
    EXPECT_FALSE(view->fitPending());
    connectK7();
    EXPECT_TRUE(view->fitPending());
}

TEST_F(HazardDeskWindowTest, AtLeastThePointCloudPaneStaysVisible) {
    window->show();
    auto* cloudCheck = child<QCheckBox>("showCloudCheck");
    QSignalSpy cloudToggles(cloudCheck, &QCheckBox::toggled);
    QWidget* rgbPane = child("rgbView")->parentWidget();
    child<QCheckBox>("showRgbCheck")->setChecked(false);
    EXPECT_FALSE(rgbPane->isVisible());
    child<QCheckBox>("showDepthCheck")->setChecked(false);
    child<QCheckBox>("showAmplitudeCheck")->setChecked(false);
    cloudCheck->setChecked(false);
    EXPECT_TRUE(cloudCheck->isChecked());
    EXPECT_TRUE(child("pointCloudView")->parentWidget()->isVisible());
    EXPECT_EQ(cloudToggles.count(), 1) << "only the user's uncheck is signalled";
}

TEST_F(HazardDeskWindowTest, RefreshedTextsKeepEachStatusMessagesTimeout) {
    // A language change refreshes the texts: information still goes after
    // 8 s, an error still stays.
    for (const bool isError : {false, true}) {
        window->showOperationFeedback(QStringLiteral("状态"), isError);
        window->refreshDynamicTexts();
        EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("状态"));
        int active = 0;
        for (QTimer* timer : window->statusBar()->findChildren<QTimer*>()) {
            active += timer->isActive() && timer->interval() <= HazardDeskWindow::kInformationStatusTimeoutMs;
        }
        EXPECT_EQ(active, isError ? 0 : 1) << isError;
    }
}

TEST_F(HazardDeskWindowTest, TheWorkerThreadAnswersDiscoveryAndSendsFrames) {
    QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), true);
    HazardDeskWindow started;
    QSignalSpy discoverSpy(&started, &HazardDeskWindow::discoverRequested);
    QSignalSpy consumedSpy(&started, &HazardDeskWindow::frameConsumed);
    EXPECT_FALSE(started.isBusy()) << "the first refresh is queued, not run in the constructor";
    ASSERT_TRUE(waitUntil([&] { return discoverSpy.count() == 1; }));
    // The worker (no camera yet) answers with an empty list on its own thread.
    ASSERT_TRUE(waitUntil([&] { return !started.isBusy(); }));
    ObstacleCameraWorker* worker = started.worker();
    EXPECT_NE(worker->thread(), QThread::currentThread());
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

// The password is the permission file's, trimmed, or the default one when
// the file is missing, blank or no JSON object; it must be typed exactly.
TEST_F(HazardDeskWindowTest, AdministratorModeNeedsTheExactPassword) {
    struct Case {
        const char* file;   // nullptr: no file
        const char* typed;
        bool accept;
        bool unlocked;
    };
    const Case cases[] = {{nullptr, "wrong", true, false},
                          {nullptr, "mx5ledge ", true, false},
                          {nullptr, "mx5ledge", false, false},
                          {nullptr, "mx5ledge", true, true},
                          {R"({"admin_password": " s3cret "})", "s3cret", true, true},
                          {R"({"admin_password": " s3cret "})", "mx5ledge", true, false},
                          {R"({"admin_password": "  "})", "mx5ledge", true, true},
                          {R"(["admin_password"])", "mx5ledge", true, true},
                          {"{admin_password", "mx5ledge", true, true}};
    const QString home = QDir::currentPath();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file == nullptr ? "no file" : c.file) + " / " + c.typed);
        QTemporaryDir directory;
        ASSERT_TRUE(QDir(directory.path()).mkpath(QStringLiteral("conf")));
        if (c.file != nullptr) {
            QFile file(directory.filePath(QStringLiteral("conf/ui_permission.json")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.file);
        }
        QDir::setCurrent(directory.path());
        HazardDeskWindow gated;
        QDir::setCurrent(home);
        test::answerNextDialog<QInputDialog>([c](QInputDialog* dialog) {
            dialog->setTextValue(QString::fromUtf8(c.typed));
            c.accept ? dialog->accept() : dialog->reject();
        });
        auto* button = gated.findChild<QAbstractButton*>(QStringLiteral("administratorButton"));
        button->setChecked(true);
        EXPECT_EQ(button->isChecked(), c.unlocked);
        EXPECT_EQ(gated.state().adminMode, c.unlocked);
        EXPECT_EQ(gated.state().feedbackMessage == QStringLiteral("管理员密码错误"), c.accept && !c.unlocked);
        if (!c.unlocked) {
            continue;
        }
        EXPECT_EQ(gated.findChild<QGroupBox*>(QStringLiteral("v2AdvancedGroup"))->title(), QStringLiteral("V2 高级参数"));
        for (const char* name : {"groundHoleGroup", "imageSavingGroup", "semanticsCheck", "forkliftMinXSpin"}) {
            EXPECT_FALSE(gated.findChild<QWidget*>(QString::fromLatin1(name))->isHidden()) << name;
        }
        EXPECT_TRUE(gated.findChild<QWidget*>(QStringLiteral("imageSavingGroup"))->isEnabled());
        button->setChecked(false);
        EXPECT_FALSE(gated.state().adminMode);
        EXPECT_FALSE(gated.findChild<QWidget*>(QStringLiteral("imageSavingGroup"))->isEnabled());
    }
}

// A camera named at start-up is looked for, selected and connected once; a
// camera that does not turn up is given up after a few discoveries, with
// one error, and not connected when it turns up later.
TEST_F(HazardDeskWindowTest, StartupConnectSelectsTheCameraOrGivesUp) {
    QObject::disconnect(window->worker(), nullptr, window.get(), nullptr);
    QSignalSpy discover(window.get(), &HazardDeskWindow::discoverRequested);
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    const QVariantList cameras{k7Descriptor(QStringLiteral("127.0.10.1"), QStringLiteral("SN1")),
                               k7Descriptor(QStringLiteral("127.0.10.2"), QStringLiteral("SN2"))};
    window->connectOnStartup(QStringLiteral("127.0.10.2"));
    EXPECT_EQ(discover.count(), 1) << "an empty list asks for a discovery";
    window->onDevicesDiscovered(cameras);
    ASSERT_TRUE(waitUntil([&] { return connectSpy.count() == 1; }));
    const QVariantMap requested = connectSpy.at(0).at(0).toMap();
    EXPECT_EQ(requested.value(QStringLiteral("serial")).toString(), QStringLiteral("SN2"));
    window->onConnectionChanged(true, requested, QStringLiteral("已连接"));
    window->onDevicesDiscovered(cameras);
    QCoreApplication::processEvents();
    EXPECT_EQ(connectSpy.count(), 1) << "a later discovery does not connect a second time";

    HazardDeskWindow missing;
    QObject::disconnect(missing.worker(), nullptr, &missing, nullptr);
    QSignalSpy missingConnect(&missing, &HazardDeskWindow::connectRequested);
    auto* log = missing.findChild<QListWidget*>(QStringLiteral("runtimeLogList"));
    const int rowsBefore = log->count();
    missing.connectOnStartup(QStringLiteral("127.0.10.9"));
    for (int i = 0; i < HazardDeskWindow::kStartupConnectAttempts; ++i) {
        missing.onDevicesDiscovered(cameras);
    }
    // One row when the search starts, one warning, one error: not a row every 5 s.
    ASSERT_EQ(log->count() - rowsBefore, 3);
    EXPECT_TRUE(log->item(log->count() - 1)->text().contains(QStringLiteral("[ERR]  启动参数：未找到相机 127.0.10.9，或该型号不受支持")));
    EXPECT_TRUE(missing.findChild<QWidget*>(QStringLiteral("operationFeedbackLabel"))->property("feedbackIsError").toBool());
    missing.onDevicesDiscovered(QVariantList{k7Descriptor(QStringLiteral("127.0.10.9"), QStringLiteral("SN9"))});
    QCoreApplication::processEvents();
    EXPECT_EQ(missingConnect.count(), 0);
    EXPECT_FALSE(missing.state().busy.connectBusy);
}

// What the window keeps in the settings between two runs.
class WindowSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
    }
    static QVariant stored(const char* key) { return QSettings().value(QString::fromLatin1(key)); }
};

TEST_F(WindowSettingsTest, RestoresTheTrimmedFilterSplitterAndToggles) {
    QList<int> savedSizes;
    {
        HazardDeskWindow window;
        window.show();
        QSplitter* splitter = window.workspaceSplitter();
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({sizes[0] + 60, sizes[1] - 60, sizes[2]});
        savedSizes = splitter->sizes();
        window.findChild<QLineEdit*>(QStringLiteral("deviceFilterEdit"))->setText(QStringLiteral("  SN-0007 "));
        window.findChild<QCheckBox*>(QStringLiteral("cloudPseudoColorCheck"))->setChecked(false);
        window.close();
    }
    EXPECT_FALSE(stored("view/cloudPseudoColor").toBool()) << "saved when toggled";
    EXPECT_EQ(stored("camera/deviceFilter").toString(), QStringLiteral("SN-0007"));
    HazardDeskWindow restored;
    restored.show();
    EXPECT_EQ(restored.findChild<QLineEdit*>(QStringLiteral("deviceFilterEdit"))->text(), QStringLiteral("SN-0007"));
    EXPECT_FALSE(restored.findChild<QCheckBox*>(QStringLiteral("cloudPseudoColorCheck"))->isChecked());
    EXPECT_FALSE(restored.findChild<QCheckBox*>(QStringLiteral("autoRefreshDevicesCheck"))->isChecked());
    EXPECT_EQ(restored.workspaceSplitter()->sizes(), savedSizes);
}

TEST_F(WindowSettingsTest, EmptySplitterStateKeepsTheDefaultSizes) {
    QSettings().setValue(QStringLiteral("window/splitter"), QByteArray());
    HazardDeskWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QList<int> sizes = window.workspaceSplitter()->sizes();
    // The side panels keep their default widths; the centre takes the rest.
    ASSERT_EQ(sizes.size(), 3);
    EXPECT_EQ(sizes[0], 260);
    EXPECT_EQ(sizes[2], 340);
    EXPECT_EQ(sizes[0] + sizes[1] + sizes[2] + 2 * window.workspaceSplitter()->handleWidth(),
              window.workspaceSplitter()->width());
}

TEST_F(WindowSettingsTest, OversizedGeometryIsClampedToTheScreenAndMovedToItsTopLeft) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    if (available.width() < HazardDeskWindow::kMinimumWidth || available.height() < HazardDeskWindow::kMinimumHeight) {
        GTEST_SKIP() << "screen smaller than the window's minimum size";
    }
    {
        HazardDeskWindow large;
        large.setGeometry(available.x() + 40, available.y() + 40, available.width() * 2, available.height() * 2);
        QSettings().setValue(QStringLiteral("window/geometry"), large.saveGeometry());
    }
    HazardDeskWindow window;
    EXPECT_LE(window.width(), available.width());
    EXPECT_LE(window.height(), available.height());
    EXPECT_EQ(window.pos(), available.topLeft());
}

// The command bar's record button: usable only while streaming, asks for a
// file, waits for the worker's answer, and offers "停止录制" while recording.
TEST(RecordButton, FollowsTheStreamAndTheWorkersAnswers) {
    RecordButton button;
    QString offered = QStringLiteral("/tmp/run.mcap");
    int asked = 0;
    button.setPathChooser([&](QWidget*) {
        ++asked;
        return offered;
    });
    QSignalSpy start(&button, &RecordButton::startRecordingRequested);
    QSignalSpy stop(&button, &RecordButton::stopRecordingRequested);
    EXPECT_FALSE(button.isEnabled());

    button.onStreamStateChanged(true, QString());
    ASSERT_TRUE(button.isEnabled());
    offered.clear();  // the user cancels the file dialog
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(start.count(), 0);
    EXPECT_TRUE(button.isEnabled());

    offered = QStringLiteral("/tmp/run.mcap");
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(start.count(), 1);
    EXPECT_EQ(start.at(0).at(0).toString(), offered);
    EXPECT_FALSE(button.isEnabled());  // until the worker answers
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(start.count(), 1);

    button.onRecordingStateChanged(true, offered, QStringLiteral("开始录制：/tmp/run.mcap"), {});
    EXPECT_TRUE(button.recording());
    EXPECT_EQ(button.text(), QStringLiteral("停止录制"));
    EXPECT_TRUE(button.isEnabled());
    button.onRecordingProgress({{QStringLiteral("path"), offered}, {QStringLiteral("seconds"), 2.5},
                                {QStringLiteral("frames"), 50}, {QStringLiteral("bytes"), 12.0e6}});
    EXPECT_EQ(button.toolTip(), QStringLiteral("/tmp/run.mcap：2.5 s，50 帧，12.0 MB"));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(stop.count(), 1);
    EXPECT_EQ(asked, 2);

    // The stream stops: the worker closes the recording and says so.
    button.onStreamStateChanged(false, QString());
    button.onRecordingStateChanged(false, offered, QStringLiteral("数据流已停止：录制已保存"), {});
    EXPECT_EQ(button.text(), QStringLiteral("录制"));
    EXPECT_FALSE(button.isEnabled());
    EXPECT_EQ(button.toolTip(), QStringLiteral("数据流已停止：录制已保存"));
}

}  // namespace
}  // namespace hazard_desk
