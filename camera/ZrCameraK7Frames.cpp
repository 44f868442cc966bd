// Frame acquisition of ZrCameraK7: polled frame sets, callback frames,
// images, clouds and intrinsics.
#include "ZrCameraK7.h"

#include <cmath>
#include <cstring>

#include <opencv2/core.hpp>

#include "FrameTime.h"
#include "SdkImageCopy.h"
#include "ZrCameraApi.h"

namespace algPlatform {

namespace {

constexpr std::int32_t kNotRead = -4;   // status of an intrinsics block never read or rejected

struct IntrinsicsRead {
    std::int32_t status = kNotRead;
    bool legacy = false;
    ZrIntrinsicsBlock values{};
};

bool validIntrinsics(const ZrIntrinsicsBlock& block)
{
    const float all[] = {block.fx, block.fy, block.cx, block.cy, block.distortion[0], block.distortion[1],
                         block.distortion[2], block.distortion[3], block.distortion[4]};
    for (float value : all) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return block.fx > 0.0f && block.fy > 0.0f;
}

// Reads one intrinsics block: the new id first, then the legacy id.
IntrinsicsRead readIntrinsics(std::uint64_t handle, std::int32_t newId, std::int32_t legacyId)
{
    IntrinsicsRead result;
    for (const std::int32_t id : {newId, legacyId}) {
        void* data = nullptr;
        const std::int32_t status = DcGetPtrValue(handle, id, &data);
        if (status != ZR_STATUS_OK) {
            result.status = status;
            continue;
        }
        if (data == nullptr) {
            result.status = kNotRead;
            continue;
        }
        ZrIntrinsicsBlock block{};
        std::memcpy(&block, data, sizeof(block));
        if (!validIntrinsics(block)) {
            result.status = kNotRead;
            continue;
        }
        result.status = ZR_STATUS_OK;
        result.legacy = id == legacyId;
        result.values = block;
        return result;
    }
    return result;
}

bool hasPayload(const ZrFrameBlock& block)
{
    return block.data != nullptr && block.width >= 1 && block.height >= 1 && block.channels >= 1;
}

float distortionAt(const std::vector<float>& values, std::size_t index)
{
    return index < values.size() ? values[index] : 0.0f;
}

// Bytes of one pixel: the element size of the type's OpenCV depth times the channels.
std::int64_t pixelBytes(std::int32_t sdkType, std::int32_t channels)
{
    return static_cast<std::int64_t>(CV_ELEM_SIZE1(SdkImageCopy::cvDepthOf(sdkType))) * channels;
}

const char* blockName(int block)
{
    return block == ZR_BLOCK_COLOR ? "color" : "depth";
}

// The camera whose callback runs on this thread, so that a restart from
// inside the callback can be refused.
thread_local const ZrCameraK7* deliveringCamera = nullptr;

}  // namespace

std::int32_t ZrCameraK7::getColorImage(ImageFrame& frame)
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    return readColorImage(frame, currentFrameRecord(device_info_.handle));
}

std::int32_t ZrCameraK7::getDepthImage(ImageFrame& frame)
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    return readDepthImage(frame, currentFrameRecord(device_info_.handle));
}

std::int32_t ZrCameraK7::getPointCloud(CloudFrame& frame)
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    const CameraIntrinsics& in = intrinsics_;
    if (!blockFitsStoredGeometry(currentFrameRecord(device_info_.handle), ZR_BLOCK_DEPTH, in.depthWidth,
                                 in.depthHeight, in.depthType, 1)) {
        return 1;
    }
    return readPointCloud(device_info_.handle, in.depthWidth, in.depthHeight, frame, true);
}

const ZrFrameData* ZrCameraK7::currentFrameRecord(std::uint64_t handle) const
{
    void* record = nullptr;
    const std::int32_t status = DcGetPtrValue(handle, ZR_PTR_FRAME_DATA, &record);
    return status == ZR_STATUS_OK ? static_cast<const ZrFrameData*>(record) : nullptr;
}

