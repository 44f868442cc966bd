#include "VirtualCamera.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "DeviceJson.h"
#include "MaskFiles.h"
#include "SimLog.h"
#include "StateStore.h"
#include "ZrCameraParams.h"

namespace zrsim {

namespace {

void copyText(char* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

VirtualCamera::VirtualCamera(const CameraSetup& setup, uint32_t index, std::vector<SceneObject> objects,
                             std::chrono::steady_clock::time_point epoch, std::shared_ptr<StateStore> store)
    : state_(setup, index), frames_(state_, std::move(objects), epoch) {
    state_.store = store;
    if (store) {
        std::string error;
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (auto saved = store->loadState(setup.ip, error)) state_.restore(*saved);
        if (!error.empty()) logWarning(error);
    }
}

VirtualCamera::~VirtualCamera() { frames_.stopStream(); }

ZrDeviceInfo VirtualCamera::record(uint64_t handle) {
    ZrDeviceInfo info;
    std::memset(&info, 0, sizeof(info));
    info.handle = handle;
    info.deviceType = state_.setup.deviceType;
    copyText(info.id, sizeof(info.id), state_.setup.id);
    copyText(info.ip, sizeof(info.ip), state_.setup.ip);
    copyText(info.serial, sizeof(info.serial), state_.setup.serial);
    char mac[32];
    std::snprintf(mac, sizeof(mac), "02:5A:52:00:%02X:%02X", (state_.index >> 8) & 0xFF, state_.index & 0xFF);
    copyText(info.extra1, sizeof(info.extra1), mac);
    copyText(info.firmware, sizeof(info.firmware), state_.setup.firmware);
    copyText(info.algorithmVersion, sizeof(info.algorithmVersion), state_.setup.algorithmVersion);
    copyText(info.name, sizeof(info.name), state_.setup.name);
    copyText(info.extra2, sizeof(info.extra2), "255.0.0.0");
    copyText(info.extra3, sizeof(info.extra3), "127.0.0.1");
    // What a connection reports too: the depth range and whether there is colour.
    info.colorSensor = state_.setup.color ? ZR_COLOR_SENSOR_PRESENT : ZR_COLOR_SENSOR_NONE;
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        info.maxDepthMm = state_.parameters.intValue(ZR_INT_MAX_DEPTH, state_.setup.depth.maxDepthMm);
    }
    return info;
}

int32_t VirtualCamera::open(uint64_t handle) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (state_.faults.openStatus != 0) return state_.faults.openStatus;
    if (state_.openHandle != 0) return ZR_STATUS_DEVICE_BUSY;
    state_.openHandle = handle;
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::close() {
    if (const int32_t status = faultStatus(&FaultSet::closeStatus)) return status;
    shutDown();
    return ZR_STATUS_OK;
}

void VirtualCamera::shutDown() {
    frames_.unregisterCallback();
    frames_.stopStream();
    std::lock_guard<std::mutex> lock(state_.mutex);
    state_.openHandle = 0;
}

int32_t VirtualCamera::faultStatus(int32_t FaultSet::*status) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    return state_.faults.*status;
}

int32_t VirtualCamera::startStream() {
    if (const int32_t status = faultStatus(&FaultSet::streamStartStatus)) return status;
    return frames_.startStream();
}

int32_t VirtualCamera::stopStream() {
    if (const int32_t status = faultStatus(&FaultSet::streamStopStatus)) return status;
    return frames_.stopStream();
}

int32_t VirtualCamera::registerCallback(ZrFrameCallback callback, void* user) {
    if (const int32_t status = faultStatus(&FaultSet::callbackRegisterStatus)) return status;
    return frames_.registerCallback(callback, user);
}

int32_t VirtualCamera::gpuEnableStatus() { return faultStatus(&FaultSet::gpuEnableStatus); }

int32_t VirtualCamera::unsupportedStatus(int32_t id) const {
    const auto it = state_.faults.unsupported.find(id);
    return it == state_.faults.unsupported.end() ? 0 : it->second;
}

int32_t VirtualCamera::setFaults(const nlohmann::json& faults, std::string& error) {
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (!mergeFaults(faults, state_.faults, error)) return ZR_STATUS_INVALID_ARGUMENT;
        if (!state_.faults.framesStopAfterWrite) state_.framesStalled = false;
    }
    if (faults.contains("reconnectAfterFrames") || faults.contains("reconnectMs")) frames_.rearmReconnect();
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::command(int32_t id) {
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (const int32_t status = unsupportedStatus(id)) return status;
    }
    switch (id) {
    case ZR_CMD_GET_NEW_FRAME:
    case ZR_CMD_GET_NEW_FRAME_3D:
    case ZR_CMD_GET_NEW_FRAME_2D: return frames_.frameCommand();
    case ZR_CMD_RETURN_VERSION:
    case ZR_CMD_SOFTWARE_TRIGGER: return ZR_STATUS_OK;
    case ZR_CMD_RESTART_DEVICE: return frames_.stopStream();
    case ZR_CMD_RESET_PARAM: {
        std::lock_guard<std::mutex> lock(state_.mutex);
        state_.parameters.reset();
        state_.parameters.intParameter(ZR_INT_ALGORITHM_MODE)->current = state_.algorithmMode;
        state_.colorStreamEnabled = false;
        return ZR_STATUS_OK;
    }
    default: return id >= kZrCommandIdFirst && id < kZrCommandIdEnd ? ZR_STATUS_NOT_SUPPORTED : ZR_STATUS_INVALID_ARGUMENT;
    }
}

