// HazardDeskWindow, part 2 of 4: the command protocol and the command states.
// Every user command: ignored while busy; otherwise set its busy flag, refresh
// the command states, show the progress text, emit one signal to the worker.
#include "HazardDeskWindow.h"

#include "ApplyConfirmationDialog.h"
#include "CommandBar.h"
#include "DevicePanel.h"
#include "ParameterEditorController.h"
#include "ParameterPanel.h"
#include "WindowSettings.h"

#include "ConfigurationDiff.h"
#include "ParameterValidationError.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>

namespace hazard_desk {
namespace {

void applyControl(QWidget* widget, const ControlState& control, const QString& translatedText = QString()) {
    widget->setEnabled(control.enabled);
    if (!translatedText.isEmpty()) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(translatedText);
        }
    }
}

bool isInside(const QWidget* widget, const QWidget* ancestor) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (widget == ancestor) {
            return true;
        }
    }
    return false;
}

}  // namespace

QVariantMap HazardDeskWindow::profileDescriptor() const {
    return state_.connectedDescriptor.isEmpty() ? devicePanel_->selectedVisibleDescriptor() : state_.connectedDescriptor;
}

CommandPermissions HazardDeskWindow::permissions() const {
    return CommandStatePlanner::permissions(state_, profileDescriptor());
}

int HazardDeskWindow::selectedReadMode() const {
    return parameterPanel_->selectedAlgorithmMode() == 4 ? 4 : 1;
}

void HazardDeskWindow::applyFocusRule() {
    QWidget* focus = QApplication::focusWidget();
    QScrollArea* area = parameterPanel_->scrollArea();
    if (focus == nullptr || focus == area || !isInside(focus, area)) {
        return;
    }
    const bool ioComboWithoutMode = focus == parameterPanel_->ioHardwareModeCombo() && state_.ioHardwareMode < 0;
    if (isBusy() || ioComboWithoutMode) {
        area->setFocus(Qt::OtherFocusReason);
    }
}

void HazardDeskWindow::updateCommandStates() {
    applyFocusRule();
    CommandInputs inputs;
    inputs.profileDescriptor = profileDescriptor();
    inputs.hasUsableSelection = !devicePanel_->selectedVisibleDescriptor().isEmpty();
    inputs.algorithmComboEntries = parameterPanel_->algorithmVersionCombo()->count();
    inputs.algorithmComboMode = parameterPanel_->selectedAlgorithmMode();
    const CommandStatePlan plan = CommandStatePlanner::plan(state_, inputs);
    ParameterPanel* panel = parameterPanel_;

    QPushButton* switchAlgorithm = panel->switchAlgorithmButton();
    applyControl(switchAlgorithm, plan.switchAlgorithmButton, translate(plan.switchAlgorithmButton.text));
    switchAlgorithm->setVisible(plan.switchAlgorithmButton.visible);
    switchAlgorithm->setToolTip(translate(plan.switchAlgorithmButton.toolTip));
    applyControl(commandBar_->refreshButton(), plan.refreshButton, translate(plan.refreshButton.text));
    applyControl(commandBar_->connectButton(), plan.connectButton, translate(plan.connectButton.text));
    applyControl(devicePanel_->deviceList(), plan.deviceList);
    applyControl(devicePanel_->deviceFilterEdit(), plan.deviceFilterEdit);
    applyControl(commandBar_->streamButton(), plan.streamButton, translate(plan.streamButton.text));
    commandBar_->streamButton()->setChecked(state_.streaming);
    applyControl(commandBar_->algorithmButton(), plan.algorithmButton);
    applyControl(panel->algorithmVersionCombo(), plan.algorithmVersionCombo);
    applyControl(panel->readDeviceButton(), plan.readDeviceButton, translate(plan.readDeviceButton.text));
    applyControl(panel->templateIndexSpin(), plan.templateIndexSpin);
    applyControl(panel->switchTemplateButton(), plan.switchTemplateButton, translate(plan.switchTemplateButton.text));
    applyControl(panel->applyCurrentButton(), plan.applyCurrentButton, translate(plan.applyCurrentButton.text));
    panel->applyCurrentButton()->setToolTip(translate(plan.applyCurrentButton.toolTip));
    applyControl(panel->ioHardwareModeCombo(), plan.ioHardwareModeCombo);
    editor_->refreshIoModeCombo();
    applyControl(panel->importJsonButton(), plan.importJsonButton);
    applyControl(panel->editingModeSwitch(), plan.editingModeSwitch);
    for (QWidget* w : std::initializer_list<QWidget*>{panel->rectangleParametersGroup(), panel->sectorParametersGroup(),
                                                      panel->zoneTypeCombo()}) {
        applyControl(w, plan.zoneGeometry);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{panel->v2AdvancedGroup(), panel->groundHoleGroup(),
                                                      panel->restoreDefaultsButton(), panel->resetExtrinsicsButton()}) {
        applyControl(w, plan.editOptions);
    }
    for (QDoubleSpinBox* spin : panel->extrinsicSpins()) {
        applyControl(spin, plan.editOptions);
    }
    applyControl(panel->imageSavingGroup(), plan.imageSavingGroup);
    applyControl(panel->debugCheck(), plan.debugCheck);
    applyControl(panel->exportAvoidanceImagesButton(), plan.exportAvoidanceImagesButton);
    applyControl(panel->groundCalibrationButton(), plan.groundCalibrationButton);
    panel->groundCalibrationButton()->setToolTip(translate(plan.groundCalibrationButton.toolTip));
}

