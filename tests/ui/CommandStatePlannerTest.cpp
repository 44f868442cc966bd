#include "CommandStatePlanner.h"

#include <gtest/gtest.h>

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

TEST(CommandStatePlanner, ProfileFollowsTheSelectedDeviceWhileDisconnected) {
    WindowState disconnected;
    CommandInputs inputs;
    inputs.profileDescriptor = plannerDescriptor(kV1Camera, 2);
    const CommandStatePlan plan = CommandStatePlanner::plan(disconnected, inputs);
    EXPECT_TRUE(plan.permissions.profile.v1Offered);
    EXPECT_FALSE(plan.permissions.profile.v2Offered);
    EXPECT_EQ(plan.switchAlgorithmButton.text.toStdString(), "切换到避障 V1");
    // Absent type values count as 0: an empty descriptor is a K-series (V2) camera.
    EXPECT_TRUE(CommandStatePlanner::permissions(disconnected, QVariantMap{}).profile.v2Offered);
}

}  // namespace
}  // namespace hazard_desk
