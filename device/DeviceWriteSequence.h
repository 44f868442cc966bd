#pragma once
// The write sequence of one configuration transaction: wait until the
// camera's configuration interface is stable, write the parameter JSON (or,
// for a template switch, write nothing or only select the template), wait
// until the camera reads it back saved, upload V1 masks and reload the
// template, confirm the running template and parameters stay stable, and
// finally confirm the stream delivers fresh frames again.
//
// A small state machine with three waiting phases, each polling every
// kPollStepMs and passing once its check has held for kStabilityWindowMs,
// bounded by kPhaseTimeoutMs from the phase's start. Time, sleep and progress
// come from DeviceWriteTiming. Thread: the camera worker's; one run per object.
#include <QString>

#include <functional>

#include "DeviceWriteRequest.h"
#include "DeviceWriteTiming.h"

namespace hazard_desk {

class ObstacleCameraBridge;

class DeviceWriteSequence {
public:
    static constexpr int kPollStepMs = 100;
    static constexpr int kStabilityWindowMs = 300;
    static constexpr int kPhaseTimeoutMs = 6000;
    static constexpr int kFreshFramesNeeded = 2;

    // Stage texts, in the order a full V1 write meets them.
    static constexpr const char* kStagePausing = "暂停画面与结果刷新";
    static constexpr const char* kStageInterface = "等待设备配置接口稳定";
    static constexpr const char* kStageWrite = "保存参数与启动模板";
    static constexpr const char* kStageSave = "等待设备参数保存确认";
    static constexpr const char* kStageUpload = "上传 V1 掩码";
    static constexpr const char* kStageSelect = "切换并重载 V1 模板";
    static constexpr const char* kStageConfirm = "确认运行模板与参数稳定";
    static constexpr const char* kStageResume = "恢复画面并确认新帧";
    static constexpr const char* kStageDone = "完成";

    DeviceWriteSequence(ObstacleCameraBridge& camera, DeviceWriteTiming timing);

    DeviceWriteResult run(const DeviceWriteRequest& request);

private:
    enum class Phase { InterfaceStable, Save, Confirmation, Confirmed, Failed };

    Phase waitForInterface();
    Phase waitForSave();
    Phase waitForConfirmation();
    void finishConfirmed();
    void finishFailed();
    void resumeStream();

    // Repeats check every kPollStepMs; true once it has passed for
    // kStabilityWindowMs in a row, false when the phase timed out.
    bool holdsStable(const std::function<bool()>& check);
    bool interfaceStable();
    bool readbackMatches(bool strict);
    bool selectTemplate();
    bool fail(const QString& message);
    void enter(const char* stage);

    ObstacleCameraBridge& camera_;
    DeviceWriteTiming timing_;
    DeviceWriteRequest request_;
    DeviceWriteResult result_;
    QString lastError_;
};

}  // namespace hazard_desk
