#include "ObstacleCameraBridge.h"

#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "DiscoveryListReader.h"
#include "FormatSdkError.h"
#include "SdkImageCopy.h"
#include "V1MaskUploader.h"
#include "ZrCameraApi.h"

namespace hazard_desk {

namespace {

constexpr std::int32_t kFrameReconnecting = 3;   // getNewFrameSet: the SDK is reconnecting
constexpr std::int32_t kHighestCvDepthCode = 6;

void setError(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
}

// Statuses of a stream or coordinate switch that leave the camera usable.
bool streamSwitchDone(std::int32_t status)
{
    return status == ZR_STATUS_NOT_SUPPORTED || status == ZR_STATUS_OK || status == ZR_STATUS_NOT_READY;
}

bool amplitudeSwitchDone(std::int32_t status)
{
    return status == ZR_STATUS_UNAVAILABLE || streamSwitchDone(status);
}

// The I/O ids a camera without I/O lines answers as unsupported on every call.
bool cachesUnsupportedStatus(std::int32_t id)
{
    return id == ZR_INT_IO_HARDWARE_WORK_MODE || id == ZR_INT_IO_INPUT_STATUS || id == ZR_INT_IO_OUTPUT_STATUS;
}

algPlatform::DeviceInfo deviceInfoOf(const CameraDescriptor& descriptor)
{
    algPlatform::DeviceInfo info;
    info.type = static_cast<algPlatform::CameraType>(descriptor.cameraType);
    info.ip = descriptor.ip.toStdString();
    info.id = descriptor.id.toStdString();
    info.serial = descriptor.serial.toStdString();
    info.name = descriptor.name.toStdString();
    // The discovery handle is not a device handle; the connection gets its own.
    info.handle = 0;
    return info;
}

}  // namespace

ObstacleCameraBridge::ObstacleCameraBridge(const CameraDescriptor& descriptor)
    : ZrCameraK7(deviceInfoOf(descriptor)), descriptor_(descriptor)
{
}

ObstacleCameraBridge::~ObstacleCameraBridge()
{
    if (streaming_ && ZrCameraK7::stopStream() != 0) {
        log().warn("Obstacle bridge could not stop the stream while closing, ip={}", device_info_.ip);
    }
    streaming_ = false;
}

algPlatform::CameraType ObstacleCameraBridge::cameraType() const
{
    return static_cast<algPlatform::CameraType>(descriptor_.cameraType);
}

std::vector<CameraDescriptor> ObstacleCameraBridge::listDevices(QString* error)
{
    ZrDeviceInfo* list = nullptr;
    std::int32_t count = 0;
    const std::int32_t status = DcGetDeviceList(&list, &count, kSdkListFlags);
    if (status != ZR_STATUS_OK) {
        setError(error, formatSdkError(QStringLiteral("搜索相机"), status));
        return {};
    }
    return DiscoveryListReader::read(list, count);
}

QString ObstacleCameraBridge::sdkVersion()
{
    const char* version = DcGetApiVersion();
    return version != nullptr ? QString::fromUtf8(version).trimmed() : QString();
}

void ObstacleCameraBridge::forgetConnectionState()
{
    tracker_.reset();
    unsupportedParameters_.clear();
}

bool ObstacleCameraBridge::openCamera(QString* error)
{
    forgetConnectionState();
    if (ZrCameraK7::open() != 0) {
        setError(error, QStringLiteral("baseCamera 打开 %1 失败，请检查网段、占用和供电").arg(descriptor_.ip));
        return false;
    }
    descriptor_.id = QString::fromStdString(device_info_.id);
    descriptor_.name = QString::fromStdString(device_info_.name);

    for (const CameraDescriptor& listed : listDevices(nullptr)) {
        if (listed.ip == descriptor_.ip) {
            descriptor_.sdkDeviceType = listed.sdkDeviceType;
            descriptor_.model = listed.model;
            descriptor_.cameraType = listed.cameraType;
            // A camera opened by address alone (hazard-desk-cli info) still
            // describes itself as its device-list entry does.
            if (descriptor_.serial.isEmpty()) {
                descriptor_.serial = listed.serial;
            }
            break;
        }
    }

    ZrIntValue maxDepth{};
    descriptor_.maxDepthMm =
        readIntParameter(ZR_INT_MAX_DEPTH, maxDepth, nullptr) && maxDepth.current >= 1 ? maxDepth.current : 0;

    std::string text;
    if (readStringParameter(ZR_STRING_DEVICE_VERSION, text, nullptr)) {
        descriptor_.firmware = QString::fromStdString(text);
    }
    if (readStringParameter(ZR_STRING_ALGORITHM_VERSION, text, nullptr)) {
        descriptor_.algorithmVersion = QString::fromStdString(text);
    }
    log().info("Obstacle camera opened, ip={}, model={}, type={}, max_depth_mm={}", device_info_.ip,
               descriptor_.model.toStdString(), descriptor_.sdkDeviceType, descriptor_.maxDepthMm);
    return true;
}

bool ObstacleCameraBridge::prepareStreams(QString* error)
{
    std::int32_t status = ZR_STATUS_OK;
    {
        std::shared_lock<std::shared_mutex> lock(apiMutex_);
        status = DcSetBoolValue(handle(), ZR_BOOL_ENABLE_3D_DEPTH_STREAM, true);
    }
    if (!streamSwitchDone(status)) {
        logFailure("DcSetBoolValue ZR_BOOL_ENABLE_3D_DEPTH_STREAM", status);
        setError(error, formatSdkError(QStringLiteral("开启深度流"), status));
        return false;
    }
    {
        std::shared_lock<std::shared_mutex> lock(apiMutex_);
        status = DcSetBoolValue(handle(), ZR_BOOL_ENABLE_3D_AMP_STREAM, true);
    }
    if (!amplitudeSwitchDone(status)) {
        logFailure("DcSetBoolValue ZR_BOOL_ENABLE_3D_AMP_STREAM", status);
        setError(error, QStringLiteral("相机流能力初始化失败"));
        return false;
    }
    for (const std::int32_t id : {ZR_INT_XYZ_COORDINATE, ZR_INT_XYZ_UNIT}) {
        {
            std::shared_lock<std::shared_mutex> lock(apiMutex_);
            status = DcSetIntValue(handle(), id, 0);
        }
        if (!streamSwitchDone(status)) {
            logFailure(id == ZR_INT_XYZ_COORDINATE ? "DcSetIntValue ZR_INT_XYZ_COORDINATE" : "DcSetIntValue ZR_INT_XYZ_UNIT",
                       status);
            setError(error, QStringLiteral("设置点云坐标系/单位失败"));
            return false;
        }
    }
    if (initialize("{}") != 0) {
        setError(error, QStringLiteral("baseCamera 回读深度相机内参失败"));
        return false;
    }
    descriptor_.rgbAvailable = intrinsics_.colorAvailable();
    log().info("Obstacle camera streams prepared, ip={}, rgb_available={}", device_info_.ip, descriptor_.rgbAvailable);
    return true;
}

bool ObstacleCameraBridge::closeCamera(QString* error)
{
    if (streaming_) {
        if (ZrCameraK7::stopStream() != 0) {
            log().warn("Obstacle bridge could not stop the stream before closing, ip={}", device_info_.ip);
        }
        streaming_ = false;
    }
    if (ZrCameraK7::close() != 0) {
        setError(error, QStringLiteral("关闭相机句柄失败，请查看 SDK 日志"));
        return false;
    }
    forgetConnectionState();
    return true;
}

bool ObstacleCameraBridge::startStreaming(QString* error)
{
    if (streaming_) {
        return true;
    }
    if (ZrCameraK7::startStream() != 0) {
        setError(error, QStringLiteral("baseCamera 启动数据流失败"));
        return false;
    }
    streaming_ = true;
    return true;
}

bool ObstacleCameraBridge::stopStreaming(QString* error)
{
    if (!streaming_) {
        return true;
    }
    if (ZrCameraK7::stopStream() != 0) {
        setError(error, QStringLiteral("baseCamera 停止数据流失败"));
        return false;
    }
    streaming_ = false;
    return true;
}

bool ObstacleCameraBridge::frameResult(std::int32_t status, QString* error) const
{
    if (status == 0) {
        return true;
    }
    setError(error, status == kFrameReconnecting ? QStringLiteral("相机正在重连")
                                                 : QStringLiteral("baseCamera 获取新帧失败"));
    return false;
}

bool ObstacleCameraBridge::grabFrame(algPlatform::FrameSet& frameSet, cv::Mat& amplitude, QString* error)
{
    amplitude = cv::Mat();
    if (!frameResult(getNewFrameSet(frameSet, true), error)) {
        return false;
    }
    amplitude = amplitudeOfCurrentFrame();
    return true;
}

bool ObstacleCameraBridge::probeFrame(QString* error)
{
    algPlatform::FrameSet discarded;
    return frameResult(getNewFrameSet(discarded, false), error);
}

cv::Mat ObstacleCameraBridge::amplitudeOfCurrentFrame()
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    void* data = nullptr;
    const std::int32_t status = DcGetPtrValue(handle(), ZR_PTR_FRAME_DATA, &data);
    if (status != ZR_STATUS_OK || data == nullptr) {
        return cv::Mat();
    }
    ZrFrameBlock block{};
    std::memcpy(&block, static_cast<const unsigned char*>(data) + offsetof(ZrFrameData, blocks) +
                            ZR_BLOCK_AMPLITUDE * sizeof(ZrFrameBlock),
                sizeof(block));
    if (block.data == nullptr || block.width < 1 || block.height < 1 || block.channels < 1 || block.type < 0 ||
        block.type > kHighestCvDepthCode) {
        return cv::Mat();
    }
    return algPlatform::SdkImageCopy::copyImage(block.data, block.width, block.height, block.type, block.channels);
}

