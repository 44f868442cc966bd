#pragma once
// A camera's frame clock: while started, a library thread produces a frame
// every period (the camera's fps) through the producer it was given,
// publishes it as the newest frame and hands it to the frame sink (callback
// streaming). Clients wait for a frame newer than the one they had. Recent
// frames stay alive for a while so pointers handed out remain valid.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "RenderedFrame.h"

namespace zrsim {

class FrameStream {
public:
    using FramePtr = std::shared_ptr<RenderedFrame>;
    /// Renders frame number `sequence`; runs on the stream thread.
    using Producer = std::function<FramePtr(uint64_t sequence)>;
    /// Receives every published frame on the stream thread.
    using Sink = std::function<void(const FramePtr&)>;
    /// Current frame period (read before each frame, so fps changes apply).
    using PeriodSource = std::function<std::chrono::microseconds()>;

    /// Frames kept alive after they were superseded.
    static constexpr size_t kRetainedFrames = 8;

    FrameStream(Producer producer, Sink sink, PeriodSource period);
    ~FrameStream();
    FrameStream(const FrameStream&) = delete;
    FrameStream& operator=(const FrameStream&) = delete;

    void start();
    /// Stops and joins the thread (from the stream thread itself: stops without joining).
    void stop();
    bool running() const { return running_.load(); }
    bool onStreamThread() const { return std::this_thread::get_id() == threadId_.load(); }

    /// The newest frame with a sequence above `after`, waiting at most `timeout`;
    /// null when none arrived (or the stream stopped).
    FramePtr waitNewer(uint64_t after, std::chrono::microseconds timeout);
    FramePtr newest() const;
    /// A recent frame by its frame handle, or null.
    FramePtr find(uint64_t frameHandle) const;

private:
    void run();

    Producer producer_;
    Sink sink_;
    PeriodSource period_;
    std::atomic<bool> running_{false};
    std::atomic<std::thread::id> threadId_{};
    std::thread thread_;
    std::mutex controlMutex_;  ///< serialises start/stop from client threads
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopRequested_ = false;
    uint64_t sequence_ = 0;
    std::deque<FramePtr> recent_;  ///< newest at the back
};

}  // namespace zrsim
