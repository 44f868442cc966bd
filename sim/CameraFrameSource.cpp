#include "CameraFrameSource.h"

#include <ctime>
#include <filesystem>

#include <opencv2/imgcodecs.hpp>

#include "DeviceJson.h"
#include "RecordingPlayer.h"
#include "SceneRenderer.h"
#include "SimLog.h"
#include "ZrCameraParams.h"

namespace zrsim {

namespace {

constexpr size_t kHandedOutFrames = 8;
constexpr auto kDebugImageInterval = std::chrono::seconds(1);
constexpr int kFrameWaitPeriods = 2;

// What the frame thread needs from the camera, copied under its mutex.
struct FrameSnapshot {
    bool withColor = false;
    bool binned = false;
    float xyzToMm = 1.0f;
    int32_t status = 0;
    int mode = 0;
    bool evaluate = false;
    bool debug = false;
    AlgorithmConfig config;
    std::shared_ptr<const TemplateMasks> masks;
};

FrameSnapshot snapshotOf(CameraState& state) {
    FrameSnapshot s;
    std::lock_guard<std::mutex> lock(state.mutex);
    s.withColor = state.setup.color.has_value() && state.colorStreamEnabled && !state.faults.colorUnavailable;
    s.xyzToMm = state.parameters.intValue(ZR_INT_XYZ_UNIT, 0) == 1 ? 1000.0f : 1.0f;
    s.status = state.faults.frameStatus;
    s.binned = state.depthBinned();
    s.mode = state.algorithmMode;
    if (!state.traits.hasAlgorithm() || (s.mode != 1 && s.mode != 4)) return s;
    const nlohmann::json& doc = state.algorithmParams.current(CameraState::Clock::now());
    const auto pose = poseOf(doc);
    if (!pose) return s;
    s.evaluate = true;
    s.debug = doc.contains("debug") && doc["debug"].is_boolean() && doc["debug"].get<bool>();
    s.config.pose = *pose;
    s.config.v2 = s.mode == 4;
    s.config.state = state.faults.algorithmState;
    if (doc.contains("cluster_tolerance") && doc["cluster_tolerance"].is_number()) {
        s.config.clusterToleranceMm = doc["cluster_tolerance"].get<double>();
    }
    if (state.traits.maskTemplates && s.mode == 1) {
        s.config.zoneIndex = state.obstacleIndex;
        auto it = state.masks.find(state.obstacleIndex);
        s.masks = it == state.masks.end() ? std::make_shared<const TemplateMasks>() : it->second;
    } else {
        s.config.zoneIndex = zoneIndexOf(doc);
        s.config.zones = zonesOf(doc, s.config.zoneIndex);
    }
    return s;
}

std::string timeStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm tm = localCalendar(seconds);
    char text[40];
    std::strftime(text, sizeof(text), "%Y%m%d_%H%M%S", &tm);
    char millis[8];
    std::snprintf(millis, sizeof(millis), "_%03d", static_cast<int>(ms));
    return std::string(text) + millis;
}

}  // namespace

CameraFrameSource::CameraFrameSource(CameraState& state, std::vector<SceneObject> objects,
                                     std::chrono::steady_clock::time_point epoch)
    : state_(state), epoch_(epoch), objects_(std::move(objects)) {
    for (const SceneObject& object : objects_) labels_.push_back(object.label);
    stream_ = std::make_unique<FrameStream>([this](uint64_t sequence) { return produce(sequence); },
                                            [this](const FramePtr& frame) { deliver(frame); },
                                            [this] { return period(); });
}

CameraFrameSource::~CameraFrameSource() { stream_->stop(); }

void CameraFrameSource::ensureRenderer() {
    if (renderer_) return;
    if (!state_.setup.recording.empty()) {
        renderer_ = std::make_unique<RecordingPlayer>(state_.setup);
    } else {
        renderer_ = std::make_unique<SceneRenderer>(state_.setup, objects_);
    }
}

std::chrono::microseconds CameraFrameSource::period() const {
    std::lock_guard<std::mutex> lock(state_.mutex);
    const int fps = std::max(1, state_.parameters.intValue(ZR_INT_3D_FPS, state_.setup.depth.fps));
    return std::chrono::microseconds(1000000 / fps);
}

