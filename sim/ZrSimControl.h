#pragma once
// Test-control API of the virtual camera library, exported beside the SDK
// functions. The window never calls it; tests use it to script faults,
// load scenes and count SDK calls, and "hazard-desk-cli replay" to serve a
// recording.

#include <cstdint>

#include "ZrCameraTypes.h"

#if defined(__GNUC__)
#define ZR_SIM_API __attribute__((visibility("default")))
#else
#define ZR_SIM_API
#endif

extern "C" {

/// Replaces the scene with the given JSON text. Every open handle is closed,
/// streams stop, stored camera state is dropped (persisted state in
/// ZR_SIM_STATE_DIR is reloaded). On a parse/validation error the library is
/// left without cameras (every call then fails with ZR_STATUS_LIBRARY_NOT_READY)
/// and the error is readable through ZrSim_LastError. Returns a ZrStatus.
ZR_SIM_API int32_t ZrSim_LoadSceneText(const char* sceneJson);

/// Back to start-up state: the ZR_SIM_SCENE file (or the built-in scene),
/// no run-time faults, call counters zeroed.
ZR_SIM_API void ZrSim_Reset();

/// Merges faults into the camera at ip ("*" = every camera), same keys as the
/// scene's "faults" object, e.g. {"frameStatus": -28, "saveDelayMs": 10}.
/// A null value removes that fault. Returns a ZrStatus.
ZR_SIM_API int32_t ZrSim_SetFault(const char* ip, const char* faultJson);

/// Number of calls of an SDK function (e.g. "DcGetIntValue") since the last
/// reset; id filters by parameter/command id, -1 counts all.
ZR_SIM_API int64_t ZrSim_CallCount(const char* function, int32_t id);

/// Copies the mask the camera at ip holds under a mask file name
/// ("danger_far3.pgm") into pixels, row-major, at most capacity values.
/// Returns the number of pixels the mask has (which may exceed capacity), or
/// a negative ZrStatus when the camera holds no such mask.
ZR_SIM_API int64_t ZrSim_CopyMask(const char* ip, const char* maskFileName, uint16_t* pixels, int64_t capacity);

/// Serves the recording at path as a camera at ip (127.x.x.x) to every
/// process on this machine that uses the virtual camera library, until
/// ZrSim_StopServing or this process ends (hazard-desk-cli replay). Returns a
/// ZrStatus; the reason of a refusal is readable through ZrSim_LastError.
ZR_SIM_API int32_t ZrSim_ServeRecording(const char* path, const char* ip);
ZR_SIM_API void ZrSim_StopServing(const char* ip);

/// Last scene or control error text ("" when none).
ZR_SIM_API const char* ZrSim_LastError();

}  // extern "C"