int32_t VirtualCamera::getInt(int32_t id, ZrIntValue& value) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    IntParameter* p = state_.parameters.intParameter(id);
    if (!p) return id >= kZrIntIdFirst && id < kZrIntIdEnd ? ZR_STATUS_NOT_SUPPORTED : ZR_STATUS_INVALID_ARGUMENT;
    value = ZrIntValue{};
    value.kind = 1;
    value.current = p->current;
    value.maximum = p->maximum;
    value.minimum = p->minimum;
    value.step = p->step;
    if (id == ZR_INT_ALGORITHM_MODE) {
        if (state_.modeReadsLeft > 0) {
            --state_.modeReadsLeft;
            value.current = state_.previousMode;
        } else {
            value.current = state_.algorithmMode;
        }
    } else if ((id == ZR_INT_3D_IMAGE_WIDTH || id == ZR_INT_3D_IMAGE_HEIGHT) && state_.depthBinned()) {
        value.current = value.maximum = value.minimum = p->current / 2;
    } else if (id == ZR_INT_IO_OUTPUT_STATUS) {
        value.current = state_.parameters.intValue(ZR_INT_IO_WORK_MODE, 0) == 0
                            ? state_.outputBits
                            : state_.parameters.intValue(ZR_INT_IO_OUTPUT_STATE, 0);
    }
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::getFloat(int32_t id, ZrFloatValue& value) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    FloatParameter* p = state_.parameters.floatParameter(id);
    if (!p) return id >= kZrFloatIdFirst && id < kZrFloatIdEnd ? ZR_STATUS_NOT_SUPPORTED : ZR_STATUS_INVALID_ARGUMENT;
    value = ZrFloatValue{};
    value.kind = 2;
    value.current = p->current;
    value.maximum = p->maximum;
    value.minimum = p->minimum;
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::setInt(int32_t id, int32_t value) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    if (id == ZR_INT_ALGORITHM_MODE) {
        if (!state_.traits.modeAllowed(value)) return ZR_STATUS_INVALID_ARGUMENT;
        state_.previousMode = state_.algorithmMode;
        state_.modeReadsLeft = state_.faults.modeConfirmReads;
        state_.algorithmMode = value;
        state_.parameters.intParameter(id)->current = value;
        state_.persist();
        return ZR_STATUS_OK;
    }
    if (id == ZR_INT_IO_HARDWARE_WORK_MODE && state_.faults.ioHardwareModeIgnored) return ZR_STATUS_OK;
    const int32_t status = state_.parameters.setInt(id, value);
    if (status != ZR_STATUS_OK) return status;
    if (id == ZR_INT_IO_OUTPUT_STATE && state_.parameters.intValue(ZR_INT_IO_WORK_MODE, 0) == 1) {
        state_.outputBits = value;
    }
    if (id == ZR_INT_IO_WORK_MODE || id == ZR_INT_IO_HARDWARE_WORK_MODE) state_.persist();
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::setFloat(int32_t id, float value) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    return state_.parameters.setFloat(id, value);
}