int32_t CameraFrameSource::startStream() {
    {
        // The viewing rays are computed before the first frame is due, so the
        // first frame command does not wait for them.
        std::lock_guard<std::mutex> lock(rendererMutex_);
        ensureRenderer();
    }
    stream_->start();
    std::lock_guard<std::mutex> lock(state_.mutex);
    const float fps = static_cast<float>(state_.parameters.intValue(ZR_INT_3D_FPS, state_.setup.depth.fps));
    for (int32_t id : {ZR_FLOAT_3D_DEPTH_FPS, ZR_FLOAT_3D_AMPLITUDE_FPS}) {
        if (FloatParameter* p = state_.parameters.floatParameter(id)) p->current = fps;
    }
    if (FloatParameter* p = state_.parameters.floatParameter(ZR_FLOAT_2D_IMAGE_FPS)) {
        p->current = state_.colorStreamEnabled && !state_.faults.colorUnavailable ? fps : 0.0f;
    }
    return ZR_STATUS_OK;
}

int32_t CameraFrameSource::stopStream() {
    stream_->stop();
    std::lock_guard<std::mutex> lock(state_.mutex);
    for (int32_t id : {ZR_FLOAT_3D_DEPTH_FPS, ZR_FLOAT_3D_AMPLITUDE_FPS, ZR_FLOAT_2D_IMAGE_FPS}) {
        if (FloatParameter* p = state_.parameters.floatParameter(id)) p->current = 0.0f;
    }
    return ZR_STATUS_OK;
}

bool CameraFrameSource::streaming() const { return stream_->running(); }

int32_t CameraFrameSource::registerCallback(ZrFrameCallback callback, void* user) {
    if (!callback) return ZR_STATUS_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(callbackMutex_);
    callback_ = callback;
    callbackUser_ = user;
    return ZR_STATUS_OK;
}

int32_t CameraFrameSource::unregisterCallback() {
    std::lock_guard<std::mutex> lock(callbackMutex_);
    callback_ = nullptr;
    callbackUser_ = nullptr;
    return ZR_STATUS_OK;
}

void CameraFrameSource::rearmReconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    reconnectDone_ = false;
    deliveredFrames_ = 0;
    reconnectUntil_ = {};
}

bool CameraFrameSource::reconnecting(std::chrono::steady_clock::time_point now) {
    int32_t after = -1, lengthMs = 0;
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        after = state_.faults.reconnectAfterFrames;
        lengthMs = state_.faults.reconnectMs;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (now < reconnectUntil_) return true;
    if (!reconnectDone_ && after >= 0 && deliveredFrames_ >= after) {
        reconnectDone_ = true;
        reconnectUntil_ = now + std::chrono::milliseconds(lengthMs);
        logWarning("camera " + state_.setup.ip + " link lost after " + std::to_string(deliveredFrames_) +
                   " frames, reconnecting for " + std::to_string(lengthMs) + " ms");
        return lengthMs > 0;
    }
    return false;
}

int32_t CameraFrameSource::frameCommand() {
    if (!stream_->running()) return ZR_STATUS_NOT_STREAMING;
    if (reconnecting(std::chrono::steady_clock::now())) return ZR_STATUS_RECONNECTING;
    {
        // A stalled camera answers as its frame wait would time out, without
        // making the caller sit through the wait.
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (state_.framesStalled) return ZR_STATUS_TIMEOUT;
    }
    uint64_t after = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        after = lastDelivered_;
    }
    FramePtr frame = stream_->waitNewer(after, period() * kFrameWaitPeriods);
    if (!frame) return stream_->running() ? ZR_STATUS_TIMEOUT : ZR_STATUS_NOT_STREAMING;
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = frame;
    lastDelivered_ = std::max(lastDelivered_, frame->sequence);
    handedOut_.push_back(frame);
    while (handedOut_.size() > kHandedOutFrames) handedOut_.pop_front();
    ++deliveredFrames_;
    return frame->status;
}

void CameraFrameSource::deliver(const FramePtr& frame) {
    ZrFrameCallback callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard<std::mutex> lock(callbackMutex_);
        callback = callback_;
        user = callbackUser_;
    }
    if (!callback || reconnecting(std::chrono::steady_clock::now())) return;
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        if (state_.framesStalled) return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++deliveredFrames_;
    }
    callback(&frame->record, user);
}

CameraFrameSource::FramePtr CameraFrameSource::currentFrame() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_ ? current_ : stream_->newest();
}

CameraFrameSource::FramePtr CameraFrameSource::findFrame(uint64_t frameHandle) const {
    return stream_->find(frameHandle);
}

