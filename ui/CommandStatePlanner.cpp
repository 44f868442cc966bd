#include "CommandStatePlanner.h"

namespace hazard_desk {
namespace {

ControlState enabledWhen(bool enabled, const QString& text = QString()) {
    ControlState control;
    control.enabled = enabled;
    control.text = text;
    return control;
}

QString groundCalibrationTooltip(const WindowState& state) {
    if (!state.connected) {
        return QStringLiteral("连接相机并启动数据流后可用");
    }
    if (!state.streaming) {
        return QStringLiteral("启动数据流后可用");
    }
    if (!state.cloudReady) {
        return QStringLiteral("正在等待首帧有效点云");
    }
    return QStringLiteral("沿用 ZAVOV 地面拟合；过滤估计地面以上 1 m 的点，结果仅更新 Roll/Pitch/Z 草稿");
}

}  // namespace

CommandPermissions CommandStatePlanner::permissions(const WindowState& state, const QVariantMap& profileDescriptor) {
    CommandPermissions p;
    // Absent values count as 0.
    p.profile = algPlatform::capabilityProfile(profileDescriptor.value(QStringLiteral("sdkDeviceType"), 0).toInt(),
                                               profileDescriptor.value(QStringLiteral("cameraType"), 0).toInt());
    p.supported = p.profile.v1Offered || p.profile.v2Offered;
    p.modeMatches = state.deviceAlgorithmMode == static_cast<int>(p.profile.recommendedMode);
    p.canStream = state.connected;
    p.canAlgorithm = state.connected && p.supported;
    p.canRead = p.canAlgorithm;
    p.canSwitchTemplate = p.canAlgorithm;
    p.canApply = state.connected && state.editMode && p.supported;
    p.canIoMode = state.connected && p.profile.ioMode;
    p.canGroundCalibrate = state.connected && state.streaming && state.cloudReady && p.profile.groundCalibration;
    return p;
}

QString CommandStatePlanner::recommendedModeName(const algPlatform::CapabilityProfile& profile) {
    return profile.recommendedMode == 1 ? QStringLiteral("V1") : QStringLiteral("V2");
}

CommandStatePlan CommandStatePlanner::plan(const WindowState& state, const CommandInputs& inputs) {
    CommandStatePlan plan;
    const CommandPermissions p = permissions(state, inputs.profileDescriptor);
    plan.permissions = p;
    const bool idle = !state.isBusy();
    const BusyFlags& busy = state.busy;

    plan.switchAlgorithmButton = enabledWhen(
        state.connected && idle,
        busy.algorithmSwitching ? QStringLiteral("切换中…")
                                : QStringLiteral("切换到避障 %1").arg(recommendedModeName(p.profile)));
    plan.switchAlgorithmButton.visible =
        state.connected && p.canAlgorithm && !(p.modeMatches && !busy.algorithmSwitching);
    plan.switchAlgorithmButton.toolTip = QStringLiteral("按相机型号切换算法，完成后回读参数和运行区域");

    plan.refreshButton = enabledWhen(idle, QStringLiteral("刷新设备"));

    QString connectText;
    if (busy.connectBusy) {
        connectText = state.connected ? QStringLiteral("断开中…") : QStringLiteral("连接中…");
    } else {
        connectText = state.connected ? QStringLiteral("断开相机") : QStringLiteral("连接相机");
    }
    plan.connectButton = enabledWhen(idle && (state.connected || inputs.hasUsableSelection), connectText);

    plan.deviceList = enabledWhen(idle && !state.connected);
    plan.deviceFilterEdit = enabledWhen(true);

    QString streamText;
    if (busy.streamBusy) {
        streamText = state.streaming ? QStringLiteral("停止中…") : QStringLiteral("启动中…");
    } else {
        streamText = state.streaming ? QStringLiteral("停止数据流") : QStringLiteral("启动数据流");
    }
    plan.streamButton = enabledWhen(p.canStream && idle, streamText);

    // Its text follows the algorithm state the worker reports, not this table.
    plan.algorithmButton = enabledWhen(p.canAlgorithm && idle);
    plan.algorithmVersionCombo = enabledWhen(inputs.algorithmComboEntries >= 2 && idle);
    plan.readDeviceButton = enabledWhen(p.canRead && idle && p.modeMatches,
                                        busy.readBusy ? QStringLiteral("回读中…") : QStringLiteral("回读设备"));
    plan.templateIndexSpin = enabledWhen(idle);
    plan.switchTemplateButton =
        enabledWhen(p.canSwitchTemplate && idle && p.modeMatches,
                    busy.templateSwitchBusy ? QStringLiteral("切换中…") : QStringLiteral("切换运行模板"));
    plan.applyCurrentButton = enabledWhen(p.canApply && idle && p.modeMatches,
                                          busy.applyBusy ? QStringLiteral("下发中…") : QStringLiteral("保存并下发"));
    plan.applyCurrentButton.toolTip = state.editMode
                                          ? QStringLiteral("保存并下发当前模板及外参，确认成功后切换为运行模板")
                                          : QStringLiteral("需打开编辑模式后修改和下发区域及外参");
    plan.ioHardwareModeCombo = enabledWhen(p.canIoMode && idle && state.ioHardwareMode >= 0);
    plan.importJsonButton = enabledWhen(idle);
    plan.editingModeSwitch = enabledWhen(idle);
    plan.zoneGeometry = enabledWhen(state.editMode && idle && !state.squareFreeTemplate);
    plan.editOptions = enabledWhen(state.editMode && idle);
    plan.imageSavingGroup = enabledWhen(state.adminMode);
    plan.debugCheck = enabledWhen(state.adminMode && state.editMode && idle);
    plan.exportAvoidanceImagesButton =
        enabledWhen(state.adminMode && inputs.algorithmComboMode == 4 && state.connected && idle);
    plan.groundCalibrationButton = enabledWhen(p.canGroundCalibrate && state.editMode && idle);
    plan.groundCalibrationButton.toolTip = groundCalibrationTooltip(state);
    return plan;
}

}  // namespace hazard_desk
