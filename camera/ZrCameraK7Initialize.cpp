// Configuration of ZrCameraK7: image geometry, SDK settings (typed maps or
// an ordered call list) and the intrinsics.
#include "ZrCameraK7.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include <nlohmann/json.hpp>

#include "SdkConfiguration.h"
#include "SdkValueConversion.h"
#include "ZrCameraApi.h"

namespace algPlatform {

namespace {

// Statuses of a configuration write or read that are logged and skipped.
bool isSkippableStatus(std::int32_t status)
{
    return status == ZR_STATUS_RECONNECTING || status == ZR_STATUS_NOT_SUPPORTED;
}

// Statuses of an optional read that need no diagnostic.
bool isQuietOptionalStatus(std::int32_t status)
{
    return status == ZR_STATUS_NOT_SUPPORTED || status == ZR_STATUS_OK || status == ZR_STATUS_NOT_READY;
}

// Answers to enabling the colour stream that mean the camera has no colour.
bool meansNoColor(std::int32_t status)
{
    return status == ZR_STATUS_UNAVAILABLE || status == ZR_STATUS_NOT_SUPPORTED || status == ZR_STATUS_NOT_READY;
}

}  // namespace

std::int32_t ZrCameraK7::initialize(const std::string& configuration)
{
    const std::int32_t status = initializeSteps(configuration);
    // Also after a failed step: the geometry read so far is what frames use.
    publishIntrinsics();
    return status;
}

std::int32_t ZrCameraK7::initializeSteps(const std::string& configuration)
{
    const std::uint64_t handle = device_info_.handle;

    // 1. Depth geometry.
    const std::pair<std::int32_t, const char*> depthReads[] = {
        {ZR_INT_3D_IMAGE_WIDTH, "DcGetIntValue(device_info_.handle, ZR_INT_3D_IMAGE_WIDTH, &int_value)"},
        {ZR_INT_3D_IMAGE_HEIGHT, "DcGetIntValue(device_info_.handle, ZR_INT_3D_IMAGE_HEIGHT, &int_value)"},
        {ZR_INT_3D_DEPTH_DATA_TYPE, "DcGetIntValue(device_info_.handle, ZR_INT_3D_DEPTH_DATA_TYPE, &int_value)"},
    };
    std::int32_t* depthTargets[] = {&intrinsics_.depthWidth, &intrinsics_.depthHeight, &intrinsics_.depthType};
    for (std::size_t i = 0; i < 3; ++i) {
        ZrIntValue value{};
        const std::int32_t status = DcGetIntValue(handle, depthReads[i].first, &value);
        if (status != ZR_STATUS_OK) {
            log().error("K7 SDK call failed, expr={}, state={}, error={}, handle={}", depthReads[i].second, status,
                        errorText(status), handle);
            if (!isSkippableStatus(status)) {
                return 1;
            }
            continue;
        }
        *depthTargets[i] = value.current;
    }

    // 2. Optional colour geometry.
    const std::int32_t colorIds[] = {ZR_INT_2D_IMAGE_WIDTH, ZR_INT_2D_IMAGE_HEIGHT, ZR_INT_2D_IMAGE_CHANNEL,
                                     ZR_INT_2D_IMAGE_DATA_TYPE};
    std::int32_t* colorTargets[] = {&intrinsics_.colorWidth, &intrinsics_.colorHeight, &intrinsics_.colorChannels,
                                    &intrinsics_.colorType};
    for (std::size_t i = 0; i < 4; ++i) {
        ZrIntValue value{};
        const std::int32_t status = DcGetIntValue(handle, colorIds[i], &value);
        *colorTargets[i] = status == ZR_STATUS_OK ? value.current : 0;
        if (!isQuietOptionalStatus(status)) {
            log().warn("K7 optional 2D feature unavailable, feature={}, state={}, ip={}", colorIds[i], status,
                       device_info_.ip);
        }
    }

    // 3.
    log().info("K7 initial SDK image parameters, ip={}, handle={}, depth_width={}, depth_height={}, depth_type={}, "
               "color_width={}, color_height={}, color_channels={}, color_type={}",
               device_info_.ip, handle, intrinsics_.depthWidth, intrinsics_.depthHeight, intrinsics_.depthType,
               intrinsics_.colorWidth, intrinsics_.colorHeight, intrinsics_.colorChannels, intrinsics_.colorType);

    // 4. Defaults: the depth stream, and the colour stream when there is colour.
    SdkConfiguration settings;
    settings.bools[ZR_BOOL_ENABLE_3D_DEPTH_STREAM] = {"ZR_BOOL_ENABLE_3D_DEPTH_STREAM", true};
    if (intrinsics_.colorAvailable()) {
        settings.bools[ZR_BOOL_ENABLE_2D_STREAM] = {"ZR_BOOL_ENABLE_2D_STREAM", true};
    }

    // 5. The configuration text; anything but a JSON object keeps the defaults.
    if (!configuration.empty()) {
        const nlohmann::json root = nlohmann::json::parse(configuration, nullptr, false);
        if (root.is_object()) {
            settings.read(root, log(), device_info_.ip);
        }
    }

    // 6. Apply.
    if (settings.orderedMode) {
        if (!settings.orderedValid) {
            return 1;
        }
        if (applyOrderedCalls(settings) != 0) {
            return 1;
        }
    } else if (applySettingMaps(settings) != 0) {
        return 1;
    }

    // 7.
    const std::int32_t status = InitIntrinsics();
    if (status != 0) {
        log().error("InitIntrinsics failed, ip={}, handle={}", device_info_.ip, handle);
        return status;
    }
    return 0;
}

std::int32_t ZrCameraK7::applySettingMaps(const SdkConfiguration& settings)
{
    const std::uint64_t handle = device_info_.handle;
    auto finish = [this](const std::string& name, std::int32_t status) {
        if (status == ZR_STATUS_OK) {
            return true;
        }
        logFailure(name, status);
        return isSkippableStatus(status);
    };

    for (const auto& [id, setting] : settings.ints) {
        const std::int32_t value = SdkValueConversion::toInt(setting.value).value_or(0);
        log().info("K7 apply SDK int param, name={}, cmd={}, value={}, ip={}, handle={}", setting.name, id, value,
                   device_info_.ip, handle);
        if (!finish(setting.name, DcSetIntValue(handle, id, value))) {
            return 1;
        }
    }
    for (const auto& [id, setting] : settings.floats) {
        const float value = SdkValueConversion::toFloat(setting.value).value_or(0.0f);
        log().info("K7 apply SDK float param, name={}, cmd={}, value={}, ip={}, handle={}", setting.name, id, value,
                   device_info_.ip, handle);
        if (!finish(setting.name, DcSetFloatValue(handle, id, value))) {
            return 1;
        }
    }
    for (const auto& [id, setting] : settings.texts) {
        const std::string value = SdkValueConversion::toText(setting.value).value_or(std::string());
        log().info("K7 apply SDK string param, name={}, cmd={}, value={}, ip={}, handle={}", setting.name, id,
                   value, device_info_.ip, handle);
        if (!finish(setting.name, DcSetStringValue(handle, id, value.c_str()))) {
            return 1;
        }
    }
    for (const auto& [id, setting] : settings.bools) {
        const bool value = SdkValueConversion::toBool(setting.value).value_or(false);
        const bool colorStream = id == ZR_BOOL_ENABLE_2D_STREAM;
        if (colorStream && !intrinsics_.colorAvailable()) {
            continue;
        }
        log().info("K7 apply SDK bool param, name={}, cmd={}, value={}, ip={}, handle={}", setting.name, id, value,
                   device_info_.ip, handle);
        const std::int32_t status = DcSetBoolValue(handle, id, value);
        if (colorStream && meansNoColor(status)) {
            intrinsics_.clearColor();
            continue;
        }
        if (!finish(setting.name, status)) {
            return 1;
        }
    }
    return 0;
}

std::int32_t ZrCameraK7::applyOrderedCalls(const SdkConfiguration& settings)
{
    const std::uint64_t handle = device_info_.handle;
    std::size_t index = 0;
    for (const OrderedSdkCall& call : settings.calls) {
        const std::size_t current = index++;
        if (call.kind == OrderedSdkCall::Kind::Sleep) {
            orderedDelay(call.delayMs);
            continue;
        }
        auto invalidValue = [&](const char* kindWord) {
            log().error("K7 invalid ordered SDK call, index={}, reason={}, ip={}", current,
                        std::string("invalid ") + kindWord + " value for " + call.name, device_info_.ip);
            return 1;
        };
        std::int32_t status = ZR_STATUS_OK;
        switch (call.kind) {
        case OrderedSdkCall::Kind::Integer: {
            const auto value = SdkValueConversion::toInt(call.value);
            if (!value) {
                return invalidValue("int");
            }
            log().info("K7 apply ordered SDK int call, index={}, name={}, cmd={}, value={}, ip={}, handle={}",
                       current, call.name, call.id, *value, device_info_.ip, handle);
            status = DcSetIntValue(handle, call.id, *value);
            break;
        }
        case OrderedSdkCall::Kind::Float: {
            const auto value = SdkValueConversion::toFloat(call.value);
            if (!value) {
                return invalidValue("float");
            }
            log().info("K7 apply ordered SDK float call, index={}, name={}, cmd={}, value={}, ip={}, handle={}",
                       current, call.name, call.id, *value, device_info_.ip, handle);
            status = DcSetFloatValue(handle, call.id, *value);
            break;
        }
        case OrderedSdkCall::Kind::Boolean: {
            const auto value = SdkValueConversion::toBool(call.value);
            if (!value) {
                return invalidValue("bool");
            }
            log().info("K7 apply ordered SDK bool call, index={}, name={}, cmd={}, value={}, ip={}, handle={}",
                       current, call.name, call.id, *value, device_info_.ip, handle);
            status = DcSetBoolValue(handle, call.id, *value);
            break;
        }
        case OrderedSdkCall::Kind::Text: {
            const auto value = SdkValueConversion::toText(call.value);
            if (!value) {
                return invalidValue("string");
            }
            log().info("K7 apply ordered SDK string call, index={}, name={}, cmd={}, value={}, ip={}, handle={}",
                       current, call.name, call.id, *value, device_info_.ip, handle);
            status = DcSetStringValue(handle, call.id, value->c_str());
            break;
        }
        case OrderedSdkCall::Kind::Sleep:
            break;
        }
        if (status != ZR_STATUS_OK) {
            logFailure(call.name, status);
            if (!isSkippableStatus(status)) {
                return 1;
            }
        }
        if (call.delayMs > 0) {
            orderedDelay(call.delayMs);
        }
    }
    return 0;
}

void ZrCameraK7::orderedDelay(std::int32_t delayMs) const
{
    log().info("K7 ordered SDK delay, delay_ms={}, ip={}, handle={}", delayMs, device_info_.ip, device_info_.handle);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
}

std::int32_t ZrCameraK7::readIntValue(std::int32_t id, std::int32_t& value)
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    ZrIntValue record{};
    const std::int32_t status = DcGetIntValue(device_info_.handle, id, &record);
    if (status != ZR_STATUS_OK) {
        logFailure("DcGetIntValue " + std::to_string(id), status);
        return status;
    }
    value = record.current;
    return ZR_STATUS_OK;
}

std::int32_t ZrCameraK7::readPointerValue(std::int32_t id, void* destination, std::size_t size)
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    void* data = nullptr;
    std::int32_t status = DcGetPtrValue(device_info_.handle, id, &data);
    if (status == ZR_STATUS_OK && data == nullptr) {
        status = ZR_STATUS_UNAVAILABLE;
    }
    if (status != ZR_STATUS_OK) {
        logFailure("DcGetPtrValue " + std::to_string(id), status);
        return status;
    }
    // The data belongs to the library and may change with the next call.
    std::memcpy(destination, data, size);
    return ZR_STATUS_OK;
}

}  // namespace algPlatform
