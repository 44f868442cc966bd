#include "ConfigurationApplyPlan.h"

#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "DeviceJsonKeys.h"
#include "DeviceJsonWriter.h"
#include "DocumentValidator.h"
#include "IssueListFormatter.h"
#include "ObstacleCameraBridge.h"
#include "ParameterValidationError.h"
#include "V1MaskFileWriter.h"
#include "WorkerMessages.h"
#include "WorkstationJsonReader.h"

namespace hazard_desk {

namespace {

constexpr const char* kInvalidBaseline = "设备返回的算法参数不是有效 JSON 对象";

}  // namespace

ConfigurationApplyPlan::ConfigurationApplyPlan(ObstacleCameraBridge& camera, int targetMode, bool v1MaskPath)
    : camera_(camera), targetMode_(targetMode), v1MaskPath_(v1MaskPath)
{
}

ConfigurationApplyPlan::~ConfigurationApplyPlan() = default;

QString ConfigurationApplyPlan::maskDirectory() const
{
    return masks_ ? masks_->directory() : QString();
}

bool ConfigurationApplyPlan::prepare(const QString& workstationJson)
{
    try {
        return prepareSteps(workstationJson);
    } catch (const ParameterValidationError& invalid) {
        // The merge refuses a baseline it cannot carry (too deeply nested).
        return fail(QString::fromStdString(formatIssueList(invalid.issues())));
    } catch (const std::exception& failure) {
        return fail(QString::fromUtf8(failure.what()));
    }
}

bool ConfigurationApplyPlan::prepareSteps(const QString& workstationJson)
{
    stage_ = QString::fromUtf8(kStageParse);
    const QByteArray text = workstationJson.toUtf8();
    WorkstationDocument document;
    try {
        document = parseWorkstationDocumentText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    } catch (const std::exception& failure) {
        return fail(QString::fromUtf8(failure.what()));
    }

    stage_ = QString::fromUtf8(kStageValidate);
    document.algorithmVersion = targetMode_ == ObstacleCameraBridge::kModeV1 ? AlgorithmVersion::V1 : AlgorithmVersion::V2;
    const ValidationIssueList issues = validateWorkstationDocument(document);
    if (!issues.empty()) {
        return fail(QString::fromStdString(formatIssueList(issues)));
    }

    stage_ = QString::fromUtf8(kStageReadMode);
    QString error;
    int mode = -1;
    if (!camera_.readAlgorithmMode(mode, &error)) {
        return fail(error);
    }
    cameraMode_ = mode;
    // A model that offers no obstacle algorithm has target 0: a camera that
    // runs none is no match for it either.
    if (mode != targetMode_ || !worker_messages::algorithmRunning(targetMode_)) {
        modeMismatch_ = true;
        stage_ = QString::fromUtf8(kStageSetMode);
        return fail(QString::fromUtf8(worker_messages::kModeMismatch));
    }

    stage_ = QString::fromUtf8(kStageBaseline);
    std::string baselineText;
    if (!camera_.readAlgorithmParams(baselineText, &error)) {
        return fail(error);
    }
    const nlohmann::json baseline = nlohmann::json::parse(baselineText, nullptr, false);
    if (!baseline.is_object()) {
        return fail(QString::fromUtf8(kInvalidBaseline));
    }
    nlohmann::json deviceJson = mergeActiveTemplate(document, baseline);
    deviceJson[device_keys::kZoneIndex] = document.activeIndex;

    QStringList maskFiles;
    if (v1MaskPath_) {
        masks_ = std::make_unique<V1MaskFileWriter>();
        bool written = false;
        try {
            written = masks_->write(camera_, document, document.activeIndex);
        } catch (const std::exception& failure) {
            stage_ = masks_->stage();
            return fail(QString::fromUtf8(failure.what()));
        }
        if (!written) {
            stage_ = masks_->stage();
            return fail(masks_->message());
        }
        maskFiles = masks_->files();
    }

    request_ = DeviceWriteRequest();
    request_.mode = targetMode_;
    request_.templateIndex = document.activeIndex;
    request_.usesTemplateControl = v1MaskPath_;
    request_.checkFirst = false;
    request_.deviceJson = std::move(deviceJson);
    request_.maskFiles = maskFiles;
    return true;
}

bool ConfigurationApplyPlan::fail(const QString& message)
{
    message_ = message;
    return false;
}

}  // namespace hazard_desk
