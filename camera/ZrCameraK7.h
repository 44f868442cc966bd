#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include <spdlog/logger.h>

#include "BaseCamera.h"
#include "SdkDeviceRecord.h"
#include "SdkParameterNames.h"

struct ZrFrameData;
struct ZrFrameBlock;

namespace algPlatform {

class SdkConfiguration;
struct OrderedSdkCall;

// One camera driven through the SDK library: discovery, open and close, plain
// and callback streaming, SDK commands by name, configuration, frames and
// intrinsics. Never throws; every failure is a status and a log line on the
// module logger "ZrCameraK7" that names the call, the status, the error text,
// the address and the handle.
//
// Threads: the owner (the camera worker) calls everything; in callback
// streaming the SDK calls back on its own thread. Locks: the API lock is
// exclusive for open, close and stream changes and shared for commands and
// frame reads; the frame lock serialises getNewFrameSet; the callback mutex
// guards the stored callback and the intrinsics the callback thread reads.
class ZrCameraK7 : public BaseCamera {
public:
    explicit ZrCameraK7(const DeviceInfo& info = DeviceInfo());
    ~ZrCameraK7() override;

    // Process-wide: sends the SDK's own log to a folder (UTF-8 path) at the
    // given print level and enables GPU acceleration once per process.
    static void redirectSdkLog(const std::string& directoryUtf8, int printLevel);

    // Every record the SDK lists, unfiltered, in discovery order. Status 0 on success.
    static std::int32_t listSdkDevices(std::vector<SdkDeviceRecord>& records);

    // Id of a name of the given kind ("ZR_INT_GAIN", "gain", "1005"); nothing when unknown.
    static std::optional<std::int32_t> resolveParameterId(const std::string& name, SdkValueKind kind);

    void idleHook() override;
    std::int32_t initialize(const std::string& configuration) override;
    std::vector<DeviceInfo> discover() override;
    std::int32_t open() override;
    std::int32_t close() override;
    std::int32_t startStream() override;
    std::int32_t stopStream() override;
    std::int32_t applyConfig(const std::string& configuration) override;
    bool isNotConnected() override;
    std::int32_t executeCommand(const std::string& command) override;
    std::int32_t auxiliaryCode() override;
    std::int32_t getNewFrameSet(FrameSet& frame, bool withCloud) override;
    std::int32_t startCallbackStream(bool withCloud, FrameCallback callback) override;
    std::int32_t stopCallbackStream() override;
    std::int32_t getColorImage(ImageFrame& frame) override;
    std::int32_t getDepthImage(ImageFrame& frame) override;
    std::int32_t getPointCloud(CloudFrame& frame) override;
    std::string stateName() const override;
    CameraType cameraType() const override;

    // Loads the depth (and, with colour, the colour) intrinsics; called at the
    // end of initialize.
    std::int32_t InitIntrinsics();

    // The current value of an integer parameter (DcGetIntValue). Status 0 on
    // success; on failure value is untouched and the failure is logged.
    std::int32_t readIntValue(std::int32_t id, std::int32_t& value);
    // Copies size bytes of a pointer parameter's data (DcGetPtrValue) into
    // destination at once. Status 0 on success; a null pointer from the
    // library gives ZR_STATUS_UNAVAILABLE; failures are logged.
    std::int32_t readPointerValue(std::int32_t id, void* destination, std::size_t size);

    std::int64_t lastFrameTimeMs() const { return lastFrameTimeMs_.load(); }

    // The module logger of the camera layer.
    static spdlog::logger& log();
    // DcGetErrorString of the status, or "unknown".
    static std::string errorText(std::int32_t status);

    static constexpr int kSdkListFlags = 4;
    static constexpr int kOpenByAddress = 1;

protected:
    // "{operation} failed, state=..., error=..., ip=..., handle=..." at error level.
    void logFailure(const std::string& operation, std::int32_t status) const;

    // Statuses of a frame command that still deliver a frame.
    static bool isGoodFrameStatus(std::int32_t status);

    // Handles one frame of the SDK's callback thread.
    void handleCallbackFrame(const ZrFrameData& frame);

    // Hands the current intrinsics to the callback thread (under the
    // callback mutex); called whenever the worker thread changed them.
    void publishIntrinsics();

    // True on the SDK's thread while this camera's callback runs there.
    bool insideOwnCallback() const;

    mutable std::shared_mutex apiMutex_;

private:
    static void frameTrampoline(const ZrFrameData* frame, void* user);

    std::int32_t stopCallbackStreamLocked();
    std::int32_t initializeSteps(const std::string& configuration);
    // The camera's record of its current frame, null when it gives none.
    const ZrFrameData* currentFrameRecord(std::uint64_t handle) const;
    // False (and an error line) when the record describes a buffer of
    // another size than the stored geometry: the copy would read past it.
    bool blockFitsStoredGeometry(const ZrFrameData* record, int block, std::int32_t width, std::int32_t height,
                                 std::int32_t type, std::int32_t channels) const;
    std::int32_t readColorImage(ImageFrame& frame, const ZrFrameData* record);
    std::int32_t readDepthImage(ImageFrame& frame, const ZrFrameData* record);
    std::int32_t readPointCloud(std::uint64_t handle, std::int32_t width, std::int32_t height, CloudFrame& frame,
                                bool logFailures);
    std::int32_t applySettingMaps(const SdkConfiguration& configuration);
    std::int32_t applyOrderedCalls(const SdkConfiguration& configuration);
    void orderedDelay(std::int32_t delayMs) const;
    void logFirstFrameMetadata(const ZrFrameData& frame, const CameraIntrinsics& in) const;

    std::atomic<std::int64_t> lastFrameTimeMs_{0};
    std::mutex frameMutex_;

    std::mutex callbackMutex_;
    FrameCallback callback_;
    bool callbackWantsCloud_ = false;
    CameraIntrinsics callbackIntrinsics_;  // the callback thread's copy of intrinsics_
    bool callbackRegistered_ = false;
    std::atomic<bool> firstFrameLogged_{false};
};

}  // namespace algPlatform
