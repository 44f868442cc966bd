#include "SimLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "DefaultScene.h"
#include "SimLog.h"
#include "RecordingPlayer.h"
#include "ServedRecordings.h"
#include "SimScene.h"

namespace zrsim {

namespace {

constexpr size_t kRetainedTexts = 256;
constexpr size_t kRetainedDeviceLists = 8;
constexpr uint64_t kDiscoveryHandleBase = 0xD15C000000000000ull;

}  // namespace

SimLibrary& SimLibrary::instance() {
    // Never destroyed: client threads may still call in while the process exits.
    static SimLibrary* library = new SimLibrary();
    // A client that exits with streams running: stop the camera threads before
    // the process tears down the statics they use.
    static const struct StreamStopper {
        ~StreamStopper() { library->stopAllStreams(); }
    } stopper;
    return *library;
}

void SimLibrary::stopAllStreams() {
    std::vector<std::shared_ptr<VirtualCamera>> cameras;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cameras = cameras_;
        for (const auto& entry : served_) cameras.push_back(entry.second.camera);
    }
    for (auto& camera : cameras) camera->shutDown();
}

int32_t SimLibrary::gpuEnableStatus() {
    ensureLoaded();
    std::vector<std::shared_ptr<VirtualCamera>> cameras;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cameras = cameras_;
    }
    for (auto& camera : cameras) {
        if (const int32_t status = camera->gpuEnableStatus()) return status;
    }
    return ZR_STATUS_OK;
}

void SimLibrary::ensureLoaded() {
    std::call_once(loaded_, [this] { loadFromEnvironment(); });
}

void SimLibrary::loadFromEnvironment() {
    const char* stateDir = std::getenv("ZR_SIM_STATE_DIR");
    auto store = stateDir && *stateDir ? std::make_shared<StateStore>(stateDir) : nullptr;
    const char* scenePath = std::getenv("ZR_SIM_SCENE");
    std::string text;
    if (scenePath && *scenePath) {
        std::ifstream in(scenePath, std::ios::binary);
        if (!in) {
            const std::string error = std::string("cannot read scene file '") + scenePath + "' (ZR_SIM_SCENE)";
            std::cerr << "ZrCameraApi (virtual camera): " << error << "; no cameras available\n";
            install(nullptr, error, store);
            return;
        }
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else {
        text = defaultSceneText();
    }
    Scene scene;
    std::string error;
    if (!parseScene(text, scene, error)) {
        if (scenePath && *scenePath) error = std::string("scene file '") + scenePath + "': " + error;
        std::cerr << "ZrCameraApi (virtual camera): " << error << "; no cameras available\n";
        install(nullptr, error, store);
        return;
    }
    install(&scene, "", store);
}

void SimLibrary::install(const Scene* scene, const std::string& error, std::shared_ptr<StateStore> store) {
    std::vector<std::shared_ptr<VirtualCamera>> old;
    std::vector<std::shared_ptr<VirtualCamera>> fresh;
    if (scene) {
        for (size_t i = 0; i < scene->cameras.size(); ++i) {
            fresh.push_back(std::make_shared<VirtualCamera>(scene->cameras[i], static_cast<uint32_t>(i),
                                                            scene->objects, epoch_, store));
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old.swap(cameras_);
        cameras_ = std::move(fresh);
        handles_.clear();
        store_ = store;
        ready_ = scene != nullptr;
        sceneError_ = error;
        if (!error.empty()) lastError_ = error;
    }
    // Old cameras stop their streams here, outside the library lock, so a
    // callback still running on their thread can finish its calls.
    for (auto& camera : old) camera->shutDown();
    old.clear();
    if (scene) logInfo("scene loaded with " + std::to_string(scene->cameras.size()) + " cameras");
    else logError("scene not loaded: " + error);
}

int32_t SimLibrary::readiness() {
    ensureLoaded();
    std::lock_guard<std::mutex> lock(mutex_);
    return ready_ ? ZR_STATUS_OK : ZR_STATUS_LIBRARY_NOT_READY;
}

std::shared_ptr<VirtualCamera> SimLibrary::byHandle(uint64_t handle, int32_t& status) {
    ensureLoaded();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_) {
        status = ZR_STATUS_LIBRARY_NOT_READY;
        return nullptr;
    }
    auto it = handles_.find(handle);
    if (it == handles_.end()) {
        status = ZR_STATUS_INVALID_HANDLE;
        return nullptr;
    }
    status = ZR_STATUS_OK;
    return it->second;
}

std::shared_ptr<VirtualCamera> SimLibrary::byFrameHandle(uint64_t frameHandle) {
    ensureLoaded();
    if ((frameHandle & 0xF000000000000000ull) != CameraFrameSource::kFrameHandleTag) return nullptr;
    const size_t index = static_cast<size_t>((frameHandle >> 40) & 0xFFFFF);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_) return nullptr;
    if (index < cameras_.size()) return cameras_[index];
    for (const auto& entry : served_) {
        if (entry.second.camera->index() == index) return entry.second.camera;
    }
    return nullptr;
}