bool ObstacleCameraBridge::readIntParameter(std::int32_t id, ZrIntValue& value, QString* error)
{
    value = ZrIntValue{};
    std::int32_t status = ZR_STATUS_OK;
    const auto cached = unsupportedParameters_.find(id);
    if (cached != unsupportedParameters_.end()) {
        status = cached->second;
    } else {
        {
            std::shared_lock<std::shared_mutex> lock(apiMutex_);
            status = DcGetIntValue(handle(), id, &value);
        }
        if (cachesUnsupportedStatus(id) && (status == ZR_STATUS_NOT_SUPPORTED || status == ZR_STATUS_NOT_READY)) {
            unsupportedParameters_[id] = status;
            log().info("Obstacle camera does not offer int parameter {}, status={}, ip={}", id, status,
                       device_info_.ip);
        }
    }
    if (status != ZR_STATUS_OK) {
        value = ZrIntValue{};
        setError(error, formatSdkError(QStringLiteral("读取整数特性 %1").arg(id), status));
        return false;
    }
    return true;
}

std::int32_t ObstacleCameraBridge::fetchString(std::int32_t id, std::string& text, bool& textMissing)
{
    text.clear();
    const char* value = nullptr;
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    const std::int32_t status = DcGetStringValue(handle(), id, &value);
    // The SDK's buffer is reused by the next string read: copy it now.
    if (status == ZR_STATUS_OK && value != nullptr) {
        text = value;
    }
    textMissing = value == nullptr;
    return status;
}