bool ZrCameraK7::blockFitsStoredGeometry(const ZrFrameData* record, int block, std::int32_t width,
                                         std::int32_t height, std::int32_t type, std::int32_t channels) const
{
    if (record == nullptr) {
        // Without a record the stored geometry is all there is to go by.
        return true;
    }
    const ZrFrameBlock& actual = record->blocks[block];
    const bool fits = actual.data != nullptr && actual.width == width && actual.height == height &&
                      pixelBytes(actual.type, actual.channels) == pixelBytes(type, channels);
    if (!fits) {
        log().error("K7 frame refused, its {} block differs from the stored geometry, ip={}, handle={}, "
                    "stored={}x{}/type{}/channels{}, frame={}x{}/type{}/channels{}, data={}",
                    blockName(block), device_info_.ip, device_info_.handle, width, height, type, channels,
                    actual.width, actual.height, actual.type, actual.channels, actual.data != nullptr);
    }
    return fits;
}

std::int32_t ZrCameraK7::readColorImage(ImageFrame& frame, const ZrFrameData* record)
{
    frame.image = cv::Mat();
    if (!intrinsics_.colorAvailable()) {
        return 4;
    }
    if (!blockFitsStoredGeometry(record, ZR_BLOCK_COLOR, intrinsics_.colorWidth, intrinsics_.colorHeight,
                                 intrinsics_.colorType, intrinsics_.colorChannels)) {
        return 1;
    }
    void* data = nullptr;
    const std::int32_t status = DcGetPtrValue(device_info_.handle, ZR_PTR_2D_IMAGE_DATA, &data);
    if (status != ZR_STATUS_OK) {
        logFailure("DcGetPtrValue ZR_PTR_2D_IMAGE_DATA", status);
        return 1;
    }
    if (data == nullptr) {
        return 1;
    }
    frame.image = SdkImageCopy::copyImage(data, intrinsics_.colorWidth, intrinsics_.colorHeight,
                                          intrinsics_.colorType, intrinsics_.colorChannels);
    frame.timeMs = lastFrameTimeMs_.load();
    return 0;
}

std::int32_t ZrCameraK7::readDepthImage(ImageFrame& frame, const ZrFrameData* record)
{
    if (!blockFitsStoredGeometry(record, ZR_BLOCK_DEPTH, intrinsics_.depthWidth, intrinsics_.depthHeight,
                                 intrinsics_.depthType, 1)) {
        frame.image = cv::Mat();
        return 1;
    }
    void* depth = nullptr;
    std::int32_t status = DcGetPtrValue(device_info_.handle, ZR_PTR_3D_DEPTH_DATA, &depth);
    if (status != ZR_STATUS_OK) {
        logFailure("DcGetPtrValue ZR_PTR_3D_DEPTH_DATA", status);
        return 1;
    }
    void* xyz = nullptr;
    status = DcGetPtrValue(device_info_.handle, ZR_PTR_XYZ_DATA, &xyz);
    if (status != ZR_STATUS_OK) {
        logFailure("DcGetPtrValue ZR_PTR_XYZ_DATA", status);
        return 1;
    }
    if (depth == nullptr) {
        // A success without data would otherwise pass as an empty depth image.
        frame.image = cv::Mat();
        return 1;
    }
    frame.image = SdkImageCopy::copyImage(depth, intrinsics_.depthWidth, intrinsics_.depthHeight,
                                          intrinsics_.depthType, 1);
    frame.timeMs = lastFrameTimeMs_.load();
    return 0;
}

std::int32_t ZrCameraK7::readPointCloud(std::uint64_t handle, std::int32_t width, std::int32_t height,
                                        CloudFrame& frame, bool logFailures)
{
    void* xyz = nullptr;
    const std::int32_t status = DcGetPtrValue(handle, ZR_PTR_XYZ_DATA, &xyz);
    if (status != ZR_STATUS_OK || xyz == nullptr) {
        if (logFailures) {
            logFailure("DcGetPtrValue ZR_PTR_XYZ_DATA", status);
        }
        return 1;
    }
    if (!frame.cloud) {
        frame.cloud = std::make_shared<corVane::ColorCloud>();
    }
    SdkImageCopy::fillCloud(static_cast<const float*>(xyz), width, height, *frame.cloud);
    frame.timeMs = lastFrameTimeMs_.load();
    return 0;
}

