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

QVariantMap descriptor(int deviceType, int cameraType = 0) {
    return QVariantMap{{QStringLiteral("ip"), QStringLiteral("127.0.0.1")},
                       {QStringLiteral("sdkDeviceType"), deviceType},
                       {QStringLiteral("cameraType"), cameraType}};
}

WindowState connectedState(int deviceType, int mode) {
    WindowState state;
    state.connected = true;
    state.connectedDescriptor = descriptor(deviceType);
    state.deviceAlgorithmMode = mode;
    return state;
}

CommandInputs inputsFor(const WindowState& state, bool selection = false) {
    CommandInputs inputs;
    inputs.profileDescriptor = state.connectedDescriptor;
    inputs.hasUsableSelection = selection;
    inputs.algorithmComboEntries = 1;
    inputs.algorithmComboMode = 4;
    return inputs;
}

std::string text(const ControlState& control) {
    return control.text.toStdString();
}

TEST(CommandStatePlanner, DisconnectedOffersOnlyDiscoveryAndConnectWithASelection) {
    const WindowState state;
    const CommandStatePlan none = CommandStatePlanner::plan(state, inputsFor(state, false));
    EXPECT_TRUE(none.refreshButton.enabled);
    EXPECT_FALSE(none.connectButton.enabled);
    EXPECT_TRUE(none.deviceList.enabled);
    EXPECT_FALSE(none.streamButton.enabled);
    EXPECT_FALSE(none.readDeviceButton.enabled);
    EXPECT_FALSE(none.switchTemplateButton.enabled);
    EXPECT_FALSE(none.applyCurrentButton.enabled);
    EXPECT_FALSE(none.switchAlgorithmButton.visible);
    EXPECT_FALSE(none.ioHardwareModeCombo.enabled);
    EXPECT_FALSE(none.groundCalibrationButton.enabled);
    // Editing stays possible offline, but geometry follows the edit mode.
    EXPECT_TRUE(none.templateIndexSpin.enabled);
    EXPECT_TRUE(none.importJsonButton.enabled);
    EXPECT_FALSE(none.zoneGeometry.enabled);

    const CommandStatePlan selected = CommandStatePlanner::plan(state, inputsFor(state, true));
    EXPECT_TRUE(selected.connectButton.enabled);
}

TEST(CommandStatePlanner, ConnectedIdleCameraOffersItsCommands) {
    const WindowState state = connectedState(kV2Camera, 4);
    const CommandStatePlan plan = CommandStatePlanner::plan(state, inputsFor(state));
    EXPECT_TRUE(plan.connectButton.enabled);
    EXPECT_FALSE(plan.deviceList.enabled);
    EXPECT_TRUE(plan.streamButton.enabled);
    EXPECT_TRUE(plan.algorithmButton.enabled);
    EXPECT_TRUE(plan.readDeviceButton.enabled);
    EXPECT_TRUE(plan.switchTemplateButton.enabled);
    EXPECT_FALSE(plan.applyCurrentButton.enabled) << "apply needs the edit mode";
    EXPECT_FALSE(plan.switchAlgorithmButton.visible) << "the camera already runs its own mode";
    EXPECT_TRUE(plan.permissions.modeMatches);

    WindowState editing = state;
    editing.editMode = true;
    const CommandStatePlan editPlan = CommandStatePlanner::plan(editing, inputsFor(editing));
    EXPECT_TRUE(editPlan.applyCurrentButton.enabled);
    EXPECT_TRUE(editPlan.zoneGeometry.enabled);
    EXPECT_TRUE(editPlan.editOptions.enabled);

    editing.squareFreeTemplate = true;
    const CommandStatePlan freePlan = CommandStatePlanner::plan(editing, inputsFor(editing));
    EXPECT_FALSE(freePlan.zoneGeometry.enabled) << "squareFree geometry is read-only";
    EXPECT_TRUE(freePlan.editOptions.enabled);
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
        WindowState state = connectedState(kV2Camera, 4);
        state.streaming = true;
        state.cloudReady = true;
        state.editMode = true;
        state.adminMode = true;
        state.ioHardwareMode = 0;
        c.set(state);
        ASSERT_TRUE(state.isBusy());
        CommandInputs inputs = inputsFor(state, true);
        inputs.algorithmComboEntries = 2;
        const CommandStatePlan plan = CommandStatePlanner::plan(state, inputs);
        for (const ControlState* control :
             {&plan.refreshButton, &plan.connectButton, &plan.deviceList, &plan.streamButton, &plan.algorithmButton,
              &plan.algorithmVersionCombo, &plan.readDeviceButton, &plan.templateIndexSpin, &plan.switchTemplateButton,
              &plan.applyCurrentButton, &plan.ioHardwareModeCombo, &plan.importJsonButton, &plan.editingModeSwitch,
              &plan.zoneGeometry, &plan.editOptions, &plan.debugCheck, &plan.exportAvoidanceImagesButton,
              &plan.groundCalibrationButton, &plan.switchAlgorithmButton}) {
            EXPECT_FALSE(control->enabled);
        }
        EXPECT_TRUE(plan.deviceFilterEdit.enabled);
        EXPECT_TRUE(plan.imageSavingGroup.enabled) << "follows the administrator mode only";
        EXPECT_EQ(text(plan.connectButton), c.connectText);
        EXPECT_EQ(text(plan.streamButton), c.streamText);
        EXPECT_EQ(text(plan.readDeviceButton), c.readText);
        EXPECT_EQ(text(plan.switchTemplateButton), c.switchTemplateText);
        EXPECT_EQ(text(plan.applyCurrentButton), c.applyText);
    }
}

