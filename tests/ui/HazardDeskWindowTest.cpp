// The window's command protocol and state, driven through its slots as the
// worker would answer; the worker itself runs on its own thread.
#include "HazardDeskWindow.h"

#include "LightweightGlEngine.h"
#include "ObstacleCameraWorker.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QThread>

namespace hazard_desk {
namespace {

using test::k7Descriptor;
using test::waitUntil;
using HazardDeskWindowTest = test::WindowTest;

TEST_F(HazardDeskWindowTest, ConnectNeedsASelectedVisibleDevice) {
    window->onDevicesDiscovered(QVariantList{k7Descriptor(), k7Descriptor(QStringLiteral("127.0.0.2"))});
    auto* list = child<QListWidget>("deviceList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(child("connectButton")->isEnabled());
    child<QLineEdit>("deviceFilterEdit")->setText(QStringLiteral("no such camera"));
    EXPECT_FALSE(child("connectButton")->isEnabled()) << "a hidden selection does not count";

    child<QLineEdit>("deviceFilterEdit")->clear();
    list->item(1)->setSelected(true);
    QSignalSpy connectSpy(window.get(), &HazardDeskWindow::connectRequested);
    window->requestConnectToggle();
    ASSERT_EQ(connectSpy.count(), 1);
    EXPECT_EQ(connectSpy.at(0).at(0).toMap().value(QStringLiteral("ip")).toString(), QStringLiteral("127.0.0.2"));
    EXPECT_TRUE(window->state().busy.connectBusy);
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
    // The worker's answer clears the flag and the commands come back.
    window->onDevicesDiscovered(QVariantList{k7Descriptor()});
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(child("streamButton")->isEnabled());
}

TEST_F(HazardDeskWindowTest, EachCommandSetsItsFlagEmitsOnceAndTheAnswerClearsIt) {
    connectK7();
    QSignalSpy streamSpy(window.get(), &HazardDeskWindow::streamRequested);
    window->requestStreamToggle();
    ASSERT_EQ(streamSpy.count(), 1);
    EXPECT_TRUE(streamSpy.at(0).at(0).toBool());
    EXPECT_TRUE(window->state().busy.streamBusy);
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    EXPECT_TRUE(window->state().streaming);
    EXPECT_FALSE(window->isBusy());

    QSignalSpy readSpy(window.get(), &HazardDeskWindow::readConfigurationRequested);
    window->requestReadDevice();
    ASSERT_EQ(readSpy.count(), 1);
    EXPECT_EQ(readSpy.at(0).at(0).toInt(), 4) << "the V2 camera's combo holds mode 4";
    window->onConfigurationReadFinished();
    EXPECT_FALSE(window->isBusy());

    // A camera in the other mode: the switch asks for V2 (mode 4).
    window->onAlgorithmStateChanged(true, 1, QStringLiteral("设备算法模式：1"));
    QSignalSpy algorithmSpy(window.get(), &HazardDeskWindow::algorithmRequested);
    window->requestAlgorithmSwitch();
    ASSERT_EQ(algorithmSpy.count(), 1);
    EXPECT_EQ(algorithmSpy.at(0), (QList<QVariant>{true, 4}));
    window->onAlgorithmStateChanged(true, 4, QStringLiteral("设备算法模式：4"));
    window->onAlgorithmChangeFinished(true, QStringLiteral("已切换到避障 V2"));
    EXPECT_FALSE(window->isBusy());
    EXPECT_TRUE(child("readDeviceButton")->isEnabled());

    QSignalSpy disconnectSpy(window.get(), &HazardDeskWindow::disconnectRequested);
    window->requestConnectToggle();
    EXPECT_EQ(disconnectSpy.count(), 1);
    EXPECT_TRUE(window->state().busy.connectBusy);
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
    EXPECT_EQ(ioMode->currentData().toInt(), 1);

    window->requestConnectToggle();
    window->onConnectionChanged(false, p20, QStringLiteral("相机已断开"));
    const WindowState& s = window->state();
    EXPECT_FALSE(s.connected);
    EXPECT_FALSE(s.streaming);
    EXPECT_EQ(s.ioHardwareMode, -1);
    EXPECT_EQ(s.activeTemplateIndex, -1);
    EXPECT_EQ(s.deviceAlgorithmMode, -1);
    EXPECT_TRUE(s.algorithmVersion.isEmpty());
    EXPECT_TRUE(s.connectedDescriptor.isEmpty());
    EXPECT_FALSE(window->isBusy());
    EXPECT_FALSE(child("operationFeedbackLabel")->property("feedbackIsError").toBool())
        << "a requested disconnect is not an error";
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
    EXPECT_EQ(textOf("cameraFovValue"), QStringLiteral("视场角未获取")) << "no field of view known for a K7";
}

TEST_F(HazardDeskWindowTest, FailedConnectionIsAnErrorBannerAndLogged) {
    window->onDevicesDiscovered(QVariantList{k7Descriptor()});
    window->requestConnectToggle();
    window->onConnectionChanged(false, k7Descriptor(), QStringLiteral("相机连接失败：超时"));
    EXPECT_TRUE(child("operationFeedbackLabel")->property("feedbackIsError").toBool());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("相机连接失败：超时"));
    EXPECT_TRUE(lastLogRow().contains(QStringLiteral("[ERR]  相机连接失败：超时")));
    EXPECT_FALSE(window->isBusy());
}

TEST_F(HazardDeskWindowTest, AtLeastThePointCloudPaneStaysVisible) {
    window->show();
    auto* cloudCheck = child<QCheckBox>("showCloudCheck");
    QSignalSpy cloudToggles(cloudCheck, &QCheckBox::toggled);
    QWidget* rgbPane = child("rgbView")->parentWidget();
    QWidget* cloudPane = child("pointCloudView")->parentWidget();
    child<QCheckBox>("showRgbCheck")->setChecked(false);
    EXPECT_FALSE(rgbPane->isVisible());
    child<QCheckBox>("showDepthCheck")->setChecked(false);
    child<QCheckBox>("showAmplitudeCheck")->setChecked(false);
    cloudCheck->setChecked(false);
    EXPECT_TRUE(cloudCheck->isChecked());
    EXPECT_TRUE(cloudPane->isVisible());
    EXPECT_EQ(cloudToggles.count(), 1) << "only the user's uncheck is signalled";
}

TEST_F(HazardDeskWindowTest, AutoRefreshOnlyWhenCheckedDisconnectedAndIdle) {
    auto* check = child<QCheckBox>("autoRefreshDevicesCheck");
    QSignalSpy discoverSpy(window.get(), &HazardDeskWindow::discoverRequested);
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 0) << "box unchecked";

