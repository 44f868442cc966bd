#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "CameraIntrinsics.h"
#include "CameraState.h"
#include "CameraType.h"
#include "DeviceInfo.h"
#include "FrameSet.h"

namespace algPlatform {

// Camera-neutral interface of the camera layer. Operations never throw: they
// return a 32-bit status (0 success) and log. The virtual operations keep
// this order; derived cameras rely on it.
//
// Default callback streaming runs a poll thread that calls getNewFrameSet and
// hands good frames to the callback on that thread; stopCallbackStream must
// have joined it before the object is destroyed. A start from inside the
// callback is refused (status 1).
class BaseCamera {
public:
    BaseCamera() = default;
    BaseCamera(const BaseCamera&) = delete;
    BaseCamera& operator=(const BaseCamera&) = delete;

    virtual ~BaseCamera();
    virtual void idleHook() = 0;
    virtual std::int32_t initialize(const std::string& configuration) = 0;
    virtual std::vector<DeviceInfo> discover() = 0;
    virtual std::int32_t open() = 0;
    virtual std::int32_t close() = 0;
    virtual std::int32_t startStream() = 0;
    virtual std::int32_t stopStream() = 0;
    virtual std::int32_t applyConfig(const std::string& configuration) = 0;
    virtual bool isNotConnected() = 0;
    virtual void setIp(const std::string& ip);
    virtual std::int32_t executeCommand(const std::string& command) = 0;
    virtual std::int32_t auxiliaryCode() = 0;
    // 0 frame read, 1 image or cloud failed, 2 frame command failed, 3 reconnecting.
    virtual std::int32_t getNewFrameSet(FrameSet& frame, bool withCloud) = 0;
    virtual std::int32_t startCallbackStream(bool withCloud, FrameCallback callback);
    virtual std::int32_t stopCallbackStream();
    virtual std::int32_t getColorImage(ImageFrame& frame) = 0;
    virtual std::int32_t getDepthImage(ImageFrame& frame) = 0;
    virtual std::int32_t getPointCloud(CloudFrame& frame) = 0;
    virtual CameraState state() const;
    virtual std::string stateName() const;
    virtual CameraType cameraType() const = 0;
    virtual bool auxiliaryFlag() const;
    virtual void setState(CameraState state);

    const std::string& ip() const { return ip_; }
    const DeviceInfo& deviceInfo() const { return device_info_; }
    const CameraIntrinsics& intrinsics() const { return intrinsics_; }

    static constexpr int kPollRetryDelayMs = 30;   // after a frame that could not be read

protected:
    std::string ip_;
    CameraIntrinsics intrinsics_;
    DeviceInfo device_info_;
    std::atomic<CameraState> state_{CameraState::NONE};

private:
    void pollLoop(bool withCloud, FrameCallback callback);
    bool onPollThread() const;

    std::atomic<bool> pollRunning_{false};
    std::atomic<bool> pollOpenedStream_{false};
    std::thread pollThread_;
    std::atomic<std::thread::id> pollThreadId_{};
};

}  // namespace algPlatform
