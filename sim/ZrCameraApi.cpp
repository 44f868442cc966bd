// The SDK's C functions over the virtual cameras. Every call is counted (for
// ZrSim_CallCount), checks its arguments and answers a status; none throws.

#include "ZrCameraApi.h"

#include <string>
#include <vector>

#include "SimLibrary.h"
#include "SimLog.h"

using zrsim::SimLibrary;

namespace {

constexpr const char* kApiVersion = "ZrCameraApi 2.6.0 (Hazard Desk virtual camera)";

SimLibrary& lib() { return SimLibrary::instance(); }

// Exceptions must never cross the C boundary.
template <typename F>
int32_t guarded(const char* function, F&& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        lib().setLastError(std::string(function) + " failed: " + e.what());
        return ZR_STATUS_FAILED;
    } catch (...) {
        lib().setLastError(std::string(function) + " failed with an unknown error");
        return ZR_STATUS_FAILED;
    }
}

}  // namespace

extern "C" {

ZR_API const char* DcGetApiVersion() {
    lib().countCall("DcGetApiVersion", -1);
    return kApiVersion;
}

ZR_API const char* DcGetErrorString(int32_t status) {
    lib().countCall("DcGetErrorString", -1);
    switch (status) {
    case ZR_STATUS_OK: return "success";
    case ZR_STATUS_NOT_READY: return "feature not active";
    case ZR_STATUS_FAILED: return "operation failed";
    case ZR_STATUS_NOT_SUPPORTED: return "parameter or feature not supported by this camera";
    case ZR_STATUS_INVALID_ARGUMENT: return "invalid argument";
    case ZR_STATUS_UNAVAILABLE: return "data or sensor not available";
    case ZR_STATUS_RECONNECTING: return "link lost, reconnecting";
    case ZR_STATUS_INVALID_HANDLE: return "invalid or closed device handle";
    case ZR_STATUS_DEVICE_NOT_FOUND: return "no camera at this address";
    case ZR_STATUS_DEVICE_BUSY: return "camera already opened";
    case ZR_STATUS_NOT_STREAMING: return "stream not started";
    case ZR_STATUS_TIMEOUT: return "no new frame in time";
    case ZR_STATUS_FILE_ERROR: return "file missing, unreadable or of the wrong format or size";
    case ZR_STATUS_LIBRARY_NOT_READY: return lib().sceneErrorText();
    case ZR_STATUS_REFUSED: return "the camera refused the write (read-only parameter)";
    case ZR_STATUS_FRAME_DROPPED: return "frame delivered, older frames dropped";
    case ZR_STATUS_FRAME_INCOMPLETE: return "frame delivered with late packets";
    default: return lib().retainText("status " + std::to_string(status) + " (not a status of this library)");
    }
}

ZR_API int32_t DcSetInfoOutput(int32_t printLevel, int32_t, const char* logDir, int32_t) {
    lib().countCall("DcSetInfoOutput", -1);
    return guarded("DcSetInfoOutput", [&] {
        if (printLevel < 0) return static_cast<int32_t>(ZR_STATUS_INVALID_ARGUMENT);
        const bool ok = zrsim::SimLog::instance().configure(printLevel, logDir ? logDir : "");
        zrsim::logInfo(std::string("log output set, level ") + std::to_string(printLevel));
        return static_cast<int32_t>(ok ? ZR_STATUS_OK : ZR_STATUS_FILE_ERROR);
    });
}

ZR_API int32_t DcSetGpuEnable(bool) {
    lib().countCall("DcSetGpuEnable", -1);
    // The virtual camera renders on the CPU either way; only a fault says no.
    return guarded("DcSetGpuEnable", [] { return lib().gpuEnableStatus(); });
}

ZR_API int32_t DcGetDeviceList(ZrDeviceInfo** devices, int32_t* count, int32_t) {
    lib().countCall("DcGetDeviceList", -1);
    return guarded("DcGetDeviceList", [&] {
        if (!devices || !count) return static_cast<int32_t>(ZR_STATUS_INVALID_ARGUMENT);
        *devices = nullptr;
        *count = 0;
        return lib().deviceList(devices, count);
    });
}

ZR_API int32_t DcOpenDevice(int32_t mode, const char* ip, ZrHandle* handle, ZrDeviceInfo* info) {
    lib().countCall("DcOpenDevice", -1);
    return guarded("DcOpenDevice", [&] {
        if (!ip || !handle || mode != 1) return static_cast<int32_t>(ZR_STATUS_INVALID_ARGUMENT);
        *handle = 0;
        return lib().open(ip, handle, info);
    });
}

ZR_API int32_t DcCloseDevice(ZrHandle handle) {
    lib().countCall("DcCloseDevice", -1);
    return guarded("DcCloseDevice", [&] { return lib().close(handle); });
}

#define ZR_WITH_CAMERA(function, id, body)                                   \
    lib().countCall(function, id);                                           \
    return guarded(function, [&]() -> int32_t {                             \
        int32_t status = 0;                                                  \
        auto camera = lib().byHandle(handle, status);                        \
        if (!camera) return status;                                          \
        body                                                                 \
    })

ZR_API int32_t DcStartStream(ZrHandle handle) {
    ZR_WITH_CAMERA("DcStartStream", -1, { return camera->startStream(); });
}

ZR_API int32_t DcStopStream(ZrHandle handle) {
    ZR_WITH_CAMERA("DcStopStream", -1, { return camera->stopStream(); });
}

ZR_API int32_t DcRegisterFrameCallback(ZrHandle handle, ZrFrameCallback callback, void* user) {
    ZR_WITH_CAMERA("DcRegisterFrameCallback", -1, { return camera->registerCallback(callback, user); });
}

ZR_API int32_t DcUnregisterFrameCallback(ZrHandle handle) {
    ZR_WITH_CAMERA("DcUnregisterFrameCallback", -1, { return camera->unregisterCallback(); });
}

ZR_API int32_t DcSetCmd(ZrHandle handle, int32_t command) {
    ZR_WITH_CAMERA("DcSetCmd", command, { return camera->command(command); });
}

ZR_API int32_t DcGetIntValue(ZrHandle handle, int32_t id, ZrIntValue* value) {
    ZR_WITH_CAMERA("DcGetIntValue", id, {
        if (!value) return ZR_STATUS_INVALID_ARGUMENT;
        return camera->getInt(id, *value);
    });
}

ZR_API int32_t DcGetFloatValue(ZrHandle handle, int32_t id, ZrFloatValue* value) {
    ZR_WITH_CAMERA("DcGetFloatValue", id, {
        if (!value) return ZR_STATUS_INVALID_ARGUMENT;
        return camera->getFloat(id, *value);
    });
}

ZR_API int32_t DcSetIntValue(ZrHandle handle, int32_t id, int32_t value) {
    ZR_WITH_CAMERA("DcSetIntValue", id, { return camera->setInt(id, value); });
}

ZR_API int32_t DcSetFloatValue(ZrHandle handle, int32_t id, float value) {
    ZR_WITH_CAMERA("DcSetFloatValue", id, { return camera->setFloat(id, value); });
}

ZR_API int32_t DcSetBoolValue(ZrHandle handle, int32_t id, bool value) {
    ZR_WITH_CAMERA("DcSetBoolValue", id, { return camera->setBool(id, value); });
}

ZR_API int32_t DcSetStringValue(ZrHandle handle, int32_t id, const char* value) {
    ZR_WITH_CAMERA("DcSetStringValue", id, {
        if (!value) return ZR_STATUS_INVALID_ARGUMENT;
        std::string error;
        const int32_t result = camera->setString(id, value, error);
        if (result != ZR_STATUS_OK && !error.empty()) lib().setLastError(camera->setup().ip + ": " + error);
        return result;
    });
}

ZR_API int32_t DcGetStringValue(ZrHandle handle, int32_t id, const char** value) {
    ZR_WITH_CAMERA("DcGetStringValue", id, {
        if (!value) return ZR_STATUS_INVALID_ARGUMENT;
        *value = nullptr;
        std::string text;
        const int32_t result = camera->getString(id, text);
        if (result == ZR_STATUS_OK && !camera->answersWithoutText(id)) *value = lib().retainText(std::move(text));
        return result;
    });
}

ZR_API int32_t DcGetPtrValue(ZrHandle handle, int32_t id, void** value) {
    lib().countCall("DcGetPtrValue", id);
    return guarded("DcGetPtrValue", [&]() -> int32_t {
        if (!value) return ZR_STATUS_INVALID_ARGUMENT;
        *value = nullptr;
        if (auto owner = lib().byFrameHandle(handle)) return owner->getFramePointer(handle, id, value);
        int32_t status = 0;
        auto camera = lib().byHandle(handle, status);
        if (!camera) return status;
        return camera->getPointer(id, value);
    });
}

ZR_API int32_t DcSpecialControl(ZrHandle handle, const char* command, void* data) {
    ZR_WITH_CAMERA("DcSpecialControl", -1, {
        if (!command || !data) return ZR_STATUS_INVALID_ARGUMENT;
        return camera->special(command, static_cast<int32_t*>(data));
    });
}

ZR_API int32_t DcUpLoadFiles(ZrHandle handle, const ZrFileList* files, int32_t) {
    ZR_WITH_CAMERA("DcUpLoadFiles", -1, {
        if (!files || files->count < 1 || !files->paths) return ZR_STATUS_INVALID_ARGUMENT;
        std::vector<std::string> paths;
        for (int32_t i = 0; i < files->count; ++i) {
            if (!files->paths[i]) return ZR_STATUS_INVALID_ARGUMENT;
            paths.emplace_back(files->paths[i]);
        }
        std::string error;
        const int32_t result = camera->upload(paths, error);
        if (result != ZR_STATUS_OK) lib().setLastError(camera->setup().ip + ": upload failed: " + error);
        else zrsim::logInfo(camera->setup().ip + ": " + std::to_string(paths.size()) + " mask files uploaded");
        return result;
    });
}

}  // extern "C"