bool ObstacleCameraBridge::readStringParameter(std::int32_t id, std::string& text, QString* error)
{
    bool textMissing = false;
    const std::int32_t status = fetchString(id, text, textMissing);
    if (status != ZR_STATUS_OK || textMissing) {
        setError(error, formatSdkError(QStringLiteral("读取字符串特性 %1").arg(id), status));
        return false;
    }
    return true;
}

bool ObstacleCameraBridge::readAlgorithmMode(int& mode, QString* error)
{
    ZrIntValue value{};
    if (!readIntParameter(ZR_INT_ALGORITHM_MODE, value, error)) {
        return false;
    }
    mode = value.current;
    return true;
}

bool ObstacleCameraBridge::setAlgorithmMode(int mode, QString* error)
{
    std::int32_t status = ZR_STATUS_OK;
    {
        std::shared_lock<std::shared_mutex> lock(apiMutex_);
        status = DcSetIntValue(handle(), ZR_INT_ALGORITHM_MODE, mode);
    }
    if (status != ZR_STATUS_OK) {
        logFailure("DcSetIntValue ZR_INT_ALGORITHM_MODE", status);
        setError(error, formatSdkError(QStringLiteral("设置避障算法模式"), status));
        return false;
    }
    log().info("Obstacle algorithm mode set, mode={}, ip={}", mode, device_info_.ip);
    return true;
}

bool ObstacleCameraBridge::readAlgorithmVersion(QString& text)
{
    std::string version;
    if (!readStringParameter(ZR_STRING_ALGORITHM_VERSION, version, nullptr)) {
        return false;
    }
    text = QString::fromStdString(version);
    return true;
}

bool ObstacleCameraBridge::readAlgorithmParams(std::string& text, QString* error)
{
    bool textMissing = false;
    const std::int32_t status = fetchString(ZR_STRING_ALGORITHM_PARAMS, text, textMissing);
    if (status != ZR_STATUS_OK) {
        setError(error, formatSdkError(QStringLiteral("读取字符串特性 %1").arg(ZR_STRING_ALGORITHM_PARAMS), status));
        return false;
    }
    // A success without text is an empty answer, not an SDK failure.
    if (textMissing || QString::fromStdString(text).trimmed().isEmpty()) {
        setError(error, QStringLiteral("设备返回空的避障参数，本次回读失败"));
        return false;
    }
    return true;
}