int32_t CameraFrameSource::pointer(int32_t id, const FramePtr& frame, void** value) {
    if (!frame) return ZR_STATUS_UNAVAILABLE;
    switch (id) {
    case ZR_PTR_FRAME_DATA: *value = &frame->record; return ZR_STATUS_OK;
    case ZR_PTR_3D_DEPTH_DATA: *value = frame->depth.data(); return ZR_STATUS_OK;
    case ZR_PTR_3D_AMP_DATA: *value = frame->amplitude.data(); return ZR_STATUS_OK;
    case ZR_PTR_XYZ_DATA: *value = frame->xyz.data(); return ZR_STATUS_OK;
    case ZR_PTR_2D_IMAGE_DATA:
        if (frame->color.empty()) return ZR_STATUS_UNAVAILABLE;
        *value = frame->color.data();
        return ZR_STATUS_OK;
    case ZR_PTR_ALGORITHM_OUTPUT:
        if (!frame->algorithmRan) return ZR_STATUS_UNAVAILABLE;
        *value = &frame->output;
        return ZR_STATUS_OK;
    default: return ZR_STATUS_NOT_SUPPORTED;
    }
}

CameraFrameSource::FramePtr CameraFrameSource::produce(uint64_t sequence) {
    FrameSnapshot snapshot = snapshotOf(state_);
    snapshot.config.masks = snapshot.masks.get();
    snapshot.config.objectLabels = labels_;
    auto frame = std::make_shared<RenderedFrame>();
    frame->sequence = sequence;
    frame->frameHandle = kFrameHandleTag | (static_cast<uint64_t>(state_.index) << 40) | (sequence & 0xFFFFFFFFFFull);
    frame->timestampUs = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    frame->status = snapshot.status;
    {
        std::lock_guard<std::mutex> lock(rendererMutex_);
        ensureRenderer();
        const double sceneTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - epoch_).count();
        renderer_->renderFrame(sceneTime, sequence, snapshot.withColor, snapshot.xyzToMm, *frame);
    }
    int32_t frameType = ZR_FRAME_TYPE_NONE;
    if (snapshot.evaluate) {
        evaluateObstacles(snapshot.config, *frame);
        frameType = snapshot.mode == 4 ? ZR_FRAME_TYPE_ALGORITHM_V2 : ZR_FRAME_TYPE_ALGORITHM_V1;
    }
    // The algorithm works on the full sensor (its masks have that size); the
    // client receives the binned image.
    if (snapshot.binned) frame->binDepthTwoByTwo();
    frame->bindRecord(frameType);
    {
        std::lock_guard<std::mutex> lock(state_.mutex);
        state_.lastIoStatus = frame->ioStatus;
        if (state_.parameters.intValue(ZR_INT_IO_WORK_MODE, 0) == 0) {
            state_.outputBits = (frame->ioStatus == 2 ? 1 : 0) | (frame->ioStatus == 1 ? 2 : 0);
        }
    }
    if (snapshot.debug && frame->ioStatus != 0) saveDebugImages(*frame);
    return frame;
}

void CameraFrameSource::saveDebugImages(const RenderedFrame& frame) {
    if (state_.setup.imageDir.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (lastDebugSave_ != std::chrono::steady_clock::time_point{} && now - lastDebugSave_ < kDebugImageInterval) {
            return;
        }
        lastDebugSave_ = now;
    }
    std::error_code ec;
    std::filesystem::create_directories(state_.setup.imageDir, ec);
    const std::string path = (std::filesystem::path(state_.setup.imageDir) /
                              (state_.setup.ip + "_" + timeStamp() + (frame.ioStatus == 2 ? "_stop" : "_warning") +
                               ".png"))
                                 .string();
    bool written = false;
    try {
        if (!frame.color.empty()) {
            const cv::Mat image(frame.colorHeight, frame.colorWidth, CV_8UC3, const_cast<uint8_t*>(frame.color.data()));
            written = cv::imwrite(path, image);
        } else {
            const cv::Mat image(frame.height, frame.width, CV_16UC1, const_cast<uint16_t*>(frame.depth.data()));
            written = cv::imwrite(path, image);
        }
    } catch (const cv::Exception& e) {
        logError("debug image " + path + " not written: " + e.what());
        return;
    }
    if (!written) logError("debug image " + path + " not written");
}

}  // namespace zrsim