int32_t VirtualCamera::setBool(int32_t id, bool value) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    if (id == ZR_BOOL_ENABLE_2D_STREAM) {
        if (!state_.setup.color) return ZR_STATUS_NOT_SUPPORTED;
        if (state_.faults.colorUnavailable && value) return ZR_STATUS_UNAVAILABLE;
        state_.colorStreamEnabled = value;
    }
    return state_.parameters.setBool(id, value);
}

int32_t VirtualCamera::writeAlgorithmParams(const std::string& text, std::string& error) {
    const int32_t status =
        state_.algorithmParams.write(text, CameraState::Clock::now(), state_.faults, error);
    if (status == ZR_STATUS_OK && !state_.faults.neverSaves) state_.persist();
    if (status == ZR_STATUS_OK && state_.faults.framesStopAfterWrite) state_.framesStalled = true;
    return status;
}

int32_t VirtualCamera::setString(int32_t id, const std::string& value, std::string& error) {
    std::unique_lock<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    switch (id) {
    case ZR_STRING_ALGORITHM_PARAMS:
        if (!state_.traits.hasAlgorithm()) return ZR_STATUS_NOT_SUPPORTED;
        return writeAlgorithmParams(value, error);
    case ZR_STRING_CUSTOM_ID:
        if (value.size() > 31) {
            error = "custom id longer than 31 bytes (" + std::to_string(value.size()) + ")";
            return ZR_STATUS_INVALID_ARGUMENT;
        }
        state_.customId = value;
        return ZR_STATUS_OK;
    case ZR_STRING_FILTER_PARAMS: {
        const auto parsed = nlohmann::json::parse(value, nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object()) {
            error = "filter parameters are not a JSON object";
            return ZR_STATUS_INVALID_ARGUMENT;
        }
        state_.filterParams = parsed.dump();
        return ZR_STATUS_OK;
    }
    case ZR_STRING_IMPORT_PARAMS_FROM_FILE: {
        if (!state_.traits.hasAlgorithm()) return ZR_STATUS_NOT_SUPPORTED;
        std::ifstream in(value, std::ios::binary);
        if (!in) {
            error = "cannot read parameter file '" + value + "'";
            return ZR_STATUS_FILE_ERROR;
        }
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return writeAlgorithmParams(text, error);
    }
    case ZR_STRING_EXPORT_PARAMS_TO_FILE: {
        if (!state_.traits.hasAlgorithm()) return ZR_STATUS_NOT_SUPPORTED;
        const std::string text = state_.algorithmParams.text(CameraState::Clock::now());
        lock.unlock();
        return writeFileAtomically(value, text, error) ? ZR_STATUS_OK : ZR_STATUS_FILE_ERROR;
    }
    case ZR_STRING_DEVICE_VERSION:
    case ZR_STRING_FIRMWARE_NAME:
    case ZR_STRING_ALGORITHM_VERSION:
    case ZR_STRING_DEVICE_OS_VERSION: return ZR_STATUS_REFUSED;
    default:
        return id >= kZrStringIdFirst && id < kZrStringIdEnd ? ZR_STATUS_NOT_SUPPORTED : ZR_STATUS_INVALID_ARGUMENT;
    }
}

int32_t VirtualCamera::getString(int32_t id, std::string& value) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    if (const int32_t status = unsupportedStatus(id)) return status;
    switch (id) {
    case ZR_STRING_DEVICE_VERSION: value = state_.setup.firmware; return ZR_STATUS_OK;
    case ZR_STRING_FIRMWARE_NAME: value = "ZR" + std::to_string(state_.setup.deviceType) + "-fw"; return ZR_STATUS_OK;
    case ZR_STRING_DEVICE_OS_VERSION: value = "Linux 5.10 (virtual camera)"; return ZR_STATUS_OK;
    case ZR_STRING_CUSTOM_ID: value = state_.customId; return ZR_STATUS_OK;
    case ZR_STRING_FILTER_PARAMS: value = state_.filterParams; return ZR_STATUS_OK;
    case ZR_STRING_ALGORITHM_VERSION:
        if (!state_.traits.hasAlgorithm()) return ZR_STATUS_NOT_SUPPORTED;
        value = state_.setup.algorithmVersion;
        return ZR_STATUS_OK;
    case ZR_STRING_ALGORITHM_PARAMS:
        if (!state_.traits.hasAlgorithm()) return ZR_STATUS_NOT_SUPPORTED;
        value = state_.algorithmParams.text(CameraState::Clock::now());
        return ZR_STATUS_OK;
    default:
        return id >= kZrStringIdFirst && id < kZrStringIdEnd ? ZR_STATUS_NOT_SUPPORTED : ZR_STATUS_INVALID_ARGUMENT;
    }
}