bool ObstacleCameraBridge::writeAlgorithmParams(const std::string& text, QString* error)
{
    std::int32_t status = ZR_STATUS_OK;
    {
        std::shared_lock<std::shared_mutex> lock(apiMutex_);
        status = DcSetStringValue(handle(), ZR_STRING_ALGORITHM_PARAMS, text.c_str());
    }
    if (status != ZR_STATUS_OK) {
        logFailure("DcSetStringValue ZR_STRING_ALGORITHM_PARAMS", status);
        setError(error, formatSdkError(QStringLiteral("下发避障 JSON"), status));
        return false;
    }
    log().info("Obstacle parameters written, bytes={}, ip={}", text.size(), device_info_.ip);
    return true;
}

int ObstacleCameraBridge::specialControl(const char* name, std::int32_t& data)
{
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    return DcSpecialControl(handle(), name, &data);
}

bool ObstacleCameraBridge::readActiveTemplate(int& index, QString* error)
{
    index = -1;
    std::int32_t value = -1;
    const std::int32_t status = specialControl(ZR_SPECIAL_GET_OBSTACLE_INDEX, value);
    if (status != ZR_STATUS_OK) {
        setError(error, formatSdkError(QStringLiteral("读取当前避障模板"), status));
        return false;
    }
    if (value < kFirstTemplate || value > kLastTemplate) {
        setError(error, QStringLiteral("设备参数缺少有效的 ZoneIndex 或对应模板区域"));
        return false;
    }
    index = value;
    return true;
}

bool ObstacleCameraBridge::selectTemplate(int index, QString* error)
{
    std::int32_t value = index;
    const std::int32_t status = specialControl(ZR_SPECIAL_SET_OBSTACLE_MODE, value);
    if (status != ZR_STATUS_OK) {
        logFailure("DcSpecialControl SetObstacleMode", status);
        setError(error, formatSdkError(QStringLiteral("切换避障模板 %1").arg(index), status));
        return false;
    }
    log().info("Obstacle template selected, index={}, ip={}", index, device_info_.ip);
    return true;
}

bool ObstacleCameraBridge::readIoHardwareMode(int& mode, QString* error)
{
    mode = -1;
    ZrIntValue value{};
    if (!readIntParameter(ZR_INT_IO_HARDWARE_WORK_MODE, value, error)) {
        return false;
    }
    if (value.current != 0 && value.current != 1) {
        setError(error, QStringLiteral("设备返回的 IO 模式无效：%1").arg(value.current));
        return false;
    }
    mode = value.current;
    return true;
}

bool ObstacleCameraBridge::setIoModes(int workMode, int hardwareMode, QString* error)
{
    if (hardwareMode >= 2) {
        setError(error, QStringLiteral("请选择有效的 IO 模式"));
        return false;
    }
    const std::pair<std::int32_t, int> writes[] = {{ZR_INT_IO_WORK_MODE, workMode},
                                                   {ZR_INT_IO_HARDWARE_WORK_MODE, hardwareMode}};
    for (const auto& [id, value] : writes) {
        if (value < 0) {
            continue;   // -1 keeps that mode
        }
        std::int32_t status = ZR_STATUS_OK;
        {
            std::shared_lock<std::shared_mutex> lock(apiMutex_);
            status = DcSetIntValue(handle(), id, value);
        }
        if (status != ZR_STATUS_OK) {
            logFailure(id == ZR_INT_IO_WORK_MODE ? "DcSetIntValue ZR_INT_IO_WORK_MODE"
                                                 : "DcSetIntValue ZR_INT_IO_HARDWARE_WORK_MODE",
                       status);
            setError(error, formatSdkError(id == ZR_INT_IO_WORK_MODE ? QStringLiteral("设置 IO 工作模式")
                                                                     : QStringLiteral("设置 IO 硬件模式"),
                                           status));
            return false;
        }
    }
    log().info("Obstacle I/O modes written, work_mode={}, hardware_mode={}, ip={}", workMode, hardwareMode,
               device_info_.ip);
    return true;
}

bool ObstacleCameraBridge::uploadV1Masks(const QStringList& files, QString* error)
{
    QString reason;
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    if (!V1MaskUploader::upload(handle(), files, &reason)) {
        log().error("Obstacle V1 mask upload failed, files={}, reason={}, ip={}", files.size(), reason.toStdString(),
                    device_info_.ip);
        setError(error, reason);
        return false;
    }
    log().info("Obstacle V1 masks uploaded, files={}, ip={}", files.size(), device_info_.ip);
    return true;
}

int ObstacleCameraBridge::resolveActiveTemplate(int deviceIndex, int jsonIndex)
{
    return tracker_.resolve(deviceIndex, jsonIndex);
}

}  // namespace hazard_desk