void HazardDeskWindow::requestConnectToggle() {
    if (isBusy()) {
        return;
    }
    if (state_.connected) {
        state_.busy.connectBusy = true;
        updateCommandStates();
        showOperationFeedback(QStringLiteral("正在断开相机…"), false);
        emit disconnectRequested();
        return;
    }
    const QVariantMap descriptor = devicePanel_->selectedVisibleDescriptor();
    const QString ip = descriptor.value(QStringLiteral("ip")).toString().trimmed();
    if (ip.isEmpty()) {
        QMessageBox::warning(this, translate(QStringLiteral("连接相机")), translate(QStringLiteral("请先选择搜索到的设备")));
        return;
    }
    state_.busy.connectBusy = true;
    updateCommandStates();
    showOperationFeedback(QStringLiteral("正在连接相机 %1…").arg(ip), false);
    emit connectRequested(descriptor);
}

void HazardDeskWindow::requestStreamToggle() {
    if (isBusy()) {
        commandBar_->streamButton()->setChecked(state_.streaming);
        return;
    }
    const bool streaming = state_.streaming;
    state_.busy.streamBusy = true;
    updateCommandStates();
    showOperationFeedback(streaming ? QStringLiteral("正在停止数据流…") : QStringLiteral("正在启动数据流…"), false);
    emit streamRequested(!streaming);
}

void HazardDeskWindow::requestReadDevice() {
    if (isBusy()) {
        return;
    }
    state_.busy.readBusy = true;
    updateCommandStates();
    showOperationFeedback(QStringLiteral("正在回读设备配置…"), false);
    emit readConfigurationRequested(selectedReadMode());
}

void HazardDeskWindow::requestAlgorithmSwitch() {
    if (isBusy() || !state_.connected) {
        return;
    }
    const algPlatform::CapabilityProfile profile = permissions().profile;
    state_.busy.algorithmSwitching = true;
    updateCommandStates();
    showOperationFeedback(
        QStringLiteral("正在切换到避障 %1…").arg(CommandStatePlanner::recommendedModeName(profile)), false);
    emit algorithmRequested(true, profile.recommendedMode);
}

void HazardDeskWindow::requestDeviceRefresh() {
    if (isBusy()) {
        return;
    }
    state_.busy.discovering = true;
    updateCommandStates();
    emit discoverRequested();
}

