#pragma once
// Records a live stream without holding up the thread that feeds it: frames,
// runtime samples and camera facts are queued and a writer thread of its own
// compresses and writes them. When the disk or the compressor cannot keep
// up, whole frames are dropped (and counted) rather than the camera worker
// waiting; runtime samples and camera facts are never dropped.
// submit* and stats may be called from any one thread; start/stop from the owner.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <variant>

#include "RecordingWriter.h"

namespace hazard_desk::recording {

class StreamRecorder {
public:
    // Frames waiting for the writer before new ones are dropped (about 0.3 s at 20 fps).
    static constexpr std::size_t kMaxQueuedFrames = 6;

    struct Stats {
        std::uint64_t frames = 0;          // written
        std::uint64_t droppedFrames = 0;
        std::uint64_t runtimeSamples = 0;
        std::uint64_t bytes = 0;
        double writerCpuMs = 0.0;          // CPU time of the writer thread so far
        std::string error;                 // first write failure; recording stops there
    };

    StreamRecorder() = default;
    ~StreamRecorder();
    StreamRecorder(const StreamRecorder&) = delete;
    StreamRecorder& operator=(const StreamRecorder&) = delete;

    // Creates the file (errors are reported here, before anything is queued) and starts the writer.
    bool start(const std::string& path, const McapWriterOptions& options, std::string& error);
    bool running() const { return thread_.joinable(); }

    void submitFrame(FrameRecord frame);
    void submitRuntime(RuntimeRecord runtime);
    void submitCalibration(CalibrationRecord calibration);
    void submitCameraInfo(std::string descriptorJson, std::string intrinsicsJson, std::uint64_t timeNs);
    void submitConfiguration(ConfigurationRecord configuration);

    // Writes what is queued, closes the file and ends the writer thread.
    Stats stop();
    Stats stats() const;

private:
    struct CameraInfo {
        std::string descriptorJson;
        std::string intrinsicsJson;
        std::uint64_t timeNs = 0;
    };
    using Job = std::variant<FrameRecord, RuntimeRecord, CalibrationRecord, CameraInfo, ConfigurationRecord>;

    void push(Job job);
    void run();
    bool write(const Job& job);

    RecordingWriter writer_;
    std::thread thread_;
    mutable std::mutex mutex_;           // guards the members below
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::size_t queuedFrames_ = 0;
    bool stopping_ = false;
    Stats stats_;
};

}  // namespace hazard_desk::recording
