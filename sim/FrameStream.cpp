#include "FrameStream.h"

namespace zrsim {

FrameStream::FrameStream(Producer producer, Sink sink, PeriodSource period)
    : producer_(std::move(producer)), sink_(std::move(sink)), period_(std::move(period)) {}

FrameStream::~FrameStream() { stop(); }

void FrameStream::start() {
    if (onStreamThread()) {
        // Restarted from its own sink: the loop simply carries on.
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = false;
        running_ = true;
        return;
    }
    std::lock_guard<std::mutex> control(controlMutex_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (running_.load()) return;
    }
    if (thread_.joinable()) thread_.join();  // a loop stopped from its own sink
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = false;
        running_ = true;
    }
    thread_ = std::thread([this] { run(); });
}

void FrameStream::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
        running_ = false;
    }
    changed_.notify_all();
    if (onStreamThread()) return;  // the loop ends after the sink returns
    std::lock_guard<std::mutex> control(controlMutex_);
    if (thread_.joinable()) thread_.join();
}

void FrameStream::run() {
    threadId_ = std::this_thread::get_id();
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait_until(lock, next, [this] { return stopRequested_; });
            if (stopRequested_) break;
        }
        const uint64_t sequence = sequence_ + 1;
        FramePtr frame = producer_(sequence);
        if (frame) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopRequested_) break;
                sequence_ = sequence;
                recent_.push_back(frame);
                while (recent_.size() > kRetainedFrames) recent_.pop_front();
            }
            changed_.notify_all();
            if (sink_) sink_(frame);
        }
        // Keep the camera's own clock: the next frame is due one period after
        // this one was due; a late producer skips ahead instead of bursting.
        const auto period = period_();
        next += period;
        const auto now = Clock::now();
        if (next < now) next = now + period - (now - next) % period;
    }
    threadId_ = std::thread::id{};
}

FrameStream::FramePtr FrameStream::waitNewer(uint64_t after, std::chrono::microseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return stopRequested_ || sequence_ > after; });
    if (sequence_ > after && !recent_.empty()) return recent_.back();
    return nullptr;
}

FrameStream::FramePtr FrameStream::newest() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return recent_.empty() ? nullptr : recent_.back();
}

FrameStream::FramePtr FrameStream::find(uint64_t frameHandle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = recent_.rbegin(); it != recent_.rend(); ++it) {
        if ((*it)->frameHandle == frameHandle) return *it;
    }
    return nullptr;
}

}  // namespace zrsim