void HazardDeskWindow::requestApplyCurrent() {
    if (isBusy()) {
        return;
    }
    editor_->collectDraftFromEditor();
    QString issueText;
    if (!editor_->validateDraft(&issueText)) {
        showOperationFeedback(QStringLiteral("参数校验未通过，请检查标出的数值后重新下发。"), true, issueText);
        appendLog(2, issueText);
        return;
    }
    // The dialog runs its own event loop: the worker may have been given
    // something to do meanwhile.
    if (!confirmApply() || isBusy()) {
        return;
    }
    state_.busy.applyBusy = true;
    updateCommandStates();
    showOperationFeedback(QStringLiteral("正在下发模板 %1，请稍候…").arg(editor_->editingIndex()), false);
    editor_->beginApply();
    emit applyConfigurationRequested(editor_->draftJson(), selectedReadMode());
}

bool HazardDeskWindow::confirmApply() {
    if (WindowSettings::skipApplyConfirmation()) {
        return true;
    }
    std::optional<FieldDifferenceList> changes;
    if (!runningDeviceJson_.isEmpty()) {
        try {
            changes = diffApplyAgainstCamera(editor_->draft(),
                                             nlohmann::json::parse(runningDeviceJson_.toStdString(), nullptr, false));
        } catch (const ParameterValidationError& error) {
            appendLog(1, QStringLiteral("无法与相机当前配置比较：%1").arg(QString::fromUtf8(error.what())));
        }
    }
    ApplyConfirmationDialog dialog(changes, this);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (dialog.unchanged()) {
        showOperationFeedback(QStringLiteral("草稿与相机当前运行的配置一致，无需下发。"), false);
        return false;
    }
    if (!accepted) {
        showOperationFeedback(QStringLiteral("已取消下发"), false);
        return false;
    }
    if (dialog.dontAskAgain()) {
        WindowSettings::setSkipApplyConfirmation(true);
    }
    return true;
}

void HazardDeskWindow::requestTemplateSwitch() {
    if (isBusy() || !state_.connected) {
        return;
    }
    const int index = parameterPanel_->templateIndexSpin()->value();
    state_.busy.templateSwitchBusy = true;
    updateCommandStates();
    showOperationFeedback(QStringLiteral("正在切换到模板 %1…").arg(index), false);
    emit switchTemplateRequested(index);
}

void HazardDeskWindow::requestIoHardwareMode(int comboIndex) {
    QComboBox* combo = parameterPanel_->ioHardwareModeCombo();
    const int value = combo->itemData(comboIndex).toInt();
    const bool send = state_.connected && !isBusy() && combo->isEnabled() && (value == 0 || value == 1) &&
                      value != state_.ioHardwareMode;
    if (!send) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(combo->findData(state_.ioHardwareMode));
        return;
    }
    state_.busy.ioModeBusy = true;
    updateCommandStates();
    showOperationFeedback(QStringLiteral("正在下发 IO 模式…"), false);
    emit ioModesRequested(-1, value);
}

void HazardDeskWindow::requestGroundCalibration() {
    if (isBusy()) {
        return;
    }
    editor_->collectDraftFromEditor();
    state_.busy.groundCalibrationBusy = true;
    updateCommandStates();
    const Extrinsics& pose = editor_->draft().extrinsics;
    emit groundCalibrationRequested(QVariantMap{{QStringLiteral("x"), pose.x},
                                                {QStringLiteral("y"), pose.y},
                                                {QStringLiteral("z"), pose.z},
                                                {QStringLiteral("roll"), pose.roll},
                                                {QStringLiteral("pitch"), pose.pitch},
                                                {QStringLiteral("yaw"), pose.yaw}});
}

void HazardDeskWindow::applyEditLock() {
    editor_->refreshLock();
}

}  // namespace hazard_desk