void SimLibrary::refreshServed() {
    const std::vector<ServedRecording> announced = ServedRecordings::live();
    std::vector<std::shared_ptr<VirtualCamera>> gone;
    std::vector<ServedRecording> added;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = served_.begin(); it != served_.end();) {
            const bool still = std::any_of(announced.begin(), announced.end(), [&](const ServedRecording& s) {
                return s.ip == it->first && s.recording == it->second.recording;
            });
            if (still) {
                ++it;
                continue;
            }
            for (auto h = handles_.begin(); h != handles_.end();) {
                h = h->second == it->second.camera ? handles_.erase(h) : std::next(h);
            }
            gone.push_back(it->second.camera);
            it = served_.erase(it);
        }
        for (const ServedRecording& s : announced) {
            const bool inScene = std::any_of(cameras_.begin(), cameras_.end(),
                                             [&](const auto& c) { return c->setup().ip == s.ip; });
            if (!inScene && served_.count(s.ip) == 0) added.push_back(s);
        }
    }
    for (auto& camera : gone) {
        logInfo("camera " + camera->setup().ip + " is no longer served");
        camera->close();
    }
    for (const ServedRecording& s : added) {
        CameraSetup setup;
        setup.ip = s.ip;
        setup.id = s.ip;
        setup.name = "Replay";
        setup.serial = "REPLAY-" + s.ip;
        std::string error;
        if (!setupFromRecording(s.recording, setup, error)) {
            logError("served camera " + s.ip + " not added: " + error);
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (served_.count(s.ip) != 0) continue;
        auto camera = std::make_shared<VirtualCamera>(setup, nextServedIndex_++, std::vector<SceneObject>{}, epoch_,
                                                      store_);
        served_[s.ip] = Served{s.recording, camera};
        logInfo("camera " + s.ip + " served from " + s.recording);
    }
}

int32_t SimLibrary::deviceList(ZrDeviceInfo** devices, int32_t* count) {
    ensureLoaded();
    refreshServed();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_) return ZR_STATUS_LIBRARY_NOT_READY;
    std::vector<ZrDeviceInfo> list;
    for (size_t i = 0; i < cameras_.size(); ++i) list.push_back(cameras_[i]->record(kDiscoveryHandleBase + i + 1));
    for (const auto& entry : served_) {
        list.push_back(entry.second.camera->record(kDiscoveryHandleBase + entry.second.camera->index() + 1));
    }
    deviceLists_.push_back(std::move(list));
    while (deviceLists_.size() > kRetainedDeviceLists) deviceLists_.pop_front();
    *devices = deviceLists_.back().empty() ? nullptr : deviceLists_.back().data();
    *count = static_cast<int32_t>(deviceLists_.back().size());
    return ZR_STATUS_OK;
}

int32_t SimLibrary::open(const std::string& ip, uint64_t* handle, ZrDeviceInfo* info) {
    ensureLoaded();
    refreshServed();
    std::shared_ptr<VirtualCamera> camera;
    uint64_t newHandle = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ready_) return ZR_STATUS_LIBRARY_NOT_READY;
        for (const auto& c : cameras_) {
            if (c->setup().ip == ip) camera = c;
        }
        const auto served = served_.find(ip);
        if (!camera && served != served_.end()) camera = served->second.camera;
        if (camera) newHandle = nextHandle_++;
    }
    if (!camera) {
        setLastError("no camera answers at '" + ip + "'");
        return ZR_STATUS_DEVICE_NOT_FOUND;
    }
    const int32_t status = camera->open(newHandle);
    if (status != ZR_STATUS_OK) {
        setLastError("camera " + ip + " did not open (status " + std::to_string(status) + ")");
        return status;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handles_[newHandle] = camera;
    }
    *handle = newHandle;
    if (info) *info = camera->record(newHandle);
    logInfo("camera " + ip + " opened, handle " + std::to_string(newHandle));
    return ZR_STATUS_OK;
}

