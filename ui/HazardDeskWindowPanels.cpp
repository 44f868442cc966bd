// HazardDeskWindow, part 4 of 4: the left panel's window-side work: the
// status reset, the current region summary and the start-up connection.
#include "HazardDeskWindow.h"

#include "CommandBar.h"
#include "DevicePanel.h"
#include "ParameterEditorController.h"
#include "RegionSummaryFormatter.h"
#include "StatusPanel.h"

#include <QCheckBox>
#include <QTimer>

namespace hazard_desk {

void HazardDeskWindow::connectOnStartup(const QString& ip) {
    startupConnectAddress_ = ip.trimmed();
    startupConnectAttempts_ = 0;
    if (startupConnectAddress_.isEmpty()) {
        return;
    }
    appendLog(0, QStringLiteral("启动参数：连接相机 %1").arg(startupConnectAddress_));
    if (devicePanel_->selectDeviceByAddress(startupConnectAddress_)) {
        continueStartupConnect();
        return;
    }
    if (!isBusy()) {
        state_.busy.discovering = true;
        updateCommandStates();
        emit discoverRequested();
    }
}

void HazardDeskWindow::continueStartupConnect() {
    if (state_.connected) {
        startupConnectAddress_.clear();
        return;
    }
    const QString ip = startupConnectAddress_;
    if (devicePanel_->selectDeviceByAddress(ip)) {
        startupConnectAddress_.clear();
        // After the current slot, like a click on the connect button.
        QTimer::singleShot(0, this, [this, ip] {
            if (state_.connected) {
                return;
            }
            const QString selected = devicePanel_->selectedVisibleDescriptor().value(QStringLiteral("ip")).toString();
            if (isBusy() || selected.trimmed() != ip) {
                // The list changed in between: wait for the next discovery.
                startupConnectAddress_ = ip;
                return;
            }
            requestConnectToggle();
        });
        return;
    }
    ++startupConnectAttempts_;
    if (startupConnectAttempts_ >= kStartupConnectAttempts) {
        // Said once, where the user looks: the banner. A camera of a family
        // the workstation does not list (an R8, say) is never found either.
        startupConnectAddress_.clear();
        const QString message = QStringLiteral("启动参数：未找到相机 %1，或该型号不受支持；已停止自动连接").arg(ip);
        appendLog(2, message);
        showOperationFeedback(message, true);
        return;
    }
    if (startupConnectAttempts_ == 1) {
        appendLog(1, QStringLiteral("启动参数：暂未找到相机 %1，继续搜索").arg(ip));
        showOperationFeedback(QStringLiteral("启动参数：暂未找到相机 %1，继续搜索").arg(ip), false);
    }
    if (!commandBar_->autoRefreshDevicesCheck()->isChecked()) {
        // Without the refresh timer nobody else asks again.
        QTimer::singleShot(kDeviceRefreshIntervalMs, this, [this] {
            if (!startupConnectAddress_.isEmpty() && !state_.connected && !isBusy()) {
                state_.busy.discovering = true;
                updateCommandStates();
                emit discoverRequested();
            }
        });
    }
}

void HazardDeskWindow::resetStatusPanel() {
    statusPanel_->resetStatusPanel();
    refreshDetectedBoxes({});
}

void HazardDeskWindow::refreshRegionSummary() {
    const QString title = state_.connected ? QStringLiteral("当前运行区域") : QStringLiteral("当前区域参数");
    const WorkstationDocument& draft = editor_->draft();
    const int index = qBound(0, editor_->editingIndex(), static_cast<int>(kMaxTemplateIndex));
    if (state_.editMode) {
        statusPanel_->showRegionSummary(
            title, RegionSummaryFormatter::forTemplate(draft.templates[static_cast<std::size_t>(index)],
                                                       QStringLiteral("模板 %1 · %2").arg(index).arg(QStringLiteral("编辑预览"))));
        return;
    }
    if (state_.connected && runningConfiguration_.has_value() && runningConfiguration_->activeIndex >= 0 &&
        runningConfiguration_->activeIndex <= kMaxTemplateIndex) {
        const int active = runningConfiguration_->activeIndex;
        statusPanel_->showRegionSummary(
            title, RegionSummaryFormatter::forTemplate(runningConfiguration_->templates[static_cast<std::size_t>(active)],
                                                       QStringLiteral("运行模板 %1 · 设备回读").arg(active)));
        return;
    }
    // Connected: only what the camera reported runs there (the draft may have
    // been read long ago or edited since); otherwise say why nothing is shown.
    QString context = QStringLiteral("未连接");
    if (state_.connected) {
        context = activeUnavailableReason_.isEmpty() ? QStringLiteral("当前运行区域未获取") : activeUnavailableReason_;
    }
    statusPanel_->showRegionSummary(title, RegionSummaryFormatter::placeholder(context));
}

}  // namespace hazard_desk
