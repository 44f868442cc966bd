// The camera worker's configuration side: the read of the running
// configuration, the apply transaction with its pause and resume, the
// algorithm, template and I/O switches, and the poll that keeps the window's
// view of the running configuration current. Same class and thread as
// ObstacleCameraWorker.cpp; the write sequence itself is DeviceWriteSequence.
#include "ObstacleCameraWorker.h"

#include <QThread>
#include <QTimer>
#include <algorithm>
#include <string>

#include <nlohmann/json.hpp>

#include "AlgorithmSwitchConfirmation.h"
#include "CameraCapabilities.h"
#include "ConfigurationApplyPlan.h"
#include "DeviceJsonKeys.h"
#include "DeviceWriteRequest.h"
#include "DeviceWriteSequence.h"
#include "DeviceZoneLookup.h"
#include "ObstacleCameraBridge.h"
#include "WorkerMessages.h"

namespace hazard_desk {

using namespace worker_messages;

namespace {

constexpr const char* kStageConnection = "连接检查";

}  // namespace

void ObstacleCameraWorker::readDeviceConfiguration(int requestedMode) {
    activeRegionPollTimer_->stop();
    if (!hasCamera()) {
        emit logMessage(2, QStringLiteral("回读参数失败：%1").arg(QString::fromUtf8(kConnectFirst)));
        emit configurationReadFinished();
        return;
    }
    const int target = targetMode(requestedMode);
    ActiveConfiguration out;
    QString error;
    bool ok = bridge_->readActiveConfiguration(out, &error, target);
    if (out.mode >= 0) {
        algorithmMode_ = out.mode;
    }
    if (out.mode >= 0 && out.mode != target) {
        const QString mismatch = QString::fromUtf8(kModeMismatch);
        emit algorithmStateChanged(algorithmRunning(out.mode), out.mode, mismatch);
        emit logMessage(1, mismatch);
        ok = false;
    } else if (ok) {
        refreshIoHardwareMode(true);
        emit configurationRead(out.workstationJson, out.deviceJson, out.mode);
        if (pendingMaskTemplates_.count(out.templateIndex) == 0) {
            lastActiveWorkstationJson_ = out.workstationJson;
            lastActiveUnavailableReason_.clear();
            emit activeTemplateChanged(out.templateIndex);
            announceActiveConfiguration(out.workstationJson, out.deviceJson, out.mode);
        }
        emit logMessage(0, QStringLiteral("已回读并解析设备避障参数（未知字段保留）"));
    } else {
        lastActiveWorkstationJson_.clear();
        lastActiveUnavailableReason_ = error;
        emit activeConfigurationUnavailable(error);
        emit logMessage(2, error);
    }
    restartActiveRegionPoll(ok);
    emit configurationReadFinished();
}

void ObstacleCameraWorker::applyConfiguration(QString workstationJson, int algorithmMode) {
    if (!hasCamera()) {
        reportApplyFailure(QString::fromUtf8(kStageConnection), QString::fromUtf8(kConnectFirst), workstationJson);
        return;
    }
    const int target = targetMode(algorithmMode);
    const bool v1MaskPath = algPlatform::usesTemplateControl(bridge_->descriptor().sdkDeviceType, target);
    // Lives until the slot returns: its mask directory goes with it.
    ConfigurationApplyPlan plan(*bridge_, target, v1MaskPath);
    if (!plan.prepare(workstationJson)) {
        if (plan.modeMismatch()) {
            algorithmMode_ = plan.cameraMode();
            emit algorithmStateChanged(algorithmRunning(algorithmMode_), algorithmMode_, plan.message());
        }
        reportApplyFailure(plan.stage(), plan.message(), workstationJson);
        return;
    }

    const int templateIndex = plan.request().templateIndex;
    const DeviceWriteResult result = runDeviceWrite(plan.request());
    updatePendingMasks(templateIndex, result);
    lastActiveWorkstationJson_.clear();
    if (!result.ok) {
        emit activeConfigurationUnavailable(result.message);
        reportApplyFailure(result.stage,
                           result.saved ? QString::fromUtf8(kSavedButIncomplete).arg(result.message) : result.message,
                           workstationJson);
        pollActiveRegion();
        return;
    }
    algorithmMode_ = target;
    emit activeTemplateChanged(templateIndex);
    emit configurationApplied(true, QString::fromUtf8(DeviceWriteSequence::kStageDone),
                              QStringLiteral("模板 %1 已保存并下发，已切换为运行模板").arg(templateIndex),
                              workstationJson, result.readbackJson);
    emit algorithmStateChanged(true, target, QStringLiteral("避障算法参数已生效"));
    emit logMessage(0, QStringLiteral("避障参数事务完成：mode=%1, template=%2, scope=%3")
                           .arg(QString::number(target), QString::number(templateIndex), QStringLiteral("active")));
    pollActiveRegion();
}

void ObstacleCameraWorker::reportApplyFailure(const QString& stage, const QString& message,
                                              const QString& workstationJson) {
    emit logMessage(2, QStringLiteral("%1：%2").arg(stage, message));
    emit configurationApplied(false, stage, message, workstationJson, QString());
}

void ObstacleCameraWorker::updatePendingMasks(int templateIndex, const DeviceWriteResult& result) {
    // A template whose masks may not match its JSON on the camera is not
    // shown as running until an apply of it completes.
    const bool complete = result.masksAttempted ? result.masksUploaded && result.saved : result.saved;
    if (complete) {
        pendingMaskTemplates_.erase(templateIndex);
    } else if (result.masksAttempted) {
        pendingMaskTemplates_.insert(templateIndex);
    }
}

DeviceWriteResult ObstacleCameraWorker::runDeviceWrite(DeviceWriteRequest request) {
    request.wasStreaming = streaming_;
    const bool polling = activeRegionPollTimer_->isActive();
    activeRegionPollTimer_->stop();
    captureTimer_->stop();
    streaming_ = false;
    frameInFlight_ = false;
    tickDeferred_ = false;
    if (request.wasStreaming) {
        emit streamStateChanged(false, QStringLiteral("正在更新设备配置，画面与结果刷新已暂停"));
    }

    const qint64 start = writeClock_();
    const QString templateText = QString::number(request.templateIndex);
    DeviceWriteTiming timing;
    timing.elapsedMs = [this, start]() { return writeClock_() - start; };
    timing.sleepMs = writeSleep_;
    timing.progress = [this, start, templateText](const QString& stage) {
        const QString line = QStringLiteral("模板 %1 · %2（%3 ms）")
                                 .arg(templateText, stage, QString::number(writeClock_() - start));
        emit logMessage(0, line);
        emit deviceUpdateProgress(line);
    };
    const DeviceWriteResult result = DeviceWriteSequence(*bridge_, std::move(timing)).run(request);

    streaming_ = result.streaming;
    frameFailures_.reset();
    frameInFlight_ = false;
    // The next status sample comes a full interval after the write.
    lastRuntimeMs_ = std::max<qint64>(runtimeClock_(), 1);
    if (streaming_) {
        captureTimer_->start(kCaptureIntervalMs);
    }
    if (polling) {
        activeRegionPollTimer_->start();
    }
    if (request.wasStreaming) {
        emit streamStateChanged(streaming_, result.streamResumed ? QStringLiteral("实时数据流已恢复")
                                                                 : QStringLiteral("数据流已启动，正在等待有效帧"));
    }
    return result;
}

void ObstacleCameraWorker::switchActiveTemplate(int index) {
    auto finish = [this, index](const QString& message) { emit templateSwitchFinished(false, index, message); };
    if (!hasCamera()) {
        finish(QString::fromUtf8(kConnectFirst));
        return;
    }
    if (index < ObstacleCameraBridge::kFirstTemplate || index > ObstacleCameraBridge::kLastTemplate) {
        finish(QStringLiteral("模板编号必须在 0 到 19 之间"));
        return;
    }
    int mode = -1;
    QString error;
    if (!bridge_->readAlgorithmMode(mode, &error)) {
        finish(error);
        return;
    }
    if (mode != recommendedMode()) {
        finish(QString::fromUtf8(kModeMismatch));
        return;
    }
    if (pendingMaskTemplates_.count(index) != 0) {
        finish(QString::fromUtf8(kPendingMasks).arg(index));
        return;
    }
    std::string text;
    if (!bridge_->readAlgorithmParams(text, &error)) {
        finish(error);
        return;
    }
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!hasTemplate(json, index)) {
        finish(QStringLiteral("设备尚未配置模板 %1，请先下发该模板再切换。").arg(index));
        return;
    }
    json[device_keys::kZoneIndex] = index;

