#include "DeviceWriteSequence.h"

#include <exception>
#include <string>
#include <utility>

#include "DeviceZoneLookup.h"
#include "ObstacleCameraBridge.h"
#include "ReadbackComparison.h"

namespace hazard_desk {

namespace {

constexpr const char* kInvalidJson = "设备返回的算法参数不是有效 JSON 对象";
constexpr const char* kTimedOut = "等待设备配置稳定超时";

QString modeChanged(int expected, int actual)
{
    return QStringLiteral("设备算法模式已变化：期望 %1，实际 %2").arg(expected).arg(actual);
}

}  // namespace

DeviceWriteSequence::DeviceWriteSequence(ObstacleCameraBridge& camera, DeviceWriteTiming timing)
    : camera_(camera), timing_(std::move(timing))
{
}

DeviceWriteResult DeviceWriteSequence::run(const DeviceWriteRequest& request)
{
    request_ = request;
    result_ = DeviceWriteResult();
    result_.streaming = request.wasStreaming;
    lastError_.clear();

    Phase phase = Phase::InterfaceStable;
    try {
        enter(kStagePausing);
        enter(kStageInterface);
        while (phase != Phase::Confirmed && phase != Phase::Failed) {
            switch (phase) {
            case Phase::InterfaceStable: phase = waitForInterface(); break;
            case Phase::Save: phase = waitForSave(); break;
            case Phase::Confirmation: phase = waitForConfirmation(); break;
            case Phase::Confirmed:
            case Phase::Failed: break;
            }
        }
    } catch (const std::exception& failure) {
        // Nothing below throws by design; should the JSON library or an
        // allocation do so, the write still ends as a named failure and the
        // stream is still resumed.
        lastError_ = QString::fromUtf8(failure.what());
        phase = Phase::Failed;
    }
    if (phase == Phase::Confirmed) {
        finishConfirmed();
    } else {
        finishFailed();
    }
    return result_;
}

DeviceWriteSequence::Phase DeviceWriteSequence::waitForInterface()
{
    if (!holdsStable([this] { return interfaceStable(); })) {
        return Phase::Failed;
    }
    if (request_.checkFirst) {
        if (readbackMatches(true)) {
            return Phase::Confirmation;
        }
        if (request_.usesTemplateControl) {
            enter(kStageSelect);
            return selectTemplate() ? Phase::Confirmation : Phase::Failed;
        }
    }
    enter(kStageWrite);
    QString error;
    if (!camera_.writeAlgorithmParams(compactJson(request_.deviceJson), &error)) {
        fail(error);
        return Phase::Failed;
    }
    enter(kStageSave);
    return Phase::Save;
}

DeviceWriteSequence::Phase DeviceWriteSequence::waitForSave()
{
    if (!holdsStable([this] { return readbackMatches(false); })) {
        return Phase::Failed;
    }
    result_.saved = true;
    if (!request_.maskFiles.isEmpty()) {
        enter(kStageUpload);
        result_.masksAttempted = true;
        QString error;
        if (!camera_.uploadV1Masks(request_.maskFiles, &error)) {
            fail(error);
            return Phase::Failed;
        }
        result_.masksUploaded = true;
    }
    if (request_.usesTemplateControl) {
        enter(kStageSelect);
        if (!selectTemplate()) {
            return Phase::Failed;
        }
    }
    return Phase::Confirmation;
}

DeviceWriteSequence::Phase DeviceWriteSequence::waitForConfirmation()
{
    enter(kStageConfirm);
    return holdsStable([this] { return readbackMatches(true); }) ? Phase::Confirmed : Phase::Failed;
}

void DeviceWriteSequence::finishConfirmed()
{
    result_.ok = true;
    result_.saved = true;
    result_.message.clear();
    resumeStream();
    if (result_.ok) {
        enter(kStageDone);
    }
}

void DeviceWriteSequence::finishFailed()
{
    result_.message = lastError_.isEmpty() ? QString::fromUtf8(kTimedOut) : lastError_;
    resumeStream();
    result_.ok = false;
}

void DeviceWriteSequence::resumeStream()
{
    if (!request_.wasStreaming) {
        return;
    }
    const QString stage = result_.stage;
    const QString message = result_.message;
    enter(kStageResume);

    const qint64 start = timing_.elapsedMs();
    int freshFrames = 0;
    QString probeError;
    do {
        QString error;
        if (camera_.probeFrame(&error)) {
            // A successful probe has waited for a new frame: the next one is
            // paced by the camera, not by a sleep.
            if (++freshFrames >= kFreshFramesNeeded) {
                result_.streamResumed = true;
                break;
            }
            continue;
        }
        freshFrames = 0;
        probeError = error;
        timing_.sleepMs(kPollStepMs);
    } while (timing_.elapsedMs() - start < kPhaseTimeoutMs);

    if (!result_.streamResumed) {
        const QString unconfirmed = QStringLiteral("数据流恢复未确认：%1").arg(probeError);
        result_.message = message.isEmpty() ? unconfirmed : message + QStringLiteral("；") + unconfirmed;
        result_.ok = false;
    }
    // A write that had already failed keeps naming the stage it failed at,
    // whether or not the stream came back.
    if (!message.isEmpty()) {
        result_.stage = stage;
    }
}

bool DeviceWriteSequence::holdsStable(const std::function<bool()>& check)
{
    const qint64 phaseStart = timing_.elapsedMs();
    qint64 stableSince = -1;
    do {
        const qint64 attemptStart = timing_.elapsedMs();
        if (check()) {
            if (stableSince < 0) {
                stableSince = attemptStart;
            }
            if (timing_.elapsedMs() - stableSince >= kStabilityWindowMs) {
                return true;
            }
        } else {
            stableSince = -1;
        }
        timing_.sleepMs(kPollStepMs);
    } while (timing_.elapsedMs() - phaseStart < kPhaseTimeoutMs);
    return false;
}

bool DeviceWriteSequence::interfaceStable()
{
    int mode = -1;
    QString error;
    if (!camera_.readAlgorithmMode(mode, &error)) {
        return fail(error);
    }
    if (mode != request_.mode) {
        return fail(modeChanged(request_.mode, mode));
    }
    std::string text;
    if (!camera_.readAlgorithmParams(text, &error)) {
        return fail(error);
    }
    if (!nlohmann::json::parse(text, nullptr, false).is_object()) {
        return fail(QString::fromUtf8(kInvalidJson));
    }
    return true;
}

bool DeviceWriteSequence::readbackMatches(bool strict)
{
    int mode = -1;
    QString error;
    if (!camera_.readAlgorithmMode(mode, &error)) {
        return fail(error);
    }
    if (mode != request_.mode) {
        return fail(modeChanged(request_.mode, mode));
    }
    std::string text;
    if (!camera_.readAlgorithmParams(text, &error)) {
        return fail(error);
    }
    result_.readbackJson = QString::fromStdString(text);
    const nlohmann::json readBack = nlohmann::json::parse(text, nullptr, false);
    const int zoneIndex = validZoneIndex(readBack);
    if (zoneIndex != request_.templateIndex) {
        return fail(QStringLiteral("启动模板未保存：期望 %1，回读 %2").arg(request_.templateIndex).arg(zoneIndex));
    }
    const FieldDifferenceList differences = compareReadback(request_.deviceJson, readBack, request_.templateIndex);
    if (!differences.empty()) {
        return fail(QStringLiteral("设备回读参数与本次下发不一致：%1")
                        .arg(QString::fromStdString(describeDifferences(differences))));
    }
    result_.templateIndex = zoneIndex;
    if (strict && request_.usesTemplateControl) {
        int active = -1;
        if (!camera_.readActiveTemplate(active, &error)) {
            return fail(error);
        }
        if (active != request_.templateIndex) {
            return fail(QStringLiteral("模板切换未确认：目标 %1，设备当前 %2").arg(request_.templateIndex).arg(active));
        }
    }
    return true;
}

bool DeviceWriteSequence::selectTemplate()
{
    QString error;
    return camera_.selectTemplate(request_.templateIndex, &error) || fail(error);
}

bool DeviceWriteSequence::fail(const QString& message)
{
    lastError_ = message;
    return false;
}

void DeviceWriteSequence::enter(const char* stage)
{
    result_.stage = QString::fromUtf8(stage);
    if (timing_.progress) {
        timing_.progress(result_.stage);
    }
}

}  // namespace hazard_desk
