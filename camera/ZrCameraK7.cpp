#include "ZrCameraK7.h"

#include <filesystem>
#include <mutex>

#include <nlohmann/json.hpp>

#include "BaseCameraFactory.h"
#include "ZrCameraApi.h"
#include "ZrLogger.h"

namespace algPlatform {

namespace {

// Registers the SDK camera for the K family before main runs.
const bool kRegistered = BaseCameraFactory::instance().registerCamera(
    CameraType::K_SERIES, [](const DeviceInfo& info) { return std::make_shared<ZrCameraK7>(info); });

// The command name of an executeCommand text: a JSON string, a JSON integer,
// an object's "name"/"command"/"cmd" (or the same inside its "sdk" object),
// else the trimmed text itself.
std::string commandNameOf(const std::string& text)
{
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_string()) {
        return parsed.get<std::string>();
    }
    if (parsed.is_number_integer()) {
        return parsed.dump();
    }
    if (parsed.is_object()) {
        auto firstName = [](const nlohmann::json& object) -> std::string {
            for (const char* key : {"name", "command", "cmd"}) {
                const auto found = object.find(key);
                if (found != object.end() && found->is_string()) {
                    return found->get<std::string>();
                }
            }
            return {};
        };
        std::string name = firstName(parsed);
        if (name.empty()) {
            const auto sdk = parsed.find("sdk");
            if (sdk != parsed.end() && sdk->is_object()) {
                name = firstName(*sdk);
            }
        }
        if (!name.empty()) {
            return name;
        }
    }
    return SdkParameterNames::trim(text);
}

}  // namespace

spdlog::logger& ZrCameraK7::log()
{
    // "ZrCameraK7.log" in the log directory the program chose ("logs" by default).
    static const std::shared_ptr<spdlog::logger> logger = ZrLogger::getLogger("ZrCameraK7");
    return *logger;
}

std::string ZrCameraK7::errorText(std::int32_t status)
{
    const char* text = DcGetErrorString(status);
    return text != nullptr ? std::string(text) : std::string("unknown");
}

bool ZrCameraK7::isGoodFrameStatus(std::int32_t status)
{
    return status == ZR_STATUS_OK || status == ZR_STATUS_FRAME_INCOMPLETE || status == ZR_STATUS_FRAME_DROPPED;
}

ZrCameraK7::ZrCameraK7(const DeviceInfo& info)
{
    device_info_ = info;
    ip_ = info.ip;
}

ZrCameraK7::~ZrCameraK7()
{
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    stopCallbackStreamLocked();
    if (device_info_.handle != 0) {
        const std::int32_t status = DcCloseDevice(device_info_.handle);
        if (status != ZR_STATUS_OK) {
            logFailure("DcCloseDevice", status);
        } else {
            log().info("K7 camera closed, ip={}, handle={}", device_info_.ip, device_info_.handle);
            device_info_.handle = 0;
            setState(CameraState::DISCONNECTED);
        }
    }
    std::lock_guard<std::mutex> callbackLock(callbackMutex_);
    callback_ = nullptr;
}

void ZrCameraK7::logFailure(const std::string& operation, std::int32_t status) const
{
    log().error("{} failed, state={}, error={}, ip={}, handle={}", operation, status, errorText(status),
                device_info_.ip, device_info_.handle);
}

void ZrCameraK7::redirectSdkLog(const std::string& directoryUtf8, int printLevel)
{
    if (!directoryUtf8.empty()) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::u8path(directoryUtf8), error);
        if (error) {
            log().warn("Cannot create the ZRSDK log folder '{}': {}", directoryUtf8, error.message());
        }
    }
    const std::int32_t outputStatus = DcSetInfoOutput(printLevel, 0, directoryUtf8.c_str(), 0);
    static std::once_flag gpuOnce;
    std::call_once(gpuOnce, [] {
        const std::int32_t status = DcSetGpuEnable(true);
        if (status == ZR_STATUS_OK) {
            log().info("ZRSDK GPU acceleration enabled");
        } else {
            log().error("Failed to enable ZRSDK GPU acceleration, state={}, error={}", status, errorText(status));
        }
    });
    if (outputStatus != ZR_STATUS_OK) {
        log().error("DcSetInfoOutput failed, dir='{}', print_level={}, state={}, error={}", directoryUtf8, printLevel,
                    outputStatus, errorText(outputStatus));
        return;
    }
    log().info("ZRSDK log redirected: dir='{}', print_level={}", directoryUtf8, printLevel);
}