    DeviceWriteRequest request;
    request.mode = mode;
    request.templateIndex = index;
    request.usesTemplateControl = algPlatform::usesTemplateControl(bridge_->descriptor().sdkDeviceType, mode);
    request.checkFirst = true;
    request.deviceJson = std::move(json);
    const DeviceWriteResult result = runDeviceWrite(std::move(request));
    if (result.templateIndex >= 0) {
        emit activeTemplateChanged(result.templateIndex);
    }
    emit templateSwitchFinished(result.ok, result.templateIndex,
                                result.ok ? QStringLiteral("已切换到模板 %1，并保存为启动模板").arg(index)
                                          : QStringLiteral("%1：%2").arg(result.stage, result.message));
    pollActiveRegion();
}

void ObstacleCameraWorker::setAlgorithmEnabled(bool enabled, int /*algorithmMode*/) {
    if (!hasCamera()) {
        emit algorithmChangeFinished(false, QString::fromUtf8(kConnectFirst));
        return;
    }
    // Each model runs one algorithm generation: the request only says on or off.
    const int target = enabled ? recommendedMode() : ObstacleCameraBridge::kModeOff;
    QString error;
    if (!bridge_->setAlgorithmMode(target, &error)) {
        int mode = -1;
        if (bridge_->readAlgorithmMode(mode, nullptr)) {
            algorithmMode_ = mode;
            emit algorithmStateChanged(algorithmRunning(mode), mode, error);
        }
        emit algorithmChangeFinished(false, error);
        return;
    }

    const AlgorithmSwitchConfirmation::ModeOutcome confirmation =
        AlgorithmSwitchConfirmation::confirmMode(*bridge_, target, writeSleep_);
    algorithmMode_ = confirmation.lastMode;
    emit algorithmStateChanged(algorithmRunning(algorithmMode_), algorithmMode_,
                               QStringLiteral("设备算法模式：%1").arg(algorithmMode_));
    refreshAlgorithmVersion();
    lastActiveWorkstationJson_.clear();
    lastActiveUnavailableReason_.clear();
    if (!confirmation.confirmed) {
        emit algorithmChangeFinished(false, QStringLiteral("算法切换未确认：目标 %1，设备当前 %2。%3")
                                                .arg(QString::number(target), QString::number(confirmation.lastMode),
                                                     confirmation.lastError));
        pollActiveRegion();
        return;
    }
    if (target == ObstacleCameraBridge::kModeOff) {
        pollActiveRegion();
        emit algorithmChangeFinished(true, QStringLiteral("避障算法已停止"));
        return;
    }
    ActiveConfiguration out;
    if (!AlgorithmSwitchConfirmation::readConfiguration(*bridge_, target, writeSleep_, out, error)) {
        emit activeConfigurationUnavailable(error);
        emit algorithmChangeFinished(false, QStringLiteral("算法已切换，但参数回读失败：%1").arg(error));
        return;
    }
    emit configurationRead(out.workstationJson, out.deviceJson, out.mode);
    pollActiveRegion();
    emit algorithmChangeFinished(true, QStringLiteral("已切换到避障 %1，参数和运行区域已刷新")
                                           .arg(target == ObstacleCameraBridge::kModeV1 ? QStringLiteral("V1")
                                                                                        : QStringLiteral("V2")));
}

