// The consistent read of the configuration an obstacle camera runs: mode,
// template and parameter text read so that they belong together.
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "CameraCapabilities.h"
#include "DeviceJsonKeys.h"
#include "DeviceJsonReader.h"
#include "DeviceZoneLookup.h"
#include "IssueListFormatter.h"
#include "ObstacleCameraBridge.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonWriter.h"

namespace hazard_desk {

namespace {

constexpr int kWorkstationJsonIndent = 2;

bool isTemplateIndex(long long index)
{
    return index >= ObstacleCameraBridge::kFirstTemplate && index <= ObstacleCameraBridge::kLastTemplate;
}

// True when "Zones" holds the key of template t (any value).
bool holdsTemplateKey(const nlohmann::json& json, int t)
{
    if (!isTemplateIndex(t) || !json.is_object()) {
        return false;
    }
    const auto zones = json.find(device_keys::kZones);
    return zones != json.end() && zones->is_object() && zones->contains(std::to_string(t));
}

}  // namespace

bool ObstacleCameraBridge::readActiveConfiguration(ActiveConfiguration& out, QString* error, int expectedMode)
{
    out = ActiveConfiguration();
    if (error != nullptr) {
        error->clear();
    }
    auto fail = [error](const QString& text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };

    int mode = -1;
    if (!readAlgorithmMode(mode, error)) {
        return false;
    }
    out.mode = mode;
    if (expectedMode >= 0 && mode != expectedMode) {
        return fail(QStringLiteral("当前算法与相机型号不匹配，请先切换算法"));
    }
    if (mode != kModeV1 && mode != kModeV2) {
        return fail(QStringLiteral("当前未运行避障算法"));
    }

    const bool templateControl = algPlatform::usesTemplateControl(descriptor_.sdkDeviceType, mode);
    int firstIndex = -1;
    if (templateControl && !readActiveTemplate(firstIndex, error)) {
        return false;
    }
    std::string text;
    if (!readAlgorithmParams(text, error)) {
        return false;
    }
    int secondIndex = -1;
    if (templateControl && !readActiveTemplate(secondIndex, error)) {
        return false;
    }
    int secondMode = -1;
    if (!readAlgorithmMode(secondMode, error)) {
        return false;
    }
    if (mode != secondMode || (templateControl && firstIndex != secondIndex)) {
        return fail(QStringLiteral("设备模板正在切换，等待下一次查询"));
    }
    if (QString::fromStdString(text).trimmed().isEmpty()) {
        return fail(QStringLiteral("设备返回空的避障参数，本次回读失败"));
    }

    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    const int jsonIndex = json.is_discarded() ? -1 : validZoneIndex(json);
    const int active = templateControl ? resolveActiveTemplate(firstIndex, jsonIndex) : jsonIndex;
    if (json.is_discarded() || !holdsTemplateKey(json, active)) {
        return fail(QStringLiteral("设备未返回当前模板 %1 的区域参数").arg(active));
    }

    json[device_keys::kZoneIndex] = active;
    try {
        const WorkstationDocument document =
            parseDeviceDocument(json, mode != kModeV1 ? AlgorithmVersion::V2 : AlgorithmVersion::V1, false);
        out.workstationJson = QString::fromStdString(dumpWorkstationDocument(document, kWorkstationJsonIndent));
    } catch (const ParameterValidationError& invalid) {
        // The camera's parameters do not make a valid document: report why
        // instead of letting the exception reach the worker's event loop.
        log().warn("Obstacle parameters of the camera are not a valid document, ip={}, issues={}", device_info_.ip,
                   invalid.what());
        return fail(QString::fromStdString(formatIssueList(invalid.issues())));
    } catch (const std::exception& failure) {
        log().error("Obstacle parameters of the camera could not be converted, ip={}, error={}", device_info_.ip,
                    failure.what());
        return fail(QString::fromStdString(failure.what()));
    }
    out.templateIndex = active;
    out.mode = mode;
    out.deviceJson = QString::fromStdString(text);
    return true;
}

}  // namespace hazard_desk