int32_t SimLibrary::close(uint64_t handle) {
    std::shared_ptr<VirtualCamera> camera;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end()) return ready_ ? ZR_STATUS_INVALID_HANDLE : ZR_STATUS_LIBRARY_NOT_READY;
        camera = it->second;
    }
    const int32_t status = camera->close();
    if (status != ZR_STATUS_OK) {
        // A refused close leaves the handle valid, as a camera that is still open.
        setLastError("camera " + camera->setup().ip + " did not close (status " + std::to_string(status) + ")");
        return status;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handles_.erase(handle);
    }
    logInfo("camera " + camera->setup().ip + " closed");
    return ZR_STATUS_OK;
}

const char* SimLibrary::retainText(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_.push_back(std::move(text));
    while (texts_.size() > kRetainedTexts) texts_.pop_front();
    return texts_.back().c_str();
}

void SimLibrary::countCall(const char* function, int32_t id) {
    std::lock_guard<std::mutex> lock(countMutex_);
    ++counts_[function][id];
}

int64_t SimLibrary::callCount(const std::string& function, int32_t id) {
    std::lock_guard<std::mutex> lock(countMutex_);
    auto it = counts_.find(function);
    if (it == counts_.end()) return 0;
    if (id != -1) {
        auto jt = it->second.find(id);
        return jt == it->second.end() ? 0 : jt->second;
    }
    int64_t total = 0;
    for (const auto& entry : it->second) total += entry.second;
    return total;
}

void SimLibrary::setLastError(const std::string& error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lastError_ = error;
    }
    logError(error);
}

const char* SimLibrary::lastError() {
    std::string copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy = lastError_;
    }
    return retainText(std::move(copy));
}

const char* SimLibrary::sceneErrorText() {
    std::string copy;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        copy = sceneError_;
    }
    return retainText("virtual camera scene not loaded: " + copy);
}

int32_t SimLibrary::loadSceneText(const std::string& text) {
    ensureLoaded();
    Scene scene;
    std::string error;
    std::shared_ptr<StateStore> store;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        store = store_;
    }
    if (!parseScene(text, scene, error)) {
        std::cerr << "ZrCameraApi (virtual camera): " << error << "; no cameras available\n";
        install(nullptr, error, store);
        return ZR_STATUS_INVALID_ARGUMENT;
    }
    install(&scene, "", store);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lastError_.clear();
    }
    return ZR_STATUS_OK;
}

void SimLibrary::reset() {
    ensureLoaded();
    {
        std::lock_guard<std::mutex> lock(countMutex_);
        counts_.clear();
    }
    loadFromEnvironment();
    std::lock_guard<std::mutex> lock(mutex_);
    if (ready_) lastError_.clear();
}

int32_t SimLibrary::setFault(const std::string& ip, const std::string& faultJson) {
    ensureLoaded();
    const nlohmann::json faults = nlohmann::json::parse(faultJson, nullptr, false);
    if (faults.is_discarded() || !faults.is_object()) {
        setLastError("fault text is not a JSON object: " + faultJson);
        return ZR_STATUS_INVALID_ARGUMENT;
    }
    std::vector<std::shared_ptr<VirtualCamera>> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ready_) return ZR_STATUS_LIBRARY_NOT_READY;
        for (const auto& camera : cameras_) {
            if (ip == "*" || camera->setup().ip == ip) targets.push_back(camera);
        }
    }
    if (targets.empty()) {
        setLastError("no camera at '" + ip + "' for faults");
        return ZR_STATUS_DEVICE_NOT_FOUND;
    }
    for (const auto& camera : targets) {
        std::string error;
        const int32_t status = camera->setFaults(faults, error);
        if (status != ZR_STATUS_OK) {
            setLastError("faults for " + camera->setup().ip + " refused: " + error);
            return status;
        }
    }
    return ZR_STATUS_OK;
}

int64_t SimLibrary::copyMask(const std::string& ip, const std::string& maskFileName, uint16_t* pixels,
                             int64_t capacity) {
    ensureLoaded();
    std::shared_ptr<VirtualCamera> target;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& camera : cameras_) {
            if (camera->setup().ip == ip) target = camera;
        }
    }
    if (!target) {
        setLastError("no camera at '" + ip + "' for masks");
        return ZR_STATUS_DEVICE_NOT_FOUND;
    }
    std::vector<uint16_t> mask;
    std::string error;
    const int32_t status = target->mask(maskFileName, mask, error);
    if (status != ZR_STATUS_OK) {
        setLastError(error);
        return status;
    }
    std::copy_n(mask.begin(), std::min<int64_t>(capacity, static_cast<int64_t>(mask.size())), pixels);
    return static_cast<int64_t>(mask.size());
}

}  // namespace zrsim