void ObstacleCameraWorker::setIoModes(int workMode, int hardwareMode) {
    bool ok = false;
    QString message;
    if (!hasCamera()) {
        message = QString::fromUtf8(kConnectFirst);
    } else {
        ok = bridge_->setIoModes(workMode, hardwareMode, &message);
        if (hardwareMode >= 0) {
            // Only the hardware mode can be read back; the work mode cannot.
            int mode = -1;
            QString readError;
            if (!bridge_->readIoHardwareMode(mode, &readError)) {
                mode = -1;
            }
            ioHardwareMode_ = mode;
            ioHardwareModeError_ = readError;
            emit ioHardwareModeRead(mode, readError);
            if (ok && !readError.isEmpty()) {
                ok = false;
                message = readError;
            } else if (ok && mode != hardwareMode) {
                ok = false;
                message = QStringLiteral("IO 模式回读不一致：请求 %1，设备 %2").arg(hardwareMode).arg(mode);
            }
        }
    }
    if (ok) {
        message = QStringLiteral("IO 模式已下发");
    }
    emit ioModesApplied(ok, message);
    emit logMessage(ok ? 0 : 2, ok ? QStringLiteral("IO 模式下发完成") : message);
}

void ObstacleCameraWorker::pollActiveRegion() {
    if (!hasCamera()) {
        return;
    }
    activeRegionPollTimer_->stop();
    ActiveConfiguration out;
    QString error;
    const bool ok = bridge_->readActiveConfiguration(out, &error);

    if (out.mode >= 0 && out.mode != algorithmMode_) {
        algorithmMode_ = out.mode;
        emit algorithmStateChanged(algorithmRunning(out.mode), out.mode, QString::fromUtf8(kModeChangedExternally));
        if (ok) {
            refreshAlgorithmVersion();
        }
    }
    if (ok) {
        refreshIoHardwareMode(false);
        if (pendingMaskTemplates_.count(out.templateIndex) != 0) {
            const QString reason = QString::fromUtf8(kPendingMasks).arg(out.templateIndex);
            if (reason != lastActiveUnavailableReason_) {
                emit activeConfigurationUnavailable(reason);
            }
            lastActiveUnavailableReason_ = reason;
            lastActiveWorkstationJson_.clear();
        } else {
            lastActiveUnavailableReason_.clear();
            if (out.workstationJson != lastActiveWorkstationJson_) {
                lastActiveWorkstationJson_ = out.workstationJson;
                emit activeTemplateChanged(out.templateIndex);
                announceActiveConfiguration(out.workstationJson, out.deviceJson, out.mode);
            }
        }
    } else {
        if (error != lastActiveUnavailableReason_ || !lastActiveWorkstationJson_.isEmpty()) {
            emit activeConfigurationUnavailable(error);
        }
        lastActiveUnavailableReason_ = error;
        lastActiveWorkstationJson_.clear();
    }
    if (hasCamera()) {
        restartActiveRegionPoll(ok);
    }
}

