#pragma once
// Functions of the ZrCameraApi library (C linkage). Every function returns a
// 32-bit status (ZrStatus, 0 = success) unless noted; library-owned memory
// handed out through out pointers stays valid until the next call of the same
// kind on the same handle (texts, pointer data) or until the next frame.

#include <cstdint>

#include "ZrCameraParams.h"
#include "ZrCameraTypes.h"

#if defined(_WIN32)
#define ZR_API __declspec(dllimport)
#elif defined(__GNUC__)
#define ZR_API __attribute__((visibility("default")))
#else
#define ZR_API
#endif

extern "C" {

/// Zero-terminated version text of the library.
ZR_API const char* DcGetApiVersion();
/// Short English text for a status; never null for the library's statuses.
ZR_API const char* DcGetErrorString(int32_t status);
/// Writes the library's own log into logDir (UTF-8) at printLevel (0 trace .. 5 off).
ZR_API int32_t DcSetInfoOutput(int32_t printLevel, int32_t reserved, const char* logDir, int32_t reserved2);
ZR_API int32_t DcSetGpuEnable(bool enable);

/// Lists the cameras found; the array is library-owned (496-byte records).
ZR_API int32_t DcGetDeviceList(ZrDeviceInfo** devices, int32_t* count, int32_t flags);
/// Opens the camera at ip; mode is 1 (by address).
ZR_API int32_t DcOpenDevice(int32_t mode, const char* ip, ZrHandle* handle, ZrDeviceInfo* info);
ZR_API int32_t DcCloseDevice(ZrHandle handle);
ZR_API int32_t DcStartStream(ZrHandle handle);
ZR_API int32_t DcStopStream(ZrHandle handle);
ZR_API int32_t DcRegisterFrameCallback(ZrHandle handle, ZrFrameCallback callback, void* user);
ZR_API int32_t DcUnregisterFrameCallback(ZrHandle handle);

/// Runs a command id (5000..5999). -5: link lost, reconnecting.
ZR_API int32_t DcSetCmd(ZrHandle handle, int32_t command);

ZR_API int32_t DcGetIntValue(ZrHandle handle, int32_t id, ZrIntValue* value);
ZR_API int32_t DcGetFloatValue(ZrHandle handle, int32_t id, ZrFloatValue* value);
ZR_API int32_t DcSetIntValue(ZrHandle handle, int32_t id, int32_t value);
ZR_API int32_t DcSetFloatValue(ZrHandle handle, int32_t id, float value);
ZR_API int32_t DcSetBoolValue(ZrHandle handle, int32_t id, bool value);
ZR_API int32_t DcSetStringValue(ZrHandle handle, int32_t id, const char* value);
/// Text owned by the library, valid until the next DcGetStringValue on this handle.
ZR_API int32_t DcGetStringValue(ZrHandle handle, int32_t id, const char** value);
/// Library-owned data of a pointer id (6000+). For the point data of a callback
/// frame pass the frame's handle instead of the device handle.
ZR_API int32_t DcGetPtrValue(ZrHandle handle, int32_t id, void** value);

/// Named special controls: "SetObstacleMode" (in: int32_t template index),
/// "GetObstacleIndex" and "GetObstacleIO" (out: int32_t).
ZR_API int32_t DcSpecialControl(ZrHandle handle, const char* command, void* data);

/// Uploads files to the camera (V1 zone masks, 16-bit PGM); flags is 4.
ZR_API int32_t DcUpLoadFiles(ZrHandle handle, const ZrFileList* files, int32_t flags);

}  // extern "C"

/// Function pointer type for run-time lookup of DcUpLoadFiles.
using DcUpLoadFilesFn = int32_t (*)(ZrHandle, const ZrFileList*, int32_t);