bool VirtualCamera::answersWithoutText(int32_t id) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    return state_.faults.nullTexts.count(id) != 0;
}

int32_t VirtualCamera::getPointer(int32_t id, void** value) {
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (const int32_t status = unsupportedStatus(id)) return status;
        const bool color = state_.setup.color.has_value();
        switch (id) {
        case ZR_PTR_3D_INTRIC_PARAM:
        case ZR_PTR_3D_NEW_INTRIC_PARAM:
            *value = state_.depthBinned() ? &state_.binnedDepthIntrinsics : &state_.depthIntrinsics;
            return ZR_STATUS_OK;
        case ZR_PTR_3D_PINHOLE_PARAM: *value = &state_.pinhole; return ZR_STATUS_OK;
        case ZR_PTR_3D_INTRINSIC_PARAMETERS: *value = &state_.depthModel; return ZR_STATUS_OK;
        case ZR_PTR_2D_INTRIC_PARAM:
        case ZR_PTR_2D_NEW_INTRIC_PARAM:
            if (!color) return ZR_STATUS_UNAVAILABLE;
            *value = &state_.colorIntrinsics;
            return ZR_STATUS_OK;
        case ZR_PTR_2D_INTRINSIC_PARAMETERS:
            if (!color) return ZR_STATUS_UNAVAILABLE;
            *value = &state_.colorModel;
            return ZR_STATUS_OK;
        case ZR_PTR_3D_EXTRIC_PARAM:
            if (!color) return ZR_STATUS_UNAVAILABLE;
            *value = state_.extrinsics2d;
            return ZR_STATUS_OK;
        case ZR_PTR_IMU_EXTRIC_PARAM:
        case ZR_PTR_XYZIRT_DATA: return ZR_STATUS_NOT_SUPPORTED;
        default: break;
        }
    }
    if (id < kZrPointerIdFirst) return ZR_STATUS_INVALID_ARGUMENT;
    return frames_.pointer(id, frames_.currentFrame(), value);
}

int32_t VirtualCamera::getFramePointer(uint64_t frameHandle, int32_t id, void** value) {
    if (const int32_t status = faultStatus(&FaultSet::frameHandleReadStatus)) return status;
    auto frame = frames_.findFrame(frameHandle);
    if (!frame) return ZR_STATUS_INVALID_HANDLE;
    return frames_.pointer(id, frame, value);
}

