#pragma once
// The worker's side of a recording: turns the frames, runtime samples and
// configurations the worker already has into recording records (without
// copying the images: the recorder shares the frame's buffers) and hands
// them to a StreamRecorder, whose own thread compresses and writes.
// Lives on the worker thread.
#include <QElapsedTimer>
#include <QString>
#include <QVariantMap>
#include <memory>

#include <opencv2/core/mat.hpp>

#include "CameraDescriptor.h"
#include "ObstacleRuntime.h"
#include "camera/FrameSet.h"

namespace hazard_desk {

namespace recording {
class StreamRecorder;
}

class RecordingSession {
public:
    // The progress map is offered at most this often.
    static constexpr qint64 kProgressIntervalMs = 1000;

    RecordingSession();
    ~RecordingSession();

    bool start(const QString& path, const CameraDescriptor& descriptor, QString* error);
    bool active() const;
    const QString& path() const { return path_; }

    void recordFrame(const algPlatform::FrameSet& frame, const cv::Mat& amplitude);
    void recordRuntime(const ObstacleRuntime& runtime, float measuredFps, int latencyMs, int mode, qint64 timeMs);
    // The configuration the camera runs; written again only when it changed.
    void recordConfiguration(const QString& workstationJson, const QString& deviceJson, int mode);

    // "path", "frames", "droppedFrames", "runtimeSamples", "bytes", "seconds",
    // "writerCpuMs" and, after a failure, "error".
    QVariantMap progress() const;
    // True when a progress map is due (then the clock restarts).
    bool progressDue();
    // Closes the file; the final progress map.
    QVariantMap stop();

private:
    std::unique_ptr<recording::StreamRecorder> recorder_;
    QString path_;
    CameraDescriptor descriptor_;
    bool cameraInfoWritten_ = false;
    quint32 sequence_ = 0;
    qint64 firstFrameMs_ = 0;
    qint64 lastFrameMs_ = 0;
    QString lastWorkstationJson_;
    QElapsedTimer progressClock_;
};

}  // namespace hazard_desk