void ObstacleCameraWorker::restartActiveRegionPoll(bool lastReadOk) {
    // Failed reads back off: 1, 2, 4 and at most 8 seconds between polls.
    pollFailures_ = lastReadOk ? 0 : std::min(pollFailures_ + 1, kMaxPollFailures);
    activeRegionPollTimer_->start(kActiveRegionPollIntervalMs << pollFailures_);
}

void ObstacleCameraWorker::refreshAlgorithmVersion() {
    QString version;
    if (algorithmMode_ == recommendedMode() && !bridge_->readAlgorithmVersion(version)) {
        version.clear();
    }
    emit algorithmVersionReady(version.trimmed());
}

void ObstacleCameraWorker::refreshIoHardwareMode(bool forced) {
    int mode = -1;
    QString error;
    if (!ioModeSupported()) {
        error = QString::fromUtf8(kIoModeUnsupported);
    } else if (!bridge_->readIoHardwareMode(mode, &error)) {
        mode = -1;
    } else {
        error.clear();
    }
    if (!forced && mode == ioHardwareMode_ && error == ioHardwareModeError_) {
        return;
    }
    ioHardwareMode_ = mode;
    ioHardwareModeError_ = error;
    emit ioHardwareModeRead(mode, error);
}

}  // namespace hazard_desk
