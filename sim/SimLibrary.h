#pragma once
// The process-wide state of the virtual camera library: the loaded scene and
// its cameras, open handles, call counters, texts handed out to clients and
// the last error. Loaded lazily on the first call from ZR_SIM_SCENE (or the
// built-in scene). Thread-safe.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "SimScene.h"
#include "StateStore.h"
#include "VirtualCamera.h"

namespace zrsim {

class SimLibrary {
public:
    static SimLibrary& instance();

    /// ZR_STATUS_LIBRARY_NOT_READY when the scene failed to load, else 0.
    int32_t readiness();
    std::shared_ptr<VirtualCamera> byHandle(uint64_t handle, int32_t& status);
    /// Camera owning a frame handle (callback frames), or null.
    std::shared_ptr<VirtualCamera> byFrameHandle(uint64_t frameHandle);

    int32_t deviceList(ZrDeviceInfo** devices, int32_t* count);
    int32_t open(const std::string& ip, uint64_t* handle, ZrDeviceInfo* info);
    int32_t close(uint64_t handle);

    /// Keeps text alive for the client (it stays valid for the next 256 texts).
    const char* retainText(std::string text);

    void countCall(const char* function, int32_t id);
    int64_t callCount(const std::string& function, int32_t id);

    void setLastError(const std::string& error);
    const char* lastError();
    /// Scene error text for the not-ready status ("" when the scene is fine).
    const char* sceneErrorText();

    /// Stops every camera's stream (process exit).
    void stopAllStreams();

    /// DcSetGpuEnable's answer: the gpuEnableFails status of the first camera
    /// that carries it, else 0.
    int32_t gpuEnableStatus();

    // Test control.
    int32_t loadSceneText(const std::string& text);
    void reset();
    int32_t setFault(const std::string& ip, const std::string& faultJson);
    int64_t copyMask(const std::string& ip, const std::string& maskFileName, uint16_t* pixels, int64_t capacity);

private:
    SimLibrary() = default;
    void ensureLoaded();
    /// Replaces the running cameras (scene null: none, not ready with error).
    void install(const Scene* scene, const std::string& error, std::shared_ptr<StateStore> store);
    void loadFromEnvironment();
    /// Adds the cameras other processes serve (ServedRecordings) and drops
    /// those no longer served. Call without holding mutex_.
    void refreshServed();

    std::once_flag loaded_;
    std::mutex mutex_;  ///< guards everything below
    bool ready_ = false;
    std::string sceneError_;
    std::vector<std::shared_ptr<VirtualCamera>> cameras_;
    struct Served {
        std::string recording;
        std::shared_ptr<VirtualCamera> camera;
    };
    std::map<std::string, Served> served_;  ///< by address
    uint32_t nextServedIndex_ = 1u << 16;   ///< frame-handle index of the next served camera
    std::map<uint64_t, std::shared_ptr<VirtualCamera>> handles_;
    uint64_t nextHandle_ = 0x5A52000000000001ull;
    std::shared_ptr<StateStore> store_;
    std::deque<std::vector<ZrDeviceInfo>> deviceLists_;
    std::deque<std::string> texts_;
    std::string lastError_;
    std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();

    std::mutex countMutex_;
    std::map<std::string, std::map<int32_t, int64_t>> counts_;
};

}  // namespace zrsim