std::int32_t ZrCameraK7::getNewFrameSet(FrameSet& frame, bool withCloud)
{
    std::shared_lock<std::shared_mutex> apiLock(apiMutex_);
    std::lock_guard<std::mutex> frameLock(frameMutex_);

    const std::uint64_t handle = device_info_.handle;
    const std::int32_t status = DcSetCmd(handle, ZR_CMD_GET_NEW_FRAME);
    if (status == ZR_STATUS_RECONNECTING) {
        log().warn("DcSetCmd GET_NEW_FRAME reconnecting, state={}, error={}, ip={}, handle={}", status,
                   errorText(status), device_info_.ip, handle);
        setState(CameraState::CONNECTING);
        return 3;
    }
    if (!isGoodFrameStatus(status)) {
        logFailure("DcSetCmd ZR_CMD_GET_NEW_FRAME", status);
        return 2;
    }
    setState(CameraState::CONNECTED);

    std::int64_t timeMs = 0;
    void* recordPointer = nullptr;
    const std::int32_t recordStatus = DcGetPtrValue(handle, ZR_PTR_FRAME_DATA, &recordPointer);
    const ZrFrameData* record =
        recordStatus == ZR_STATUS_OK ? static_cast<const ZrFrameData*>(recordPointer) : nullptr;
    if (record != nullptr) {
        timeMs = FrameTime::ofRecord(*record);
    } else {
        log().debug("DcGetPtrValue ZR_PTR_FRAME_DATA unavailable, state={}, error={}, ip={}, handle={}",
                    recordStatus, errorText(recordStatus), device_info_.ip, handle);
    }
    if (timeMs < 1) {
        timeMs = FrameTime::nowMs();
    }
    lastFrameTimeMs_.store(timeMs);

    if (intrinsics_.colorWidth >= 1 && intrinsics_.colorHeight >= 1) {
        if (readColorImage(frame.color, record) != 0) {
            log().warn("getNewFrameSet continues without optional color image, ip={}, handle={}", device_info_.ip,
                       handle);
            frame.color.image = cv::Mat();
        }
    } else {
        frame.color.image = cv::Mat();
    }

    // The depth check also bounds the point data, which has the depth geometry.
    if (readDepthImage(frame.depth, record) != 0) {
        log().error("getNewFrameSet failed while reading depth image, ip={}, handle={}", device_info_.ip, handle);
        return 1;
    }
    frame.intrinsics = intrinsics_;

    if (withCloud) {
        if (readPointCloud(handle, intrinsics_.depthWidth, intrinsics_.depthHeight, frame.cloud, true) != 0) {
            log().error("getNewFrameSet failed while reading point cloud, ip={}, handle={}", device_info_.ip,
                        handle);
            return 1;
        }
    } else {
        // A reused frame set must not carry an earlier cloud under this frame's time.
        frame.cloud.cloud.reset();
    }

    frame.color.timeMs = timeMs;
    frame.depth.timeMs = timeMs;
    frame.cloud.timeMs = timeMs;
    frame.timeMs = timeMs;
    return 0;
}