std::int32_t ZrCameraK7::listSdkDevices(std::vector<SdkDeviceRecord>& records)
{
    records.clear();
    ZrDeviceInfo* list = nullptr;
    std::int32_t count = 0;
    const std::int32_t status = DcGetDeviceList(&list, &count, kSdkListFlags);
    if (status != ZR_STATUS_OK) {
        log().error("{} failed, state={}, error={}", "DcGetDeviceList", status, errorText(status));
        return status;
    }
    if (list == nullptr || count < 0) {
        count = 0;
    }
    records.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        records.push_back(SdkDeviceRecord{DeviceInfo::fromSdkRecord(list[i]), list[i].deviceType});
    }
    return ZR_STATUS_OK;
}

std::optional<std::int32_t> ZrCameraK7::resolveParameterId(const std::string& name, SdkValueKind kind)
{
    return SdkParameterNames::resolve(name, kind);
}

void ZrCameraK7::idleHook() {}

std::int32_t ZrCameraK7::auxiliaryCode()
{
    return 0;
}

std::int32_t ZrCameraK7::applyConfig(const std::string& configuration)
{
    return initialize(configuration);
}

bool ZrCameraK7::isNotConnected()
{
    return state() != CameraState::CONNECTED;
}

std::string ZrCameraK7::stateName() const
{
    return cameraStateName(static_cast<std::int32_t>(state()));
}

CameraType ZrCameraK7::cameraType() const
{
    return CameraType::K_SERIES;
}

std::vector<DeviceInfo> ZrCameraK7::discover()
{
    std::vector<DeviceInfo> result;
    std::vector<SdkDeviceRecord> records;
    if (listSdkDevices(records) != ZR_STATUS_OK) {
        return result;
    }
    const CameraType filter = cameraType();
    for (const SdkDeviceRecord& record : records) {
        if (record.deviceType == 0) {
            continue;
        }
        if (filter == CameraType::NONE || filter == record.info.type) {
            result.push_back(record.info);
        }
    }
    log().debug("K7 discover finished, count={}", result.size());
    return result;
}

std::int32_t ZrCameraK7::open()
{
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    discover();
    ZrDeviceInfo record{};
    ZrHandle handle = 0;
    const std::int32_t status = DcOpenDevice(kOpenByAddress, device_info_.ip.c_str(), &handle, &record);
    if (status != ZR_STATUS_OK) {
        logFailure("DcOpenDevice", status);
        setState(CameraState::DISCONNECTED);
        return 1;
    }
    setState(CameraState::CONNECTED);
    const DeviceInfo opened = DeviceInfo::fromSdkRecord(record);
    device_info_.id = opened.id;
    device_info_.handle = record.handle != 0 ? record.handle : handle;
    device_info_.name = opened.name;
    log().info("K7 camera opened, ip={}, id={}, name={}, handle={}", device_info_.ip, device_info_.id,
               device_info_.name, device_info_.handle);
    return 0;
}

std::int32_t ZrCameraK7::close()
{
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    if (device_info_.handle == 0) {
        return 0;
    }
    if (callbackRegistered_) {
        stopCallbackStreamLocked();
    }
    const std::int32_t status = DcCloseDevice(device_info_.handle);
    if (status != ZR_STATUS_OK) {
        logFailure("DcCloseDevice", status);
        return 1;
    }
    log().info("K7 camera closed, ip={}, handle={}", device_info_.ip, device_info_.handle);
    device_info_.handle = 0;
    setState(CameraState::DISCONNECTED);
    return 0;
}

std::int32_t ZrCameraK7::startStream()
{
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    if (device_info_.handle == 0) {
        log().error("DcStartStream skipped because camera is not opened, ip={}", device_info_.ip);
        return 1;
    }
    const std::int32_t status = DcStartStream(device_info_.handle);
    if (status != ZR_STATUS_OK) {
        logFailure("DcStartStream", status);
        return 1;
    }
    log().info("K7 stream started, ip={}, handle={}", device_info_.ip, device_info_.handle);
    return 0;
}

std::int32_t ZrCameraK7::stopStream()
{
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    if (device_info_.handle == 0) {
        log().error("DcStopStream skipped because camera is not opened, ip={}", device_info_.ip);
        return 1;
    }
    const std::int32_t status = DcStopStream(device_info_.handle);
    if (status != ZR_STATUS_OK) {
        logFailure("DcStopStream", status);
        return 1;
    }
    log().info("K7 stream stopped, ip={}, handle={}", device_info_.ip, device_info_.handle);
    return 0;
}