int32_t VirtualCamera::special(const std::string& name, int32_t* data) {
    std::lock_guard<std::mutex> lock(state_.mutex);
    const bool known = name == ZR_SPECIAL_SET_OBSTACLE_MODE || name == ZR_SPECIAL_GET_OBSTACLE_INDEX ||
                       name == ZR_SPECIAL_GET_OBSTACLE_IO;
    if (!known || !state_.traits.hasAlgorithm()) return ZR_STATUS_NOT_SUPPORTED;
    const int jsonIndex = zoneIndexOf(state_.algorithmParams.current(CameraState::Clock::now()));
    const int running = state_.traits.maskTemplates ? state_.obstacleIndex : jsonIndex;
    if (name == ZR_SPECIAL_SET_OBSTACLE_MODE) {
        if (*data < 0 || *data > 19) return ZR_STATUS_INVALID_ARGUMENT;
        state_.previousIndex = running;
        state_.indexReadsLeft = state_.faults.templateSwitchReads;
        state_.obstacleIndex = *data;
        state_.algorithmParams.setZoneIndex(*data);
        state_.persist();
        return ZR_STATUS_OK;
    }
    if (name == ZR_SPECIAL_GET_OBSTACLE_INDEX) {
        if (state_.indexReadsLeft > 0) {
            --state_.indexReadsLeft;
            *data = state_.previousIndex;
        } else {
            *data = running;
        }
        return ZR_STATUS_OK;
    }
    *data = state_.algorithmMode == 1 || state_.algorithmMode == 4 ? state_.lastIoStatus : 0;
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::upload(const std::vector<std::string>& paths, std::string& error) {
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (state_.faults.uploadStatus != 0) {
            error = "upload refused by fault 'uploadFails'";
            return state_.faults.uploadStatus;
        }
        if (!state_.traits.maskTemplates) {
            error = "camera " + state_.setup.ip + " takes no mask files";
            return ZR_STATUS_NOT_SUPPORTED;
        }
    }
    if (paths.empty()) {
        error = "no files to upload";
        return ZR_STATUS_INVALID_ARGUMENT;
    }
    const int w = state_.setup.depth.width, h = state_.setup.depth.height;
    std::map<int, TemplateMasks> sets;
    std::vector<std::pair<std::string, const std::vector<uint16_t>*>> toStore;
    for (const std::string& path : paths) {
        MaskFileName name;
        if (!parseMaskFileName(path, name)) {
            error = "'" + path + "' is not a mask file name (<kind><template>.pgm)";
            return ZR_STATUS_FILE_ERROR;
        }
        int fw = 0, fh = 0;
        std::vector<uint16_t> pixels;
        if (!readPgm16(path, fw, fh, pixels, error)) return ZR_STATUS_FILE_ERROR;
        if (fw != w || fh != h) {
            error = "mask '" + path + "' is " + std::to_string(fw) + "x" + std::to_string(fh) + ", the sensor is " +
                    std::to_string(w) + "x" + std::to_string(h);
            return ZR_STATUS_FILE_ERROR;
        }
        auto& level = sets[name.templateIndex].levels[name.level];
        if (!level) level = MaskPair{};
        (name.far ? level->far : level->near) = std::move(pixels);
    }
    for (const auto& [templateIndex, set] : sets) {
        for (int level = 0; level < 3; ++level) {
            if (set.levels[level] && (set.levels[level]->far.empty() || set.levels[level]->near.empty())) {
                error = "template " + std::to_string(templateIndex) + " has only one of " +
                        maskFileName(level, true, templateIndex) + " and " + maskFileName(level, false, templateIndex);
                return ZR_STATUS_FILE_ERROR;
            }
        }
    }
    std::lock_guard<std::mutex> lock(state_.mutex);
    for (auto& [templateIndex, set] : sets) {
        if (state_.store) {
            for (int level = 0; level < 3; ++level) {
                if (!set.levels[level]) continue;
                std::string storeError;
                for (bool far : {true, false}) {
                    const auto& pixels = far ? set.levels[level]->far : set.levels[level]->near;
                    if (!state_.store->saveMask(state_.setup.ip, maskFileName(level, far, templateIndex), w, h, pixels,
                                                storeError)) {
                        logError("mask of camera " + state_.setup.ip + " not persisted: " + storeError);
                    }
                }
            }
        }
        state_.masks[templateIndex] = std::make_shared<const TemplateMasks>(std::move(set));
    }
    state_.persist();
    return ZR_STATUS_OK;
}

int32_t VirtualCamera::mask(const std::string& maskFileName, std::vector<uint16_t>& pixels, std::string& error) {
    MaskFileName name;
    if (!parseMaskFileName(maskFileName, name)) {
        error = "'" + maskFileName + "' is not a mask file name";
        return ZR_STATUS_INVALID_ARGUMENT;
    }
    std::lock_guard<std::mutex> lock(state_.mutex);
    const auto set = state_.masks.find(name.templateIndex);
    if (set == state_.masks.end() || !set->second->levels[name.level]) {
        error = "camera " + state_.setup.ip + " holds no mask " + maskFileName;
        return ZR_STATUS_UNAVAILABLE;
    }
    pixels = name.far ? set->second->levels[name.level]->far : set->second->levels[name.level]->near;
    return ZR_STATUS_OK;
}

}  // namespace zrsim
