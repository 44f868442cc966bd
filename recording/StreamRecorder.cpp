#include "StreamRecorder.h"

#include <ctime>

namespace hazard_desk::recording {

namespace {

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

}  // namespace

StreamRecorder::~StreamRecorder() {
    if (running()) {
        stop();
    }
}

bool StreamRecorder::start(const std::string& path, const McapWriterOptions& options, std::string& error) {
    if (running()) {
        error = "a recording is already running";
        return false;
    }
    if (!writer_.open(path, options)) {
        error = writer_.error();
        writer_.close();
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stats_ = Stats{};
        stats_.bytes = writer_.bytesWritten();
        stopping_ = false;
        queue_.clear();
        queuedFrames_ = 0;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void StreamRecorder::push(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || !thread_.joinable()) {
            return;
        }
        if (std::holds_alternative<FrameRecord>(job)) {
            if (queuedFrames_ >= kMaxQueuedFrames || !stats_.error.empty()) {
                ++stats_.droppedFrames;
                return;
            }
            ++queuedFrames_;
        }
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void StreamRecorder::submitFrame(FrameRecord frame) { push(std::move(frame)); }
void StreamRecorder::submitRuntime(RuntimeRecord runtime) { push(std::move(runtime)); }
void StreamRecorder::submitCalibration(CalibrationRecord calibration) { push(std::move(calibration)); }
void StreamRecorder::submitConfiguration(ConfigurationRecord configuration) { push(std::move(configuration)); }

void StreamRecorder::submitCameraInfo(std::string descriptorJson, std::string intrinsicsJson, std::uint64_t timeNs) {
    push(CameraInfo{std::move(descriptorJson), std::move(intrinsicsJson), timeNs});
}

bool StreamRecorder::write(const Job& job) {
    if (const auto* frame = std::get_if<FrameRecord>(&job)) {
        return writer_.writeFrame(*frame);
    }
    if (const auto* runtime = std::get_if<RuntimeRecord>(&job)) {
        return writer_.writeRuntime(*runtime);
    }
    if (const auto* calibration = std::get_if<CalibrationRecord>(&job)) {
        return writer_.writeCalibration(*calibration);
    }
    if (const auto* info = std::get_if<CameraInfo>(&job)) {
        return writer_.writeCameraInfo(info->descriptorJson, info->intrinsicsJson, info->timeNs);
    }
    return writer_.writeConfiguration(std::get<ConfigurationRecord>(job));
}

void StreamRecorder::run() {
    const double cpuStart = threadCpuMs();
    bool failed = false;
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                break;  // stopping and drained
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        const bool isFrame = std::holds_alternative<FrameRecord>(job);
        const bool isRuntime = std::holds_alternative<RuntimeRecord>(job);
        const bool ok = failed || write(job);
        // The frame's buffers go back to their owner before the counters say it is written.
        job = RuntimeRecord{};
        std::lock_guard<std::mutex> lock(mutex_);
        if (isFrame) {
            --queuedFrames_;
        }
        if (!failed && ok) {
            stats_.frames += isFrame ? 1 : 0;
            stats_.runtimeSamples += isRuntime ? 1 : 0;
        }
        if (!ok && !failed) {
            failed = true;
            stats_.error = writer_.error();
        }
        stats_.bytes = writer_.bytesWritten();
        stats_.writerCpuMs = threadCpuMs() - cpuStart;
    }
    const bool closed = writer_.close();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!closed && stats_.error.empty()) {
        stats_.error = writer_.error();
    }
    stats_.bytes = writer_.bytesWritten();
    stats_.writerCpuMs = threadCpuMs() - cpuStart;
}

StreamRecorder::Stats StreamRecorder::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
    return stats();
}

StreamRecorder::Stats StreamRecorder::stats() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stats_;
}

}  // namespace hazard_desk::recording