std::int32_t ZrCameraK7::startCallbackStream(bool withCloud, FrameCallback callback)
{
    if (!callback) {
        return 1;
    }
    if (insideOwnCallback()) {
        // The SDK would have to stop the very thread that runs this call.
        log().error("K7 callback stream restart refused inside its own callback, ip={}, handle={}", device_info_.ip,
                    device_info_.handle);
        return 1;
    }
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    if (device_info_.handle == 0) {
        log().error("DcRegisterFrameCallback skipped because camera is not opened, ip={}", device_info_.ip);
        return 1;
    }
    if (callbackRegistered_) {
        stopCallbackStreamLocked();
    }
    {
        std::lock_guard<std::mutex> callbackLock(callbackMutex_);
        callback_ = std::move(callback);
        callbackWantsCloud_ = withCloud;
    }
    firstFrameLogged_ = false;

    auto forgetCallback = [this] {
        std::lock_guard<std::mutex> callbackLock(callbackMutex_);
        callback_ = nullptr;
        callbackWantsCloud_ = false;
    };
    std::int32_t status = DcRegisterFrameCallback(device_info_.handle, &ZrCameraK7::frameTrampoline, this);
    if (status != ZR_STATUS_OK) {
        logFailure("DcRegisterFrameCallback", status);
        forgetCallback();
        return 1;
    }
    callbackRegistered_ = true;
    status = DcStartStream(device_info_.handle);
    if (status != ZR_STATUS_OK) {
        logFailure("DcStartStream(callback)", status);
        DcUnregisterFrameCallback(device_info_.handle);
        callbackRegistered_ = false;
        forgetCallback();
        return 1;
    }
    log().info("K7 callback stream started, ip={}, handle={}", device_info_.ip, device_info_.handle);
    setState(CameraState::CONNECTED);
    return 0;
}

std::int32_t ZrCameraK7::stopCallbackStream()
{
    std::unique_lock<std::shared_mutex> lock(apiMutex_);
    return stopCallbackStreamLocked();
}

std::int32_t ZrCameraK7::stopCallbackStreamLocked()
{
    if (device_info_.handle != 0 && callbackRegistered_) {
        const std::int32_t unregistered = DcUnregisterFrameCallback(device_info_.handle);
        if (unregistered != ZR_STATUS_OK) {
            logFailure("DcUnregisterFrameCallback", unregistered);
        }
        callbackRegistered_ = false;
        const std::int32_t stopped = DcStopStream(device_info_.handle);
        if (stopped != ZR_STATUS_OK) {
            logFailure("DcStopStream(callback)", stopped);
            return 1;
        }
    }
    {
        std::lock_guard<std::mutex> callbackLock(callbackMutex_);
        callback_ = nullptr;
        callbackWantsCloud_ = false;
    }
    log().info("K7 callback stream stopped, ip={}, handle={}", device_info_.ip, device_info_.handle);
    return 0;
}

void ZrCameraK7::frameTrampoline(const ZrFrameData* frame, void* user)
{
    if (user == nullptr || frame == nullptr) {
        return;
    }
    static_cast<ZrCameraK7*>(user)->handleCallbackFrame(*frame);
}

std::int32_t ZrCameraK7::executeCommand(const std::string& command)
{
    const std::string name = commandNameOf(command);
    const std::optional<std::int32_t> id = SdkParameterNames::resolve(name, SdkValueKind::Command);
    if (!id) {
        log().error("K7 unknown SDK command, name={}, ip={}", name, device_info_.ip);
        return 1;
    }
    std::shared_lock<std::shared_mutex> lock(apiMutex_);
    if (device_info_.handle == 0) {
        log().error("K7 DcSetCmd skipped because camera is not opened, name={}, cmd={}, ip={}", name, *id,
                    device_info_.ip);
        return 1;
    }
    log().info("K7 execute SDK command, name={}, cmd={}, ip={}, handle={}", name, *id, device_info_.ip,
               device_info_.handle);
    const std::int32_t status = DcSetCmd(device_info_.handle, *id);
    if (status != ZR_STATUS_OK) {
        logFailure(name, status);
        return 1;
    }
    return 0;
}

}  // namespace algPlatform
