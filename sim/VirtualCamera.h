#pragma once
// One camera of the scene as the SDK calls see it: identity and open state,
// typed parameters with their value records, the stored algorithm JSON,
// algorithm/template/I-O modes, special controls, mask upload and intrinsics;
// frames are delegated to its CameraFrameSource. Thread-safe: the SDK callback
// thread, the client's worker and test threads may call it at once.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "CameraFrameSource.h"
#include "CameraState.h"

namespace zrsim {

class StateStore;

class VirtualCamera {
public:
    VirtualCamera(const CameraSetup& setup, uint32_t index, std::vector<SceneObject> objects,
                  std::chrono::steady_clock::time_point epoch, std::shared_ptr<StateStore> store);
    ~VirtualCamera();

    const CameraSetup& setup() const { return state_.setup; }
    uint32_t index() const { return state_.index; }
    /// The 496-byte device record with the given handle.
    ZrDeviceInfo record(uint64_t handle);

    int32_t open(uint64_t handle);
    /// DcCloseDevice: unregisters, stops and forgets the open handle (or
    /// answers the closeFails status and stays open).
    int32_t close();
    /// Closes whatever the faults say (scene replaced, process exit).
    void shutDown();

    int32_t startStream();
    int32_t stopStream();
    int32_t registerCallback(ZrFrameCallback callback, void* user);
    int32_t unregisterCallback() { return frames_.unregisterCallback(); }
    /// Status of the gpuEnableFails fault, 0 when not set.
    int32_t gpuEnableStatus();

    int32_t command(int32_t id);
    int32_t getInt(int32_t id, ZrIntValue& value);
    int32_t getFloat(int32_t id, ZrFloatValue& value);
    int32_t setInt(int32_t id, int32_t value);
    int32_t setFloat(int32_t id, float value);
    int32_t setBool(int32_t id, bool value);
    int32_t setString(int32_t id, const std::string& value, std::string& error);
    int32_t getString(int32_t id, std::string& value);
    /// True when the nullTexts fault makes a successful read of id hand out no text.
    bool answersWithoutText(int32_t id);
    int32_t getPointer(int32_t id, void** value);
    int32_t getFramePointer(uint64_t frameHandle, int32_t id, void** value);
    int32_t special(const std::string& name, int32_t* data);
    int32_t upload(const std::vector<std::string>& paths, std::string& error);
    /// The pixels of a held mask by its file name ("warn_near7.pgm").
    int32_t mask(const std::string& maskFileName, std::vector<uint16_t>& pixels, std::string& error);

    /// Merges run-time faults (ZrSim_SetFault).
    int32_t setFaults(const nlohmann::json& faults, std::string& error);

    CameraFrameSource& frames() { return frames_; }

private:
    /// Status named for id by the "unsupported" fault, 0 when none (caller holds the mutex).
    int32_t unsupportedStatus(int32_t id) const;
    /// The current value of one status fault, read under the mutex.
    int32_t faultStatus(int32_t FaultSet::*status);
    int32_t writeAlgorithmParams(const std::string& text, std::string& error);

    CameraState state_;
    CameraFrameSource frames_;
};

}  // namespace zrsim