std::int32_t ZrCameraK7::InitIntrinsics()
{
    const std::uint64_t handle = device_info_.handle;
    const IntrinsicsRead depth = readIntrinsics(handle, ZR_PTR_3D_NEW_INTRIC_PARAM, ZR_PTR_3D_INTRIC_PARAM);
    IntrinsicsRead color;
    if (depth.status == ZR_STATUS_OK && intrinsics_.colorAvailable()) {
        color = readIntrinsics(handle, ZR_PTR_2D_NEW_INTRIC_PARAM, ZR_PTR_2D_INTRIC_PARAM);
    }
    if (depth.status != ZR_STATUS_OK) {
        logFailure("Read depth intrinsics (new/legacy)", depth.status);
        return depth.status;
    }

    intrinsics_.depthFx = depth.values.fx;
    intrinsics_.depthFy = depth.values.fy;
    intrinsics_.depthCx = depth.values.cx;
    intrinsics_.depthCy = depth.values.cy;
    intrinsics_.depthDistortion.assign(depth.values.distortion, depth.values.distortion + 5);
    if (color.status == ZR_STATUS_OK) {
        intrinsics_.colorFx = color.values.fx;
        intrinsics_.colorFy = color.values.fy;
        intrinsics_.colorCx = color.values.cx;
        intrinsics_.colorCy = color.values.cy;
        intrinsics_.colorDistortion.assign(color.values.distortion, color.values.distortion + 5);
    } else {
        intrinsics_.clearColor();
    }

    log().info("Camera intrinsics loaded, ip={}, depth={}x{}, depth_fx={}, depth_fy={}, depth_source={}, "
               "color_available={}, color={}x{}, color_fx={}, color_fy={}, color_read_state={}",
               device_info_.ip, intrinsics_.depthWidth, intrinsics_.depthHeight, intrinsics_.depthFx,
               intrinsics_.depthFy, depth.legacy ? "legacy" : "new", intrinsics_.colorAvailable(),
               intrinsics_.colorWidth, intrinsics_.colorHeight, intrinsics_.colorFx, intrinsics_.colorFy,
               color.status);
    publishIntrinsics();
    return 0;
}

bool ZrCameraK7::insideOwnCallback() const
{
    return deliveringCamera == this;
}

void ZrCameraK7::publishIntrinsics()
{
    std::lock_guard<std::mutex> lock(callbackMutex_);
    callbackIntrinsics_ = intrinsics_;
}

void ZrCameraK7::handleCallbackFrame(const ZrFrameData& frame)
{
    if (!isGoodFrameStatus(frame.status)) {
        log().warn("K7 callback frame skipped, state={}, error={}, ip={}", frame.status, errorText(frame.status),
                   device_info_.ip);
        return;
    }
    setState(CameraState::CONNECTED);
    FrameCallback callback;
    bool wantsCloud = false;
    FrameSet set;
    {
        // The worker thread may be changing intrinsics_ right now; the
        // published copy is consistent.
        std::lock_guard<std::mutex> lock(callbackMutex_);
        callback = callback_;
        wantsCloud = callbackWantsCloud_;
        if (callback) {
            set.intrinsics = callbackIntrinsics_;
        }
    }
    if (!callback) {
        return;
    }

    std::int64_t timeMs = FrameTime::ofRecord(frame);
    if (timeMs < 1) {
        timeMs = FrameTime::nowMs();
    }
    lastFrameTimeMs_.store(timeMs);
    set.timeMs = timeMs;

    if (!firstFrameLogged_.exchange(true)) {
        logFirstFrameMetadata(frame, set.intrinsics);
    }

    const ZrFrameBlock& depthBlock = frame.blocks[ZR_BLOCK_DEPTH];
    set.color.image = SdkImageCopy::copyBlock(frame.blocks[ZR_BLOCK_COLOR]);
    set.depth.image = SdkImageCopy::copyBlock(depthBlock);
    if (!set.color.image.empty()) {
        set.color.timeMs = timeMs;
    }
    if (!set.depth.image.empty()) {
        set.depth.timeMs = timeMs;
    }
    if (wantsCloud && hasPayload(depthBlock)) {
        CloudFrame cloud;
        if (readPointCloud(frame.frameHandle, depthBlock.width, depthBlock.height, cloud, false) == 0) {
            set.cloud = cloud;
            set.cloud.timeMs = timeMs;
        }
    }
    const bool hasCloudPoints = set.cloud.cloud && !set.cloud.cloud->empty();
    if (!set.color.image.empty() || !set.depth.image.empty() || hasCloudPoints) {
        struct Delivering {
            explicit Delivering(const ZrCameraK7* camera) : outer(deliveringCamera) { deliveringCamera = camera; }
            ~Delivering() { deliveringCamera = outer; }
            const ZrCameraK7* outer;
        } delivering(this);
        callback(set);
    }
}