TEST(CommandStatePlanner, BusyTextsWhileDisconnectedOrNotStreaming) {
    WindowState state;
    state.busy.connectBusy = true;
    state.busy.streamBusy = true;
    const CommandStatePlan plan = CommandStatePlanner::plan(state, inputsFor(state, true));
    EXPECT_EQ(text(plan.connectButton), "连接中…");
    EXPECT_EQ(text(plan.streamButton), "启动中…");
}

TEST(CommandStatePlanner, UnsupportedCameraKeepsOnlyStreaming) {
    const WindowState state = connectedState(kUnknownCamera, 0);
    WindowState editing = state;
    editing.editMode = true;
    editing.ioHardwareMode = 1;
    const CommandStatePlan plan = CommandStatePlanner::plan(editing, inputsFor(editing));
    EXPECT_FALSE(plan.permissions.supported);
    EXPECT_TRUE(plan.streamButton.enabled);
    EXPECT_FALSE(plan.algorithmButton.enabled);
    EXPECT_FALSE(plan.readDeviceButton.enabled);
    EXPECT_FALSE(plan.switchTemplateButton.enabled);
    EXPECT_FALSE(plan.applyCurrentButton.enabled);
    EXPECT_FALSE(plan.ioHardwareModeCombo.enabled) << "no I/O modes without a profile";
    EXPECT_FALSE(plan.switchAlgorithmButton.visible);
}

struct MismatchCase {
    int deviceType;
    int cameraType;
    int reportedMode;
    const char* switchText;
};

TEST(CommandStatePlanner, ModeMismatchOffersTheSwitchAndBlocksConfigurationCommands) {
    const std::vector<MismatchCase> cases = {
        {kV2Camera, 0, 1, "切换到避障 V2"}, {kV2Camera, 0, 0, "切换到避障 V2"}, {kV2Camera, 0, -1, "切换到避障 V2"},
        {kV1Camera, 2, 4, "切换到避障 V1"}, {0, 2, 4, "切换到避障 V1"},       {2109, 2, 1, "切换到避障 V2"},
    };
    for (const MismatchCase& c : cases) {
        SCOPED_TRACE(c.deviceType * 100 + c.reportedMode);
        WindowState state = connectedState(c.deviceType, c.reportedMode);
        state.connectedDescriptor = descriptor(c.deviceType, c.cameraType);
        state.editMode = true;
        const CommandStatePlan plan = CommandStatePlanner::plan(state, inputsFor(state));
        EXPECT_FALSE(plan.permissions.modeMatches);
        EXPECT_TRUE(plan.switchAlgorithmButton.visible);
        EXPECT_TRUE(plan.switchAlgorithmButton.enabled);
        EXPECT_EQ(text(plan.switchAlgorithmButton), c.switchText);
        EXPECT_FALSE(plan.readDeviceButton.enabled);
        EXPECT_FALSE(plan.applyCurrentButton.enabled);
        EXPECT_FALSE(plan.switchTemplateButton.enabled);
        EXPECT_TRUE(plan.streamButton.enabled);
    }

    // While the switch runs the button stays visible and says so, even once the mode matches.
    WindowState switching = connectedState(kV2Camera, 4);
    switching.busy.algorithmSwitching = true;
    const CommandStatePlan plan = CommandStatePlanner::plan(switching, inputsFor(switching));
    EXPECT_TRUE(plan.switchAlgorithmButton.visible);
    EXPECT_FALSE(plan.switchAlgorithmButton.enabled);
    EXPECT_EQ(text(plan.switchAlgorithmButton), "切换中…");
}

