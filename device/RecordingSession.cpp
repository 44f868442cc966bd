#include "RecordingSession.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <nlohmann/json.hpp>

#include "CameraDescriptorMap.h"
#include "StreamRecorder.h"

namespace hazard_desk {

namespace {

std::uint64_t nanos(qint64 timeMs) {
    return timeMs > 0 ? static_cast<std::uint64_t>(timeMs) * 1000000ULL : 0;
}

// The pixel layout names viewers know; other layouts are not recorded.
std::string encodingOf(int type) {
    switch (type) {
    case CV_16UC1: return "16UC1";
    case CV_32FC1: return "32FC1";
    case CV_8UC1: return "mono8";
    case CV_8UC3: return "bgr8";
    case CV_8UC4: return "bgra8";
    default: return {};
    }
}

recording::ImagePlane planeOf(const cv::Mat& image) {
    recording::ImagePlane plane;
    plane.encoding = encodingOf(image.type());
    if (image.empty() || plane.encoding.empty() || image.dims != 2) {
        return plane;
    }
    // The recorder keeps its own reference: the pixels are shared, not copied.
    auto owner = std::make_shared<cv::Mat>(image);
    plane.width = image.cols;
    plane.height = image.rows;
    plane.step = static_cast<std::uint32_t>(image.step[0]);
    plane.data = owner->data;
    plane.owner = owner;
    return plane;
}

std::string intrinsicsJson(const algPlatform::CameraIntrinsics& in) {
    nlohmann::ordered_json j;
    j["depthWidth"] = in.depthWidth;
    j["depthHeight"] = in.depthHeight;
    j["depthType"] = in.depthType;
    j["depthFx"] = in.depthFx;
    j["depthFy"] = in.depthFy;
    j["depthCx"] = in.depthCx;
    j["depthCy"] = in.depthCy;
    j["depthScale"] = in.depthScale;
    j["depthDistortion"] = in.depthDistortion;
    j["colorWidth"] = in.colorWidth;
    j["colorHeight"] = in.colorHeight;
    j["colorType"] = in.colorType;
    j["colorChannels"] = in.colorChannels;
    j["colorFx"] = in.colorFx;
    j["colorFy"] = in.colorFy;
    j["colorCx"] = in.colorCx;
    j["colorCy"] = in.colorCy;
    j["colorDistortion"] = in.colorDistortion;
    return j.dump(2);
}

}  // namespace

RecordingSession::RecordingSession() = default;
RecordingSession::~RecordingSession() {
    if (active()) {
        stop();
    }
}

bool RecordingSession::active() const { return recorder_ != nullptr; }

bool RecordingSession::start(const QString& path, const CameraDescriptor& descriptor, QString* error) {
    if (active()) {
        stop();
    }
    auto recorder = std::make_unique<recording::StreamRecorder>();
    std::string failure;
    if (!recorder->start(path.toStdString(), recording::McapWriterOptions{}, failure)) {
        if (error != nullptr) {
            *error = QString::fromStdString(failure);
        }
        return false;
    }
    recorder_ = std::move(recorder);
    path_ = path;
    descriptor_ = descriptor;
    cameraInfoWritten_ = false;
    sequence_ = 0;
    firstFrameMs_ = lastFrameMs_ = 0;
    lastWorkstationJson_.clear();
    progressClock_.start();
    return true;
}

void RecordingSession::recordFrame(const algPlatform::FrameSet& frame, const cv::Mat& amplitude) {
    if (!active()) {
        return;
    }
    const std::uint64_t timeNs = nanos(frame.timeMs);
    if (!cameraInfoWritten_) {
        // The intrinsics come with the first frame.
        const QByteArray descriptor =
            QJsonDocument(QJsonObject::fromVariantMap(CameraDescriptorMap::toMap(descriptor_))).toJson();
        recorder_->submitCameraInfo(descriptor.toStdString(), intrinsicsJson(frame.intrinsics), timeNs);
        const algPlatform::CameraIntrinsics& in = frame.intrinsics;
        recording::CalibrationRecord calibration;
        calibration.timeNs = timeNs;
        calibration.width = in.depthWidth;
        calibration.height = in.depthHeight;
        calibration.fx = in.depthFx;
        calibration.fy = in.depthFy;
        calibration.cx = in.depthCx;
        calibration.cy = in.depthCy;
        calibration.distortion.assign(in.depthDistortion.begin(), in.depthDistortion.end());
        recorder_->submitCalibration(calibration);
        cameraInfoWritten_ = true;
    }
    recording::FrameRecord record;
    record.timeNs = timeNs;
    record.sequence = ++sequence_;
    record.depth = planeOf(frame.depth.image);
    record.amplitude = planeOf(amplitude);
    record.color = planeOf(frame.color.image);
    if (frame.cloud.cloud && !frame.cloud.cloud->points.empty()) {
        record.points.data = reinterpret_cast<const std::uint8_t*>(frame.cloud.cloud->points.data());
        record.points.count = frame.cloud.cloud->points.size();
        record.points.stride = sizeof(pcl::PointXYZRGB);
        record.points.owner = frame.cloud.cloud;
    }
    recorder_->submitFrame(std::move(record));
    firstFrameMs_ = firstFrameMs_ == 0 ? frame.timeMs : firstFrameMs_;
    lastFrameMs_ = frame.timeMs;
}

void RecordingSession::recordRuntime(const ObstacleRuntime& runtime, float measuredFps, int latencyMs, int mode,
                                     qint64 timeMs) {
    if (!active()) {
        return;
    }
    recording::RuntimeRecord r;
    r.timeNs = nanos(timeMs);
    r.ioStatus = runtime.ioStatus;
    r.inputStatus = runtime.inputStatus;
    r.outputStatus = runtime.outputStatus;
    r.inputChannelMask = runtime.inputChannelMask;
    r.outputChannelMask = runtime.outputChannelMask;
    r.algorithmState = runtime.algorithmState;
    r.resultAvailable = runtime.resultAvailable;
    r.resultError = runtime.resultError.toStdString();
    r.cameraFps = runtime.cameraFps;
    r.measuredFps = measuredFps;
    r.latencyMs = latencyMs;
    r.algorithmMode = mode;
    for (const ObstacleBox& b : runtime.boxes) {
        r.boxes.push_back(recording::BoxRecord{b.x, b.y, b.z, b.width, b.height, b.depth, b.typeIndex,
                                               b.typeName.toStdString()});
    }
    recorder_->submitRuntime(std::move(r));
}

void RecordingSession::recordConfiguration(const QString& workstationJson, const QString& deviceJson, int mode) {
    if (!active() || workstationJson.isEmpty() || workstationJson == lastWorkstationJson_) {
        return;
    }
    lastWorkstationJson_ = workstationJson;
    recorder_->submitConfiguration(recording::ConfigurationRecord{
        nanos(lastFrameMs_ > 0 ? lastFrameMs_ : QDateTime::currentMSecsSinceEpoch()), workstationJson.toStdString(),
        deviceJson.toStdString(), mode});
}

QVariantMap RecordingSession::progress() const {
    QVariantMap map;
    if (!recorder_) {
        return map;
    }
    const recording::StreamRecorder::Stats s = recorder_->stats();
    map.insert(QStringLiteral("path"), path_);
    map.insert(QStringLiteral("frames"), static_cast<qulonglong>(s.frames));
    map.insert(QStringLiteral("droppedFrames"), static_cast<qulonglong>(s.droppedFrames));
    map.insert(QStringLiteral("runtimeSamples"), static_cast<qulonglong>(s.runtimeSamples));
    map.insert(QStringLiteral("bytes"), static_cast<qulonglong>(s.bytes));
    map.insert(QStringLiteral("seconds"), (lastFrameMs_ - firstFrameMs_) / 1000.0);
    map.insert(QStringLiteral("writerCpuMs"), s.writerCpuMs);
    if (!s.error.empty()) {
        map.insert(QStringLiteral("error"), QString::fromStdString(s.error));
    }
    return map;
}

bool RecordingSession::progressDue() {
    if (!active() || progressClock_.elapsed() < kProgressIntervalMs) {
        return false;
    }
    progressClock_.restart();
    return true;
}

QVariantMap RecordingSession::stop() {
    if (!recorder_) {
        return {};
    }
    recorder_->stop();
    QVariantMap map = progress();
    recorder_.reset();
    return map;
}

}  // namespace hazard_desk
