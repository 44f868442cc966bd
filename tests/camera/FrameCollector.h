#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "FrameSet.h"

namespace algPlatform {

// Collects callback frames and lets a test wait for a number of them.
class FrameCollector {
public:
    void add(const FrameSet& frame)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        last_ = frame;
        changed_.notify_all();
    }
    bool waitFor(int count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return count_ >= count; });
    }
    int count()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }
    FrameSet last()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return last_;
    }
    FrameCallback callback()
    {
        return [this](FrameSet& frame) { add(frame); };
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
    FrameSet last_;
};

}  // namespace algPlatform