TEST(CommandStatePlanner, GroundCalibrationNeedsStreamCloudProfileAndEditMode) {
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
        {true, true, false, false, "沿用 ZAVOV 地面拟合；过滤估计地面以上 1 m 的点，结果仅更新 Roll/Pitch/Z 草稿"},
        {true, true, true, true, "沿用 ZAVOV 地面拟合；过滤估计地面以上 1 m 的点，结果仅更新 Roll/Pitch/Z 草稿"},
    };
    for (const Case& c : cases) {
        WindowState state = connectedState(kV2Camera, 4);
        state.streaming = c.streaming;
        state.cloudReady = c.cloudReady;
        state.editMode = c.editMode;
        const CommandStatePlan plan = CommandStatePlanner::plan(state, inputsFor(state));
        EXPECT_EQ(plan.groundCalibrationButton.enabled, c.enabled);
        EXPECT_EQ(plan.groundCalibrationButton.toolTip.toStdString(), c.tooltip);
    }
}

TEST(CommandStatePlanner, IoModeAdministratorAndComboRules) {
    WindowState state = connectedState(kV2Camera, 4);
    CommandInputs inputs = inputsFor(state);
    EXPECT_FALSE(CommandStatePlanner::plan(state, inputs).ioHardwareModeCombo.enabled) << "mode not read yet";
    state.ioHardwareMode = 0;
    EXPECT_TRUE(CommandStatePlanner::plan(state, inputs).ioHardwareModeCombo.enabled);

    EXPECT_FALSE(CommandStatePlanner::plan(state, inputs).algorithmVersionCombo.enabled) << "one entry only";
    inputs.algorithmComboEntries = 2;
    EXPECT_TRUE(CommandStatePlanner::plan(state, inputs).algorithmVersionCombo.enabled);

    EXPECT_FALSE(CommandStatePlanner::plan(state, inputs).exportAvoidanceImagesButton.enabled);
    state.adminMode = true;
    EXPECT_TRUE(CommandStatePlanner::plan(state, inputs).exportAvoidanceImagesButton.enabled);
    EXPECT_TRUE(CommandStatePlanner::plan(state, inputs).imageSavingGroup.enabled);
    EXPECT_FALSE(CommandStatePlanner::plan(state, inputs).debugCheck.enabled) << "needs the edit mode too";
    inputs.algorithmComboMode = 1;
    EXPECT_FALSE(CommandStatePlanner::plan(state, inputs).exportAvoidanceImagesButton.enabled);
}

TEST(CommandStatePlanner, ProfileFollowsTheSelectedDeviceWhileDisconnected) {
    const WindowState state;
    CommandInputs inputs;
    inputs.profileDescriptor = descriptor(kV1Camera, 2);
    const CommandStatePlan plan = CommandStatePlanner::plan(state, inputs);
    EXPECT_TRUE(plan.permissions.profile.v1Offered);
    EXPECT_FALSE(plan.permissions.profile.v2Offered);
    EXPECT_EQ(text(plan.switchAlgorithmButton), "切换到避障 V1");
    // Absent type values count as 0: an empty descriptor is a K-series (V2) camera.
    EXPECT_TRUE(CommandStatePlanner::permissions(state, QVariantMap{}).profile.v2Offered);
}

}  // namespace
}  // namespace hazard_desk
