#pragma once
// The frame side of one virtual camera: the paced stream, the frame command
// (newest undelivered frame, waiting at most two periods), callback delivery,
// the reconnect fault, pointer data of frames, the obstacle evaluation of each
// frame and the debug image saving. Thread-safe.

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "CameraState.h"
#include "FrameStream.h"
#include "FrameRenderer.h"
#include "SimScene.h"

namespace zrsim {

class CameraFrameSource {
public:
    using FramePtr = FrameStream::FramePtr;

    CameraFrameSource(CameraState& state, std::vector<SceneObject> objects, std::chrono::steady_clock::time_point epoch);
    ~CameraFrameSource();

    int32_t startStream();
    int32_t stopStream();
    bool streaming() const;

    int32_t registerCallback(ZrFrameCallback callback, void* user);
    int32_t unregisterCallback();

    /// Frame commands (ZR_CMD_GET_NEW_FRAME and its 3D/2D variants).
    int32_t frameCommand();

    /// Pointer data of the frame last handed over (deviceFrame) or of a frame by handle.
    int32_t pointer(int32_t id, const FramePtr& frame, void** value);
    FramePtr currentFrame() const;
    FramePtr findFrame(uint64_t frameHandle) const;

    /// Frame handles carry this tag in their top bits, then the camera index.
    static constexpr uint64_t kFrameHandleTag = 0xF000000000000000ull;

    /// Renders and evaluates one frame synchronously (benchmarks and tests).
    FramePtr produce(uint64_t sequence);

private:
    void deliver(const FramePtr& frame);
public:
    /// Re-arms the reconnect fault (after the faults changed).
    void rearmReconnect();
private:
    bool reconnecting(std::chrono::steady_clock::time_point now);
    std::chrono::microseconds period() const;
    void saveDebugImages(const RenderedFrame& frame);

    CameraState& state_;
    std::chrono::steady_clock::time_point epoch_;
    std::unique_ptr<FrameRenderer> renderer_;  ///< built on first use (rays cost time)
    void ensureRenderer();  ///< caller holds rendererMutex_
    std::vector<std::string> labels_;
    std::vector<SceneObject> objects_;
    std::mutex rendererMutex_;

    mutable std::mutex mutex_;  ///< guards the members below
    FramePtr current_;
    std::deque<FramePtr> handedOut_;  ///< keeps recently handed-out frames alive
    uint64_t lastDelivered_ = 0;
    int64_t deliveredFrames_ = 0;
    bool reconnectDone_ = false;
    std::chrono::steady_clock::time_point reconnectUntil_{};
    std::chrono::steady_clock::time_point lastDebugSave_{};

    std::mutex callbackMutex_;  ///< guards the two members below (not held during the call)
    ZrFrameCallback callback_ = nullptr;
    void* callbackUser_ = nullptr;

    std::unique_ptr<FrameStream> stream_;
};

}  // namespace zrsim