    check->setChecked(true);
    EXPECT_TRUE(QSettings().value(QStringLiteral("camera/autoRefreshDevices")).toBool());
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1);
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1) << "busy discovering";
    window->onDevicesDiscovered(QVariantList{k7Descriptor()});
    window->onConnectionChanged(true, k7Descriptor(), QStringLiteral("已连接"));
    window->autoRefreshDevices();
    EXPECT_EQ(discoverSpy.count(), 1) << "connected";
}

TEST_F(HazardDeskWindowTest, RefreshedTextsKeepEachStatusMessagesTimeout) {
    // A language change refreshes the texts: information still goes after
    // 8 s, an error still stays.
    const auto activeTimers = [this] {
        int active = 0;
        for (QTimer* timer : window->statusBar()->findChildren<QTimer*>()) {
            active += timer->isActive() && timer->interval() <= HazardDeskWindow::kInformationStatusTimeoutMs;
        }
        return active;
    };
    for (const bool isError : {false, true}) {
        window->showOperationFeedback(QStringLiteral("状态"), isError);
        window->refreshDynamicTexts();
        EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("状态"));
        EXPECT_EQ(activeTimers(), isError ? 0 : 1) << isError;
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

TEST_F(HazardDeskWindowTest, AdministratorModeNeedsTheExactPassword) {
    auto* button = child<QAbstractButton>("administratorButton");
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
        test::answerNextDialog<QInputDialog>([c](QInputDialog* dialog) {
            dialog->setTextValue(c.typed);
            c.accept ? dialog->accept() : dialog->reject();
        });
        button->setChecked(true);
        EXPECT_EQ(button->isChecked(), c.unlocked);
        EXPECT_EQ(window->state().adminMode, c.unlocked);
        EXPECT_EQ(window->state().feedbackMessage == QStringLiteral("管理员密码错误"), c.errorBanner);
    }
    EXPECT_TRUE(child("imageSavingGroup")->isEnabled());
    button->setChecked(false);
    EXPECT_FALSE(window->state().adminMode);
    EXPECT_FALSE(child("imageSavingGroup")->isEnabled());
}

}  // namespace
}  // namespace hazard_desk
