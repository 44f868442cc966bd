// Test-control functions of the virtual camera library.

#include "ZrSimControl.h"

#include <string>

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

}  // extern "C"
