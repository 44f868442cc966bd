// HazardDeskWindow, part 3 of 4: the worker's answers, the connection
// transition, the feedback banner and the state-dependent texts.
#include "HazardDeskWindow.h"

#include "CameraFieldOfView.h"
#include "CommandBar.h"
#include "DevicePanel.h"
#include "ParameterEditorController.h"
#include "ParameterPanel.h"
#include "LightweightGlEngine.h"
#include "ObstacleSceneOverlay.h"
#include "PointCloudPane.h"
#include "StatusPanel.h"
#include "TopBar.h"
#include "ViewGrid.h"
#include "ZoomableImageView.h"

#include "ParameterValidationError.h"
#include "WorkstationJsonReader.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

namespace hazard_desk {
namespace {

constexpr const char* kErrorBannerStyle =
    "QLabel { color:#ffb8bf; background:#421922; border:1px solid #db5366; padding:8px 12px; }";
constexpr const char* kInfoBannerStyle =
    "QLabel { color:#b8e6ff; background:#12344b; border:1px solid #318cba; padding:8px 12px; }";

QString algorithmModeText(int mode) {
    switch (mode) {
        case 1: return QStringLiteral("V1 / mode 1");
        case 4: return QStringLiteral("V2 / mode 4");
        case 0: return QStringLiteral("关闭 / mode 0");
        default: return QStringLiteral("其他算法 / mode %1").arg(mode);
    }
}

bool containsFailure(const QString& message) {
    return message.contains(QStringLiteral("失败"));
}

}  // namespace

void HazardDeskWindow::showOperationFeedback(const QString& text, bool isError, const QString& tooltip) {
    state_.feedbackMessage = text;
    state_.feedbackTooltip = tooltip;
    const QString translated = translate(text);
    feedbackLabel_->setText(translated);
    feedbackLabel_->setToolTip(translate(tooltip));
    feedbackLabel_->setStyleSheet(QString::fromLatin1(isError ? kErrorBannerStyle : kInfoBannerStyle));
    feedbackLabel_->setProperty("feedbackIsError", isError);
    feedbackLabel_->show();
    showStatusMessage(text, isError ? 0 : kInformationStatusTimeoutMs);
}

void HazardDeskWindow::showStatusMessage(const QString& text, int timeoutMs) {
    state_.statusMessage = text;
    statusMessageDeadline_ =
        timeoutMs > 0 ? QDeadlineTimer(timeoutMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    statusBar()->showMessage(translate(text), timeoutMs);
}

void HazardDeskWindow::showCameraRangeAndFieldOfView(const QVariantMap& descriptor) {
    bool numeric = false;
    const double maxDepthMm = descriptor.value(QStringLiteral("maxDepthMm")).toDouble(&numeric);
    const bool rangeKnown = numeric && std::isfinite(maxDepthMm) && maxDepthMm > 0;
    if (auto* range = parameterPanel_->findChild<QLabel*>(QStringLiteral("sdkMaxDepthValue"))) {
        range->setText(rangeKnown ? QStringLiteral("%1 m").arg(maxDepthMm / 1000.0, 0, 'f', 3)
                                  : translate(QStringLiteral("SDK 最远距离未获取")));
    }
    if (auto* fov = parameterPanel_->findChild<QLabel*>(QStringLiteral("cameraFovValue"))) {
        const int deviceType = descriptor.value(QStringLiteral("sdkDeviceType"), 0).toInt();
        fov->setText(translate(CameraFieldOfView::ofDeviceType(deviceType).text));
    }
}

void HazardDeskWindow::setConnectedState(bool connected) {
    state_.connected = connected;
    QPushButton* connectButton = commandBar_->connectButton();
    connectButton->setEnabled(true);
    connectButton->setText(translate(connected ? QStringLiteral("断开相机") : QStringLiteral("连接相机")));
    if (!connected) {
        state_.streaming = false;
        state_.cloudReady = false;
        state_.busy.streamBusy = false;
        state_.ioHardwareMode = -1;
        state_.activeTemplateIndex = -1;
        state_.deviceAlgorithmMode = -1;
        state_.busy.applyBusy = false;
        state_.busy.ioModeBusy = false;
        state_.busy.templateSwitchBusy = false;
        state_.busy.algorithmSwitching = false;
        state_.busy.groundCalibrationBusy = false;
        state_.runtimeSnapshot.clear();
        state_.connectedDescriptor.clear();
        // Nothing of this camera may pass for the next one's.
        runningConfiguration_.reset();
        runningDeviceJson_.clear();
        activeUnavailableReason_.clear();
        editor_->cameraDisconnected();
        resetStatusPanel();
        statusPanel_->activeTemplateValueLabel()->setText(QStringLiteral("--"));
        statusPanel_->activeTemplateValueLabel()->setToolTip(QString());
        statusPanel_->algorithmModeValueLabel()->setText(QStringLiteral("--"));
        statusPanel_->frameIdValueLabel()->setText(QStringLiteral("--"));
        parameterPanel_->templateModeStatusLabel()->setText(translate(QStringLiteral("实际运行模板：--")));
        state_.algorithmVersion.clear();
        lastRgb_ = QImage();
        lastDepth_ = QImage();
        lastAmplitude_ = QImage();
        lastCloud_.reset();
        lastDepthPixels_.clear();
        shownDepth_ = QImage();
        sceneOverlay_->setCameraInfo(0, 0.0);
        viewGrid_->rgbView()->clearImage();
        viewGrid_->depthView()->clearImage();
        viewGrid_->amplitudeView()->clearImage();
        viewGrid_->pointCloudView()->clearClouds();
        statusBar()->clearMessage();
        state_.statusMessage.clear();
        commandBar_->streamButton()->setText(translate(QStringLiteral("启动数据流")));
        commandBar_->algorithmButton()->setText(translate(QStringLiteral("启动算法")));
        topBar_->showConnection(false, translate(QStringLiteral("未连接")));
        topBar_->activeDeviceLabel()->setText(translate(QStringLiteral("未选择相机")));
        devicePanel_->setFollowSelection(true);
        devicePanel_->showDeviceInformation(devicePanel_->selectedVisibleDescriptor());
        {
            QComboBox* ioCombo = parameterPanel_->ioHardwareModeCombo();
            const QSignalBlocker blocker(ioCombo);
            ioCombo->setCurrentIndex(-1);
            ioCombo->setToolTip(translate(QStringLiteral("连接相机后可选择 IO 模式")));
        }
        // Back to the choices of an unknown camera, as at start.
        editor_->populateAlgorithmCombo(algPlatform::capabilityProfile(0, 0), 0);
        showCameraRangeAndFieldOfView(QVariantMap());
    }
    applyEditLock();
    updateCommandStates();
    refreshDynamicTexts();
    // Connected or not decides between the running configuration and the draft.
    refreshZonePreview();
}

void HazardDeskWindow::refreshDynamicTexts() {
    topBar_->softwareVersionLabel()->setText(
        translate(QStringLiteral("软件版本：%1")).arg(QCoreApplication::applicationVersion()));
    QLabel* sdk = topBar_->sdkVersionLabel();
    sdk->setText(translate(QStringLiteral("当前 SDK：%1"))
                     .arg(state_.sdkVersion.isEmpty() ? QStringLiteral("--") : state_.sdkVersion));
    sdk->setMinimumWidth(sdk->sizeHint().width());
    parameterPanel_->algorithmBuildLabel()->setText(
        translate(QStringLiteral("避障算法版本：%1"))
            .arg(state_.algorithmVersion.isEmpty() ? QStringLiteral("--") : state_.algorithmVersion));

    const QVariantMap& descriptor = state_.connectedDescriptor;
    if (lastRgb_.isNull()) {
        const bool noRgb = state_.connected && descriptor.contains(QStringLiteral("rgbAvailable")) &&
                           !descriptor.value(QStringLiteral("rgbAvailable")).toBool();
        viewGrid_->rgbView()->setText(
            translate(noRgb ? QStringLiteral("当前相机不提供 RGB 图像") : QStringLiteral("等待 RGB 数据")));
    }
    bool numeric = false;
    double maxDepthMm = descriptor.value(QStringLiteral("maxDepthMm")).toDouble(&numeric);
    if (!numeric || !std::isfinite(maxDepthMm) || maxDepthMm <= 0) {
        maxDepthMm = kDefaultMaxDepthMm;
    }
    viewGrid_->depthPaneTitle()->setText(translate(QStringLiteral("深度伪彩 · 0–%1 m · 区域色优先"))
                                             .arg(QString::number(maxDepthMm / 1000.0, 'f', 1)));
    viewGrid_->depthPaneTitle()->setToolTip(
        translate(QStringLiteral("与深度图使用相同像素颜色；危险和警告区域在两幅图中同步着色")));
    if (lastDepth_.isNull()) {
        viewGrid_->depthView()->setText(translate(QStringLiteral("等待深度数据")));
    }
    if (lastAmplitude_.isNull()) {
        viewGrid_->amplitudeView()->setText(translate(QStringLiteral("等待强度数据")));
    }
    topBar_->showConnection(state_.connected,
                            translate(state_.connected ? QStringLiteral("已连接") : QStringLiteral("未连接")));
    viewGrid_->viewStatusLabel()->setText(
        translate(state_.viewStatusText.isEmpty() ? QStringLiteral("等待连接相机") : state_.viewStatusText));
    if (!state_.feedbackMessage.isEmpty()) {
        feedbackLabel_->setText(translate(state_.feedbackMessage));
        feedbackLabel_->setToolTip(translate(state_.feedbackTooltip));
    }
    if (!state_.statusMessage.isEmpty() && !statusBar()->currentMessage().isEmpty()) {
        // Re-shown for what is left of its time-out; errors stay until replaced.
        const qint64 leftMs = statusMessageDeadline_.remainingTime();
        if (leftMs == 0) {
            statusBar()->clearMessage();
        } else {
            statusBar()->showMessage(translate(state_.statusMessage), leftMs < 0 ? 0 : static_cast<int>(leftMs));
        }
    }
    parameterPanel_->templateModeStatusLabel()->setText(
        translate(QStringLiteral("实际运行模板：%1"))
            .arg(state_.activeTemplateIndex >= 0 ? QString::number(state_.activeTemplateIndex) : QStringLiteral("--")));
    refreshPointCloudTitle();
    editor_->retranslate();
    if (state_.connected && !state_.runtimeSnapshot.isEmpty()) {
        statusPanel_->showRuntime(state_.runtimeSnapshot, state_.activeTemplateIndex);
    } else {
        resetStatusPanel();
    }
    refreshRegionSummary();
    statusPanel_->retranslateLog();
    updateCommandStates();
}

void HazardDeskWindow::refreshPointCloudTitle() {
    QString cloudTitle = QStringLiteral("3D 点云 / 避障区域");
    if (state_.editMode) {
        cloudTitle = QStringLiteral("3D 点云 / 编辑区域");
    } else if (state_.connected) {
        cloudTitle = QStringLiteral("3D 点云 / 当前运行区域");
    }
    viewGrid_->pointCloudPaneTitle()->setText(translate(cloudTitle));
}

void HazardDeskWindow::autoRefreshDevices() {
    if (!commandBar_->autoRefreshDevicesCheck()->isChecked() || state_.connected || isBusy()) {
        return;
    }
    state_.busy.discovering = true;
    updateCommandStates();
    emit discoverRequested();
}

void HazardDeskWindow::onSdkVersionReady(QString version) {
    state_.sdkVersion = version.trimmed();
    refreshDynamicTexts();
}

void HazardDeskWindow::onAlgorithmVersionReady(QString version) {
    state_.algorithmVersion = state_.connected ? version.trimmed() : QString();
    refreshDynamicTexts();
}

void HazardDeskWindow::onDevicesDiscovered(QVariantList devices) {
    state_.busy.discovering = false;
    devicePanel_->showDevices(devices);
    updateCommandStates();
    if (!startupConnectAddress_.isEmpty()) {
        continueStartupConnect();
    }
}

void HazardDeskWindow::onConnectionChanged(bool connected, QVariantMap descriptor, QString message) {
    const bool requestedDisconnect = state_.busy.connectBusy && state_.connected;
    state_.busy.connectBusy = false;
    if (!connected) {
        state_.busy.streamBusy = false;
    }
    setConnectedState(connected);
    showOperationFeedback(message, !connected && !requestedDisconnect);
    if (!connected) {
        appendLog(containsFailure(message) ? 2 : 0, message);
        return;
    }
    state_.connectedDescriptor = descriptor;
    devicePanel_->setFollowSelection(false);
    devicePanel_->showDeviceInformation(descriptor);
    topBar_->showConnection(true, translate(QStringLiteral("已连接")));
    topBar_->activeDeviceLabel()->setText(QStringLiteral("%1 · %2").arg(descriptor.value(QStringLiteral("model")).toString(),
                                                                        descriptor.value(QStringLiteral("ip")).toString()));
    showCameraRangeAndFieldOfView(descriptor);
    parameterPanel_->parameterJsonEdit()->clear();
    lastRgb_ = QImage();
    viewGrid_->rgbView()->clearImage();
    // Another camera sees another scene: fit the view to this connection's first cloud.
    viewGrid_->pointCloudView()->engine()->requestFit();
    const int deviceType = descriptor.value(QStringLiteral("sdkDeviceType"), 0).toInt();
    sceneOverlay_->setCameraInfo(deviceType, descriptor.value(QStringLiteral("maxDepthMm")).toDouble());
    editor_->populateAlgorithmCombo(permissions().profile, deviceType, selectedReadMode());
    appendLog(0, message);
    refreshDynamicTexts();
    QTimer::singleShot(0, this, &HazardDeskWindow::startStreamAfterConnect);
}

void HazardDeskWindow::startStreamAfterConnect() {
    if (!state_.connected) {
        return;
    }
    emit streamRequested(true);
    const int mode = selectedReadMode();
    if (state_.deviceAlgorithmMode == mode) {
        state_.busy.readBusy = true;
        updateCommandStates();
        emit readConfigurationRequested(mode);
    }
}

void HazardDeskWindow::onStreamStateChanged(bool streaming, QString message) {
    if (!state_.connected) {
        return;
    }
    const bool requested = state_.busy.streamBusy;
    state_.busy.streamBusy = false;
    state_.streaming = streaming;
    if (requested || message.contains(QStringLiteral("恢复失败"))) {
        showOperationFeedback(message, containsFailure(message));
    }
    if (!streaming) {
        // A stopped stream leaves no live status: the old snapshot would lie.
        state_.cloudReady = false;
        state_.runtimeSnapshot.clear();
        resetStatusPanel();
    }
    commandBar_->streamButton()->setText(translate(streaming ? QStringLiteral("停止数据流") : QStringLiteral("启动数据流")));
    state_.viewStatusText = message;
    viewGrid_->viewStatusLabel()->setText(translate(message));
    appendLog(containsFailure(message) ? 2 : 0, message);
    updateCommandStates();
}

void HazardDeskWindow::onAlgorithmStateChanged(bool enabled, int mode, QString /*message*/) {
    state_.deviceAlgorithmMode = mode;
    statusPanel_->algorithmModeValueLabel()->setText(translate(algorithmModeText(mode)));
    commandBar_->algorithmButton()->setText(translate(enabled ? QStringLiteral("停止算法") : QStringLiteral("启动算法")));
    commandBar_->algorithmButton()->setChecked(enabled);
    updateCommandStates();
}

void HazardDeskWindow::onAlgorithmChangeFinished(bool ok, QString message) {
    state_.busy.algorithmSwitching = false;
    showOperationFeedback(message, !ok);
    appendLog(ok ? 0 : 2, message);
    updateCommandStates();
}

void HazardDeskWindow::onFrameReady(QImage rgb, QImage depth, QImage amplitude, corVane::ColorCloudPtr cloud,
                                    QVector<int> depthPixels, qlonglong timestamp) {
    if (!state_.connected || !state_.streaming) {
        emit frameConsumed();
        return;
    }
    lastRgb_ = rgb;
    lastDepth_ = depth;
    lastAmplitude_ = amplitude;
    lastCloud_ = cloud;
    lastDepthPixels_ = depthPixels;
    if (!state_.cloudReady && cloud && !cloud->empty()) {
        state_.cloudReady = true;
        updateCommandStates();
    }
    if (viewGrid_->showRgbCheck()->isChecked() && !rgb.isNull()) {
        viewGrid_->rgbView()->setImage(rgb);
    }
    if (viewGrid_->showAmplitudeCheck()->isChecked() && !amplitude.isNull()) {
        viewGrid_->amplitudeView()->setImage(amplitude);
    }
    refreshLiveCloud();
    if (viewGrid_->showCloudCheck()->isChecked() && cloud && !cloud->empty()) {
        // Scene clouds removed during this frame go now, together with it.
        viewGrid_->pointCloudView()->engine()->commitRemovals();
    }
    statusPanel_->frameIdValueLabel()->setText(QString::number(timestamp));
    emit frameConsumed();
}

void HazardDeskWindow::onRuntimeUpdated(QVariantMap runtime) {
    if (!state_.connected) {
        return;
    }
    state_.runtimeSnapshot = runtime;
    statusPanel_->showRuntime(runtime, state_.activeTemplateIndex);
    // Without a result the camera reports no boxes.
    refreshDetectedBoxes(runtime.value(QStringLiteral("resultAvailable")).toBool()
                             ? runtime.value(QStringLiteral("boxes")).toList()
                             : QVariantList());
}

void HazardDeskWindow::onIoHardwareModeRead(int mode, QString error) {
    if (!state_.connected) {
        return;
    }
    state_.ioHardwareMode = mode > 1 ? -1 : mode;
    editor_->setIoModeError(error);
    updateCommandStates();
}

void HazardDeskWindow::onIoModesApplied(bool ok, QString message) {
    if (!state_.busy.ioModeBusy) {
        return;
    }
    state_.busy.ioModeBusy = false;
    appendLog(ok ? 0 : 2, message);
    if (ok) {
        showOperationFeedback(message, false);
    } else {
        showOperationFeedback(QStringLiteral("IO 模式下发失败，请检查连接后重试。"), true, message);
    }
    updateCommandStates();
}

void HazardDeskWindow::onTemplateSwitchFinished(bool ok, int index, QString message) {
    if (!state_.connected) {
        return;
    }
    state_.busy.templateSwitchBusy = false;
    if (ok && index >= 0 && index <= 19) {
        // The known running zones belong to the old template until the camera reports the new one.
        if (runningConfiguration_.has_value() && runningConfiguration_->activeIndex != index) {
            runningConfiguration_.reset();
            runningDeviceJson_.clear();
        }
        state_.activeTemplateIndex = index;
        statusPanel_->activeTemplateValueLabel()->setText(QString::number(index));
    }
    editor_->showTemplateSwitchResult(ok, message);
    showOperationFeedback(message, !ok);
    appendLog(ok ? 0 : 2, message);
    refreshDynamicTexts();
}

void HazardDeskWindow::onActiveTemplateChanged(int index) {
    if (state_.connected && index >= 0 && index <= 19) {
        state_.activeTemplateIndex = index;
        statusPanel_->activeTemplateValueLabel()->setText(QString::number(index));
        refreshDynamicTexts();
    }
}

void HazardDeskWindow::onActiveConfigurationUpdated(QString workstationJson, QString deviceJson, int /*mode*/) {
    if (!state_.connected) {
        return;
    }
    activeUnavailableReason_.clear();
    try {
        runningConfiguration_ = parseWorkstationDocumentText(workstationJson.toStdString());
        runningDeviceJson_ = deviceJson;
    } catch (const ParameterValidationError& error) {
        runningConfiguration_.reset();
        runningDeviceJson_.clear();
        activeUnavailableReason_ = QStringLiteral("当前运行区域未获取");
        appendLog(2, QString::fromStdString(error.what()));
    }
    refreshZonePreview();
}

void HazardDeskWindow::onActiveConfigurationUnavailable(QString reason) {
    if (!state_.connected) {
        return;
    }
    runningConfiguration_.reset();
    runningDeviceJson_.clear();
    activeUnavailableReason_ = reason.trimmed().isEmpty() ? QStringLiteral("当前运行区域未获取") : reason;
    refreshZonePreview();
}

void HazardDeskWindow::onConfigurationRead(QString workstationJson, QString deviceJson, int mode) {
    try {
        const WorkstationDocument document = parseWorkstationDocumentText(workstationJson.toStdString());
        editor_->showDeviceConfiguration(document, deviceJson, mode, permissions().profile,
                                         state_.connectedDescriptor.value(QStringLiteral("sdkDeviceType")).toInt());
    } catch (const ParameterValidationError& error) {
        showOperationFeedback(QStringLiteral("回读设备失败，请检查连接及日志中的具体字段后重试。"), true,
                              QString::fromStdString(error.what()));
        appendLog(2, QString::fromStdString(error.what()));
    }
    updateCommandStates();
}

void HazardDeskWindow::onConfigurationReadFinished() {
    state_.busy.readBusy = false;
    updateCommandStates();
}

void HazardDeskWindow::onDeviceUpdateProgress(QString message) {
    // A slow camera shows where it is; the worker logs the same line itself.
    showStatusMessage(message, kInformationStatusTimeoutMs);
}

void HazardDeskWindow::onConfigurationApplied(bool ok, QString stage, QString message, QString workstationJson,
                                              QString deviceJson) {
    if (!state_.connected) {
        return;
    }
    state_.busy.applyBusy = false;
    const int running = editor_->finishApply(ok, stage, message, workstationJson, deviceJson);
    if (running >= 0) {
        state_.activeTemplateIndex = running;
        statusPanel_->activeTemplateValueLabel()->setText(QString::number(running));
    }
    refreshDynamicTexts();
}

void HazardDeskWindow::onGroundCalibrated(bool ok, QVariantMap extrinsics, QString message) {
    state_.busy.groundCalibrationBusy = false;
    updateCommandStates();
    if (!state_.connected || !state_.streaming) {
        return;
    }
    if (!ok) {
        appendLog(2, message);
        QMessageBox::warning(this, translate(QStringLiteral("地面标定")), translate(message));
        return;
    }
    editor_->applyGroundCalibration(extrinsics, message);
}

void HazardDeskWindow::appendLog(int level, QString message) {
    statusPanel_->appendLog(level, message);
    if (level >= 2 && state_.busy.readBusy) {
        showOperationFeedback(QStringLiteral("回读设备失败，请检查连接及日志中的具体字段后重试。"), true, message);
    }
}

}  // namespace hazard_desk
