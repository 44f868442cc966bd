#include "BaseCamera.h"

#include <chrono>

namespace algPlatform {

BaseCamera::~BaseCamera()
{
    // A derived camera must have stopped its poll thread; never leave a
    // joinable thread behind (that would terminate the process).
    pollRunning_ = false;
    if (pollThread_.joinable()) {
        if (pollThread_.get_id() == std::this_thread::get_id()) {
            pollThread_.detach();
        } else {
            pollThread_.join();
        }
    }
}

void BaseCamera::setIp(const std::string& ip)
{
    ip_ = ip;
    device_info_.ip = ip;
}

std::int32_t BaseCamera::startCallbackStream(bool withCloud, FrameCallback callback)
{
    if (!callback) {
        return 1;
    }
    // From inside its own callback the poll thread cannot be replaced: it
    // would have to join itself, and assigning over a running thread ends
    // the process. The poll thread names itself before its first callback,
    // so this holds even while the start that made it has not stored it yet.
    if (onPollThread()) {
        return 1;
    }
    // A second start replaces the running poll thread instead of leaking it.
    if (pollThread_.joinable()) {
        stopCallbackStream();
    }
    if (startStream() != 0) {
        return 1;
    }
    pollRunning_ = true;
    pollOpenedStream_ = true;
    pollThread_ = std::thread(&BaseCamera::pollLoop, this, withCloud, std::move(callback));
    return 0;
}

bool BaseCamera::onPollThread() const
{
    return pollThreadId_.load() == std::this_thread::get_id();
}

void BaseCamera::pollLoop(bool withCloud, FrameCallback callback)
{
    pollThreadId_ = std::this_thread::get_id();
    while (pollRunning_) {
        FrameSet frame;
        const std::int32_t code = getNewFrameSet(frame, withCloud);
        if (!pollRunning_) {
            break;
        }
        if (code != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollRetryDelayMs));
            continue;
        }
        callback(frame);
    }
}

std::int32_t BaseCamera::stopCallbackStream()
{
    pollRunning_ = false;
    std::int32_t result = 0;
    if (pollOpenedStream_.exchange(false)) {
        result = stopStream();
    }
    if (!onPollThread() && pollThread_.joinable()) {
        pollThread_.join();
        pollThreadId_ = std::thread::id();
    }
    return result;
}

CameraState BaseCamera::state() const
{
    return state_.load();
}

std::string BaseCamera::stateName() const
{
    return {};
}

bool BaseCamera::auxiliaryFlag() const
{
    return false;
}

void BaseCamera::setState(CameraState state)
{
    state_.store(state);
}

}  // namespace algPlatform
