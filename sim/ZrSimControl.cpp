// Test-control functions of the virtual camera library.

#include "ZrSimControl.h"

#include <string>

#include "RecordingPlayer.h"
#include "ServedRecordings.h"
#include "SimLibrary.h"

using zrsim::SimLibrary;

extern "C" {

ZR_SIM_API int32_t ZrSim_LoadSceneText(const char* sceneJson) {
    if (!sceneJson) return ZR_STATUS_INVALID_ARGUMENT;
    try {
        return SimLibrary::instance().loadSceneText(sceneJson);
    } catch (const std::exception& e) {
        SimLibrary::instance().setLastError(std::string("ZrSim_LoadSceneText failed: ") + e.what());
        return ZR_STATUS_FAILED;
    }
}

ZR_SIM_API void ZrSim_Reset() {
    try {
        SimLibrary::instance().reset();
    } catch (const std::exception& e) {
        SimLibrary::instance().setLastError(std::string("ZrSim_Reset failed: ") + e.what());
    }
}

ZR_SIM_API int32_t ZrSim_SetFault(const char* ip, const char* faultJson) {
    if (!ip || !faultJson) return ZR_STATUS_INVALID_ARGUMENT;
    try {
        return SimLibrary::instance().setFault(ip, faultJson);
    } catch (const std::exception& e) {
        SimLibrary::instance().setLastError(std::string("ZrSim_SetFault failed: ") + e.what());
        return ZR_STATUS_FAILED;
    }
}

ZR_SIM_API int64_t ZrSim_CallCount(const char* function, int32_t id) {
    if (!function) return 0;
    return SimLibrary::instance().callCount(function, id);
}

ZR_SIM_API int64_t ZrSim_CopyMask(const char* ip, const char* maskFileName, uint16_t* pixels, int64_t capacity) {
    if (!ip || !maskFileName || (capacity > 0 && !pixels) || capacity < 0) return ZR_STATUS_INVALID_ARGUMENT;
    try {
        return SimLibrary::instance().copyMask(ip, maskFileName, pixels, capacity);
    } catch (const std::exception& e) {
        SimLibrary::instance().setLastError(std::string("ZrSim_CopyMask failed: ") + e.what());
        return ZR_STATUS_FAILED;
    }
}

ZR_SIM_API const char* ZrSim_LastError() { return SimLibrary::instance().lastError(); }

ZR_SIM_API int32_t ZrSim_ServeRecording(const char* path, const char* ip) {
    if (!path || !ip) return ZR_STATUS_INVALID_ARGUMENT;
    try {
        const std::string address(ip);
        if (address.rfind("127.", 0) != 0) {
            SimLibrary::instance().setLastError("a recording is served on a loopback address only, not '" + address + "'");
            return ZR_STATUS_INVALID_ARGUMENT;
        }
        zrsim::CameraSetup setup;
        std::string error;
        if (!zrsim::setupFromRecording(path, setup, error)) {
            SimLibrary::instance().setLastError(error);
            return ZR_STATUS_FILE_ERROR;
        }
        if (!zrsim::ServedRecordings::announce(address, path, error)) {
            SimLibrary::instance().setLastError(error);
            return ZR_STATUS_DEVICE_BUSY;
        }
        return ZR_STATUS_OK;
    } catch (const std::exception& e) {
        SimLibrary::instance().setLastError(std::string("ZrSim_ServeRecording failed: ") + e.what());
        return ZR_STATUS_FAILED;
    }
}

ZR_SIM_API void ZrSim_StopServing(const char* ip) {
    if (ip) zrsim::ServedRecordings::withdraw(ip);
}

}  // extern "C"
