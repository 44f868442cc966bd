// The window's command protocol and state: which commands each situation
// offers (the planner, on its own), and the window driven through its slots
// as the worker would answer. What each label says is the formatters' business;
// here, when the window asks, shows, keeps and forgets what the camera
// reported. Also the settings it keeps between runs and its record button.
#include "HazardDeskWindow.h"

#include "CommandStatePlanner.h"
#include "ObstacleCameraWorker.h"
#include "RecordButton.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"
#include "WindowTestFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

namespace hazard_desk {
namespace {

// Device type codes of the model table: 1005 is a V2 camera, 2002 a V1
// camera, 3000 a code no profile knows.
constexpr int kV2Camera = 1005;
constexpr int kV1Camera = 2002;
constexpr int kUnknownCamera = 3000;

using Control = ControlState CommandStatePlan::*;
using P = CommandStatePlan;

QVariantMap plannerDescriptor(int deviceType, int cameraType = 0) {
    return QVariantMap{{QStringLiteral("ip"), QStringLiteral("127.0.0.1")},
                       {QStringLiteral("sdkDeviceType"), deviceType},
                       {QStringLiteral("cameraType"), cameraType}};
}

// The situation a plan is made for: a V2 camera connected, running its own
// mode, unless a field says otherwise; `adjust` sets what the fields do not.
struct Situation {
    bool connected = true;
    bool selection = false;
    bool editMode = false;
    bool squareFree = false;
    bool admin = false;
    int ioMode = -1;
    int comboEntries = 1;
    int comboMode = 4;
    int deviceType = kV2Camera;
};

CommandStatePlan planFor(const Situation& situation,
                         const std::function<void(WindowState&)>& adjust = [](WindowState&) {}) {
    WindowState state;
    state.connected = situation.connected;
    if (situation.connected) {
        state.connectedDescriptor = plannerDescriptor(situation.deviceType);
        state.deviceAlgorithmMode = 4;
    }
    state.editMode = situation.editMode;
    state.squareFreeTemplate = situation.squareFree;
    state.adminMode = situation.admin;
    state.ioHardwareMode = situation.ioMode;
    adjust(state);
    CommandInputs inputs;
    inputs.profileDescriptor = state.connectedDescriptor;
    inputs.hasUsableSelection = situation.selection;
    inputs.algorithmComboEntries = situation.comboEntries;
    inputs.algorithmComboMode = situation.comboMode;
    return CommandStatePlanner::plan(state, inputs);
}

struct EnabledCase {
    const char* name;
    Situation situation;
    std::vector<Control> enabled;
    std::vector<Control> disabled;
};

TEST(CommandStatePlanner, EachSituationEnablesItsCommandsOnly) {
    // Situation: connected, selection, editMode, squareFree, admin, ioMode, comboEntries, comboMode, deviceType.
    const std::vector<EnabledCase> cases = {
        {"disconnected, nothing selected", {false},
         {&P::refreshButton, &P::deviceList, &P::templateIndexSpin, &P::importJsonButton},
         {&P::connectButton, &P::streamButton, &P::readDeviceButton, &P::switchTemplateButton, &P::applyCurrentButton,
          &P::ioHardwareModeCombo, &P::groundCalibrationButton, &P::zoneGeometry}},
        {"disconnected, a camera selected", {false, true}, {&P::connectButton}, {}},
        {"connected, idle", {},
         {&P::connectButton, &P::streamButton, &P::algorithmButton, &P::readDeviceButton, &P::switchTemplateButton},
         {&P::deviceList, &P::applyCurrentButton, &P::ioHardwareModeCombo, &P::algorithmVersionCombo,
          &P::exportAvoidanceImagesButton}},
        {"editing", {true, false, true}, {&P::applyCurrentButton, &P::zoneGeometry, &P::editOptions}, {}},
        {"editing a free-box template", {true, false, true, true}, {&P::editOptions}, {&P::zoneGeometry}},
        {"unsupported camera", {true, false, true, false, false, 1, 1, 4, kUnknownCamera}, {&P::streamButton},
         {&P::algorithmButton, &P::readDeviceButton, &P::switchTemplateButton, &P::applyCurrentButton,
          &P::ioHardwareModeCombo}},
        {"I/O mode read", {true, false, false, false, false, 0}, {&P::ioHardwareModeCombo}, {}},
        {"two algorithm entries", {true, false, false, false, false, -1, 2}, {&P::algorithmVersionCombo}, {}},
        {"administrator", {true, false, false, false, true},
         {&P::exportAvoidanceImagesButton, &P::imageSavingGroup}, {&P::debugCheck}},
        {"administrator, V1 chosen in the combo", {true, false, false, false, true, -1, 1, 1}, {},
         {&P::exportAvoidanceImagesButton}},
    };
    for (const EnabledCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandStatePlan plan = planFor(c.situation);
        for (const Control control : c.enabled) {
            EXPECT_TRUE((plan.*control).enabled) << (plan.*control).text.toStdString();
        }
        for (const Control control : c.disabled) {
            EXPECT_FALSE((plan.*control).enabled) << (plan.*control).text.toStdString();
        }
        EXPECT_FALSE(plan.switchAlgorithmButton.visible) << "no mode to switch to";
    }
}

struct BusyCase {
    const char* name;
    std::function<void(WindowState&)> set;
    const char* connectText;
    const char* streamText;
    const char* readText;
    const char* switchTemplateText;
    const char* applyText;
};

TEST(CommandStatePlanner, EveryBusyFlagDisablesEveryCommandAndShowsItsProgressText) {
    const std::vector<BusyCase> cases = {
        {"discovering", [](WindowState& s) { s.busy.discovering = true; }, "断开相机", "停止数据流", "回读设备", "切换运行模板", "保存并下发"},
        {"connectBusy", [](WindowState& s) { s.busy.connectBusy = true; }, "断开中…", "停止数据流", "回读设备", "切换运行模板", "保存并下发"},
        {"streamBusy", [](WindowState& s) { s.busy.streamBusy = true; }, "断开相机", "停止中…", "回读设备", "切换运行模板", "保存并下发"},
        {"readBusy", [](WindowState& s) { s.busy.readBusy = true; }, "断开相机", "停止数据流", "回读中…", "切换运行模板", "保存并下发"},
        {"applyBusy", [](WindowState& s) { s.busy.applyBusy = true; }, "断开相机", "停止数据流", "回读设备", "切换运行模板", "下发中…"},
        {"templateSwitchBusy", [](WindowState& s) { s.busy.templateSwitchBusy = true; }, "断开相机", "停止数据流", "回读设备", "切换中…", "保存并下发"},
        {"ioModeBusy", [](WindowState& s) { s.busy.ioModeBusy = true; }, "断开相机", "停止数据流", "回读设备", "切换运行模板", "保存并下发"},
        {"groundCalibrationBusy", [](WindowState& s) { s.busy.groundCalibrationBusy = true; }, "断开相机", "停止数据流", "回读设备", "切换运行模板", "保存并下发"},
        {"algorithmSwitching", [](WindowState& s) { s.busy.algorithmSwitching = true; }, "断开相机", "停止数据流", "回读设备", "切换运行模板", "保存并下发"},
        {"imageExportBusy", [](WindowState& s) { s.busy.imageExportBusy = true; }, "断开相机", "停止数据流", "回读设备", "切换运行模板", "保存并下发"},
    };
    for (const BusyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandStatePlan plan = planFor({true, true, true, false, true, 0, 2}, [&c](WindowState& state) {
            state.streaming = true;
            state.cloudReady = true;
            c.set(state);
        });
        for (const Control control :
             {&P::refreshButton, &P::connectButton, &P::deviceList, &P::streamButton, &P::algorithmButton,
              &P::algorithmVersionCombo, &P::readDeviceButton, &P::templateIndexSpin, &P::switchTemplateButton,
              &P::applyCurrentButton, &P::ioHardwareModeCombo, &P::importJsonButton, &P::editingModeSwitch,
              &P::zoneGeometry, &P::editOptions, &P::debugCheck, &P::exportAvoidanceImagesButton,
              &P::groundCalibrationButton, &P::switchAlgorithmButton}) {
            EXPECT_FALSE((plan.*control).enabled) << (plan.*control).text.toStdString();
        }
        EXPECT_TRUE(plan.deviceFilterEdit.enabled);
        EXPECT_TRUE(plan.imageSavingGroup.enabled) << "follows the administrator mode only";
        EXPECT_EQ(plan.connectButton.text.toStdString(), c.connectText);
        EXPECT_EQ(plan.streamButton.text.toStdString(), c.streamText);
        EXPECT_EQ(plan.readDeviceButton.text.toStdString(), c.readText);
        EXPECT_EQ(plan.switchTemplateButton.text.toStdString(), c.switchTemplateText);
        EXPECT_EQ(plan.applyCurrentButton.text.toStdString(), c.applyText);
    }
    const CommandStatePlan offline = planFor({false, true}, [](WindowState& state) {
        state.busy.connectBusy = true;
        state.busy.streamBusy = true;
    });
    EXPECT_EQ(offline.connectButton.text.toStdString(), "连接中…");
    EXPECT_EQ(offline.streamButton.text.toStdString(), "启动中…");
}

struct MismatchCase {
    int deviceType;
    int cameraType;
    int reportedMode;
    bool switching;
    const char* switchText;
};

TEST(CommandStatePlanner, ModeMismatchOffersTheSwitchAndBlocksConfigurationCommands) {
    const std::vector<MismatchCase> cases = {
        {kV2Camera, 0, 1, false, "切换到避障 V2"}, {kV2Camera, 0, 0, false, "切换到避障 V2"},
        {kV2Camera, 0, -1, false, "切换到避障 V2"}, {kV1Camera, 2, 4, false, "切换到避障 V1"},
        {0, 2, 4, false, "切换到避障 V1"},          {2109, 2, 1, false, "切换到避障 V2"},
        // While the switch runs the button stays and says so, even once the mode matches.
        {kV2Camera, 0, 4, true, "切换中…"},
    };
    for (const MismatchCase& c : cases) {
        SCOPED_TRACE(c.deviceType * 100 + c.reportedMode);
        const CommandStatePlan plan = planFor({true, false, true}, [&c](WindowState& state) {
            state.connectedDescriptor = plannerDescriptor(c.deviceType, c.cameraType);
            state.deviceAlgorithmMode = c.reportedMode;
            state.busy.algorithmSwitching = c.switching;
        });
        EXPECT_TRUE(plan.switchAlgorithmButton.visible);
        EXPECT_EQ(plan.switchAlgorithmButton.enabled, !c.switching);
        EXPECT_EQ(plan.switchAlgorithmButton.text.toStdString(), c.switchText);
        EXPECT_FALSE(plan.readDeviceButton.enabled);
        EXPECT_FALSE(plan.applyCurrentButton.enabled);
        EXPECT_FALSE(plan.switchTemplateButton.enabled);
        EXPECT_EQ(plan.streamButton.enabled, !c.switching);
    }
}

TEST(CommandStatePlanner, GroundCalibrationNeedsStreamCloudProfileAndEditMode) {
    const char* const ready = "沿用 ZAVOV 地面拟合；过滤估计地面以上 1 m 的点，结果仅更新 Roll/Pitch/Z 草稿";
    struct Case {
        bool streaming;
        bool cloudReady;
        bool editMode;
        bool enabled;
        const char* tooltip;
    };
    const std::vector<Case> cases = {
        {false, false, true, false, "启动数据流后可用"},
        {true, false, true, false, "正在等待首帧有效点云"},
        {true, true, false, false, ready},
        {true, true, true, true, ready},
    };
    for (const Case& c : cases) {
        const CommandStatePlan plan = planFor({true, false, c.editMode}, [&c](WindowState& state) {
            state.streaming = c.streaming;
            state.cloudReady = c.cloudReady;
        });
        EXPECT_EQ(plan.groundCalibrationButton.enabled, c.enabled);
        EXPECT_EQ(plan.groundCalibrationButton.toolTip.toStdString(), c.tooltip);
    }
}

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
    EXPECT_NE(textOf("obstacleStateLabel"), QStringLiteral("--"));

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
    window->onAlgorithmVersionReady(QStringLiteral("2.4.1"));
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
        if (c.unlocked) {
            EXPECT_FALSE(gated.findChild<QWidget*>(QStringLiteral("imageSavingGroup"))->isHidden());
            button->setChecked(false);
            EXPECT_FALSE(gated.state().adminMode) << "locking again asks for nothing";
        }
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
    HazardDeskWindow restored;
    restored.show();
    EXPECT_EQ(restored.findChild<QLineEdit*>(QStringLiteral("deviceFilterEdit"))->text(), QStringLiteral("SN-0007"));
    EXPECT_FALSE(restored.findChild<QCheckBox*>(QStringLiteral("cloudPseudoColorCheck"))->isChecked());
    EXPECT_EQ(restored.workspaceSplitter()->sizes(), savedSizes);
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
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(stop.count(), 1);
    EXPECT_EQ(asked, 1) << "stopping asks for no file";

    // The stream stops: the worker closes the recording and says so.
    button.onStreamStateChanged(false, QString());
    button.onRecordingStateChanged(false, offered, QStringLiteral("数据流已停止：录制已保存"), {});
    EXPECT_EQ(button.text(), QStringLiteral("录制"));
    EXPECT_FALSE(button.isEnabled());
}

}  // namespace
}  // namespace hazard_desk