void ZrCameraK7::logFirstFrameMetadata(const ZrFrameData& frame, const CameraIntrinsics& in) const
{
    const ZrFrameBlock& rgb = frame.blocks[ZR_BLOCK_COLOR];
    const ZrFrameBlock& depth = frame.blocks[ZR_BLOCK_DEPTH];
    const auto& dd = in.depthDistortion;
    const auto& cd = in.colorDistortion;
    log().info(
        "K7 first frame metadata, ip={}, device_handle={}, frame_handle={}, rgb_payload={}, rgb_width={}, "
        "rgb_height={}, rgb_channels={}, rgb_type={}, rgb_sensor_ts={}, rgb_recv_ts={}, depth_payload={}, "
        "depth_width={}, depth_height={}, depth_channels={}, depth_type={}, depth_sensor_ts={}, depth_recv_ts={}, "
        "stored_depth_width={}, stored_depth_height={}, stored_depth_type={}, depth_fx={}, depth_fy={}, "
        "depth_cx={}, depth_cy={}, depth_scale={}, depth_dist=[{},{},{},{},{}], stored_color_width={}, "
        "stored_color_height={}, stored_color_channels={}, stored_color_type={}, color_fx={}, color_fy={}, "
        "color_cx={}, color_cy={}, color_dist=[{},{},{},{},{}]",
        device_info_.ip, device_info_.handle, frame.frameHandle, hasPayload(rgb), rgb.width, rgb.height,
        rgb.channels, rgb.type, rgb.sensorTimestamp, rgb.receiveTimestamp, hasPayload(depth), depth.width,
        depth.height, depth.channels, depth.type, depth.sensorTimestamp, depth.receiveTimestamp, in.depthWidth,
        in.depthHeight, in.depthType, in.depthFx, in.depthFy, in.depthCx, in.depthCy, in.depthScale,
        distortionAt(dd, 0), distortionAt(dd, 1), distortionAt(dd, 2), distortionAt(dd, 3), distortionAt(dd, 4),
        in.colorWidth, in.colorHeight, in.colorChannels, in.colorType, in.colorFx, in.colorFy, in.colorCx,
        in.colorCy, distortionAt(cd, 0), distortionAt(cd, 1), distortionAt(cd, 2), distortionAt(cd, 3),
        distortionAt(cd, 4));

    if (!(in.depthFx > 0.0f) || !(in.depthFy > 0.0f)) {
        log().error("K7 invalid depth intrinsics for XYZ conversion, ip={}, handle={}, fx={}, fy={}",
                    device_info_.ip, device_info_.handle, in.depthFx, in.depthFy);
    }
    if (depth.data != nullptr && depth.width >= 1 && depth.height >= 1 && depth.channels > 0) {
        const int cvType = (depth.type & 7) + 8 * (depth.channels - 1);
        if (cvType != 2 && cvType != 5) {
            log().error("K7 unsupported depth frame for XYZ conversion, ip={}, handle={}, width={}, height={}, "
                        "channels={}, sdk_type={}, cv_type={}",
                        device_info_.ip, device_info_.handle, depth.width, depth.height, depth.channels,
                        depth.type, cvType);
        }
        if (in.depthWidth != depth.width || in.depthHeight != depth.height || in.depthType != depth.type) {
            log().warn("K7 stored depth metadata differs from first frame, ip={}, handle={}, "
                       "stored={}x{}/type{}, actual={}x{}/type{}",
                       device_info_.ip, device_info_.handle, in.depthWidth, in.depthHeight, in.depthType,
                       depth.width, depth.height, depth.type);
        }
    }
}

}  // namespace algPlatform
