#include "ObstacleCameraWorker.h"

#include <QMetaType>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "CameraCapabilities.h"
#include "CameraDescriptorMap.h"
#include "DisplayCloudBuilder.h"
#include "DisplayImageConverter.h"
#include "ObstacleCameraBridge.h"
#include "RuntimeSampleMap.h"
#include "WorkerMessages.h"
#include "geometry/GroundCalibration.h"

namespace hazard_desk {
namespace {
using namespace worker_messages;

constexpr const char* kNoLiveCloud = "没有可用于标定的实时点云";

corVane::ColorCloudPtr emptyCloud() {
    return corVane::ColorCloudPtr(new corVane::ColorCloud);
}
}  // namespace

ObstacleCameraWorker::ObstacleCameraWorker(QObject* parent)
    : QObject(parent),
      captureTimer_(new QTimer(this)),
      activeRegionPollTimer_(new QTimer(this)),
      runtimeClock_(startSteadyWorkerClock()),
      writeClock_(startSteadyWorkerClock()),
      writeSleep_([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }),
      fps_(runtimeClock_),
      latestCloud_(emptyCloud()) {
    captureTimer_->setObjectName(QStringLiteral("captureTimer"));
    captureTimer_->setInterval(kCaptureIntervalMs);
    captureTimer_->setTimerType(Qt::PreciseTimer);
    connect(captureTimer_, &QTimer::timeout, this, &ObstacleCameraWorker::captureTick);

    activeRegionPollTimer_->setObjectName(QStringLiteral("activeRegionPollTimer"));
    activeRegionPollTimer_->setInterval(kActiveRegionPollIntervalMs);
    activeRegionPollTimer_->setSingleShot(true);
    connect(activeRegionPollTimer_, &QTimer::timeout, this, &ObstacleCameraWorker::pollActiveRegion);
}

ObstacleCameraWorker::~ObstacleCameraWorker() {
    // A worker deleted while connected still releases the camera handle.
    if (bridge_) {
        bridge_->closeCamera(nullptr);
    }
}

void ObstacleCameraWorker::registerMetaTypes() {
    qRegisterMetaType<corVane::ColorCloudPtr>("corVane::ColorCloudPtr");
    qRegisterMetaType<QVector<int>>("QVector<int>");
}

void ObstacleCameraWorker::setClock(WorkerClock clock) {
    runtimeClock_ = std::move(clock);
    fps_ = FrameRateMeter(runtimeClock_);
    lastRuntimeMs_ = 0;
}

void ObstacleCameraWorker::setWriteTiming(WorkerClock clock, std::function<void(int)> sleepMs) {
    writeClock_ = std::move(clock);
    writeSleep_ = std::move(sleepMs);
}

QImage ObstacleCameraWorker::toDisplayImage(const cv::Mat& image, bool depthMode, float range) {
    return DisplayImageConverter::toDisplayImage(image, depthMode, range);
}

bool ObstacleCameraWorker::hasCamera() const {
    return bridge_ != nullptr;
}

int ObstacleCameraWorker::targetMode(int requestedMode) const {
    const CameraDescriptor& d = bridge_->descriptor();
    const algPlatform::CapabilityProfile profile = algPlatform::capabilityProfile(d.sdkDeviceType, d.cameraType);
    return algPlatform::modeOffered(profile, requestedMode) ? requestedMode : profile.recommendedMode;
}

int ObstacleCameraWorker::recommendedMode() const {
    const CameraDescriptor& d = bridge_->descriptor();
    return algPlatform::capabilityProfile(d.sdkDeviceType, d.cameraType).recommendedMode;
}

bool ObstacleCameraWorker::ioModeSupported() const {
    const CameraDescriptor& d = bridge_->descriptor();
    return algPlatform::capabilityProfile(d.sdkDeviceType, d.cameraType).ioMode;
}

void ObstacleCameraWorker::discoverDevices() {
    QString error;
    const std::vector<CameraDescriptor> devices = ObstacleCameraBridge::listDevices(&error);
    QVariantList maps;
    maps.reserve(static_cast<int>(devices.size()));
    for (const CameraDescriptor& device : devices) {
        maps.append(CameraDescriptorMap::toMap(device));
    }
    emit devicesDiscovered(maps);
    if (!error.isEmpty()) {
        emit logMessage(2, error);
    }
}

void ObstacleCameraWorker::publishSdkVersion() {
    const QString sdkVersion = ObstacleCameraBridge::sdkVersion();
    emit logMessage(0, QStringLiteral("上位机版本 %1，SDK %2")
                           .arg(QLatin1String(kWorkstationVersion),
                                sdkVersion.isEmpty() ? QStringLiteral("--") : sdkVersion));
    emit sdkVersionReady(sdkVersion);
}

void ObstacleCameraWorker::connectDevice(QVariantMap descriptor) {
    // A connected camera is always closed before another one is opened.
    disconnectDevice();
    const CameraDescriptor requested = CameraDescriptorMap::fromMap(descriptor);
    if (requested.ip.trimmed().isEmpty()) {
        emit connectionChanged(false, descriptor, QStringLiteral("相机 IP 不能为空"));
        return;
    }

    auto bridge = std::make_unique<ObstacleCameraBridge>(requested);
    QString error;
    if (!bridge->openCamera(&error) || !bridge->prepareStreams(&error)) {
        emit logMessage(2, error);
        emit connectionChanged(false, descriptor, error);
        bridge->closeCamera(nullptr);
        return;
    }
    bridge_ = std::move(bridge);

    int mode = -1;
    if (!bridge_->readAlgorithmMode(mode, &error)) {
        emit logMessage(2, error);
        mode = -1;
    }
    algorithmMode_ = mode;
    frameFailures_.reset();
    lastRuntimeMs_ = 0;
    fps_.restart();

    const QString ip = bridge_->descriptor().ip;
    emit connectionChanged(true, CameraDescriptorMap::toMap(bridge_->descriptor()),
                           QStringLiteral("已通过 baseCamera 连接 %1").arg(ip));
    emit algorithmStateChanged(algorithmRunning(algorithmMode_), algorithmMode_,
                               QStringLiteral("设备算法模式：%1").arg(algorithmMode_));
    refreshAlgorithmVersion();
    refreshIoHardwareMode(true);

    lastActiveWorkstationJson_.clear();
    lastActiveUnavailableReason_.clear();
    pollFailures_ = 0;
    activeRegionPollTimer_->start(kActiveRegionPollIntervalMs);
    emit logMessage(0, QStringLiteral("相机连接成功：%1").arg(ip));
}

void ObstacleCameraWorker::disconnectDevice() {
    finishRecording(QStringLiteral("相机已断开"));
    activeRegionPollTimer_->stop();
    pollFailures_ = 0;
    emit algorithmVersionReady(QString());
    pendingMaskTemplates_.clear();
    lastActiveWorkstationJson_.clear();
    lastActiveDeviceJson_.clear();
    lastActiveMode_ = -1;
    lastActiveUnavailableReason_.clear();
    lastRuntimeError_.clear();
    ioHardwareModeError_.clear();
    ioHardwareMode_ = -2;
    captureTimer_->stop();
    streaming_ = false;
    frameInFlight_ = false;
    tickDeferred_ = false;
    if (!bridge_) {
        return;  // nothing to close and nothing to report
    }
    const QVariantMap map = CameraDescriptorMap::toMap(bridge_->descriptor());
    QString error;
    const bool closed = bridge_->closeCamera(&error);
    if (!closed) {
        emit logMessage(2, error);
    }
    bridge_.reset();
    latestCloud_ = emptyCloud();
    latestCloudTimeMs_ = 0;
    emit streamStateChanged(false, QStringLiteral("数据流已停止"));
    emit connectionChanged(false, map, closed ? QStringLiteral("相机已断开，句柄已释放") : error);
}

void ObstacleCameraWorker::setStreaming(bool enabled) {
    if (!hasCamera()) {
        emit streamStateChanged(false, QString::fromUtf8(kConnectFirst));
        return;
    }
    QString error;
    if (enabled) {
        if (!bridge_->startStreaming(&error)) {
            emit streamStateChanged(false, error);
            emit logMessage(2, error);
            return;
        }
        streaming_ = true;
        frameInFlight_ = false;
        tickDeferred_ = false;
        frameFailures_.reset();
        fps_.restart();
        captureTimer_->start(kCaptureIntervalMs);
        emit streamStateChanged(true, QStringLiteral("实时数据流已启动"));
        return;
    }
    finishRecording(QStringLiteral("数据流已停止"));
    captureTimer_->stop();
    const bool stopped = bridge_->stopStreaming(&error);
    streaming_ = false;
    frameInFlight_ = false;
    tickDeferred_ = false;
    emit streamStateChanged(false, stopped ? QStringLiteral("实时数据流已停止") : error);
}

void ObstacleCameraWorker::calibrateGround(QVariantMap initialPose) {
    if (!hasCamera() || !streaming_ || !latestCloud_ || latestCloud_->points.empty()) {
        emit groundCalibrated(false, QVariantMap{}, QString::fromUtf8(kNoLiveCloud));
        return;
    }
    Extrinsics pose;
    auto read = [&initialPose](const char* key, double& field) {
        const auto it = initialPose.constFind(QLatin1String(key));
        if (it != initialPose.constEnd()) {
            field = it.value().toDouble();
        }
    };
    read("x", pose.x);
    read("y", pose.y);
    read("z", pose.z);
    read("roll", pose.roll);
    read("pitch", pose.pitch);
    read("yaw", pose.yaw);

    const zavov::GroundCalibrationResult result = zavov::calibrateGround(*latestCloud_, pose);
    if (!result.ok) {
        emit groundCalibrated(false, QVariantMap{}, QString::fromStdString(result.error));
        return;
    }
    QVariantMap extrinsics;
    extrinsics.insert(QStringLiteral("x"), result.pose.x);
    extrinsics.insert(QStringLiteral("y"), result.pose.y);
    extrinsics.insert(QStringLiteral("z"), result.pose.z);
    extrinsics.insert(QStringLiteral("roll"), result.pose.roll);
    extrinsics.insert(QStringLiteral("pitch"), result.pose.pitch);
    extrinsics.insert(QStringLiteral("yaw"), result.pose.yaw);
    extrinsics.insert(QStringLiteral("initialPose"), initialPose);
    extrinsics.insert(QStringLiteral("inliers"), static_cast<qulonglong>(result.inlierCount));
    emit groundCalibrated(
        true, extrinsics,
        QStringLiteral("ZAVOV 地面标定完成：%1/%2 个内点，倾角修正 %3°，高度修正 %4 mm，RMS %5 mm；仅写入草稿")
            .arg(static_cast<qulonglong>(result.inlierCount))
            .arg(static_cast<qulonglong>(result.pointCount))
            .arg(result.tiltCorrection, 0, 'f', 2)
            .arg(result.heightCorrection, 0, 'f', 1)
            .arg(result.rmsMillimetres, 0, 'f', 1));
}

void ObstacleCameraWorker::acknowledgeFrame() {
    frameInFlight_ = false;
    // A tick that found the previous frame still in flight is not lost: it
    // grabs now, so a window that answers a little after the next tick still
    // gets one frame per tick.
    if (tickDeferred_) {
        tickDeferred_ = false;
        QMetaObject::invokeMethod(this, &ObstacleCameraWorker::captureTick, Qt::QueuedConnection);
    }
}

void ObstacleCameraWorker::announceActiveConfiguration(const QString& workstationJson, const QString& deviceJson,
                                                       int mode) {
    lastActiveDeviceJson_ = deviceJson;
    lastActiveMode_ = mode;
    recording_.recordConfiguration(workstationJson, deviceJson, mode);
    emit activeConfigurationUpdated(workstationJson, deviceJson, mode);
}

void ObstacleCameraWorker::startRecording(QString path) {
    if (!hasCamera() || !streaming_) {
        emit recordingStateChanged(false, path, QStringLiteral("请先启动数据流再录制"), QVariantMap{});
        return;
    }
    finishRecording(QStringLiteral("开始新的录制"));
    QString error;
    if (!recording_.start(path, bridge_->descriptor(), &error)) {
        const QString message = QStringLiteral("录制失败：%1").arg(error);
        emit logMessage(2, message);
        emit recordingStateChanged(false, path, message, QVariantMap{});
        return;
    }
    // The configuration known so far goes in first; later changes follow as they are read.
    recording_.recordConfiguration(lastActiveWorkstationJson_, lastActiveDeviceJson_, lastActiveMode_);
    const QString message = QStringLiteral("开始录制：%1").arg(path);
    emit logMessage(0, message);
    emit recordingStateChanged(true, path, message, recording_.progress());
}

void ObstacleCameraWorker::stopRecording() {
    finishRecording(QString());
}

void ObstacleCameraWorker::finishRecording(const QString& reason) {
    if (!recording_.active()) {
        return;
    }
    const QString path = recording_.path();
    const QVariantMap summary = recording_.stop();
    const QString error = summary.value(QStringLiteral("error")).toString();
    QString message;
    if (!error.isEmpty()) {
        message = QStringLiteral("录制失败：%1").arg(error);
        emit logMessage(2, message);
    } else {
        message = QStringLiteral("录制已保存：%1（%2 帧，丢弃 %3 帧）")
                      .arg(path)
                      .arg(summary.value(QStringLiteral("frames")).toULongLong())
                      .arg(summary.value(QStringLiteral("droppedFrames")).toULongLong());
        if (!reason.isEmpty()) {
            message = QStringLiteral("%1：%2").arg(reason, message);
        }
        emit logMessage(0, message);
    }
    emit recordingStateChanged(false, path, message, summary);
}

void ObstacleCameraWorker::shutdown() {
    disconnectDevice();
    if (QThread* thread = QThread::currentThread()) {
        thread->quit();
    }
}

void ObstacleCameraWorker::captureTick() {
    if (!hasCamera() || !streaming_) {
        return;
    }
    if (frameInFlight_) {
        tickDeferred_ = true;
        return;
    }
    tickDeferred_ = false;
    QElapsedTimer latencyTimer;
    latencyTimer.start();
    algPlatform::FrameSet frameSet;
    cv::Mat amplitude;
    QString error;
    if (!bridge_->grabFrame(frameSet, amplitude, &error)) {
        const FrameFailureBackoff::Step step = frameFailures_.recordFailure(error);
        setCaptureInterval(step.intervalMs);
        if (step.log) {
            emit logMessage(1, error);
        }
        return;
    }
    setCaptureInterval(frameFailures_.recordSuccess());
    latestCloud_ = frameSet.cloud.cloud ? frameSet.cloud.cloud : emptyCloud();
    latestCloudTimeMs_ = frameSet.cloud.timeMs;

    emitFrame(frameSet.color.image, frameSet.depth.image, amplitude, frameSet.cloud.cloud, frameSet.timeMs);
    fps_.frameDelivered();
    if (recording_.active()) {
        recording_.recordFrame(frameSet, amplitude);
        if (recording_.progressDue()) {
            emit recordingProgress(recording_.progress());
        }
    }
    sampleStatus(latencyTimer, frameSet.timeMs);
}

void ObstacleCameraWorker::setCaptureInterval(int intervalMs) {
    // Setting the interval of a running QTimer restarts it; doing that on
    // every good frame would add each tick's own work to the 50 ms period.
    if (captureTimer_->interval() != intervalMs) {
        captureTimer_->setInterval(intervalMs);
    }
}

void ObstacleCameraWorker::emitFrame(const cv::Mat& color, const cv::Mat& depth, const cv::Mat& amplitude,
                                     const corVane::ColorCloudPtr& cloud, qint64 timestampMs) {
    const QImage depthImage = DisplayImageConverter::toDisplayImage(
        depth, true, static_cast<float>(bridge_->descriptor().maxDepthMm));
    const QImage amplitudeImage = DisplayImageConverter::toDisplayImage(amplitude, false, 0.0F);
    const QImage rgbImage = DisplayImageConverter::toColorImage(color);
    DisplayCloudBuilder::Result display = DisplayCloudBuilder::build(cloud.get(), depthImage);
    frameInFlight_ = true;
    emit frameReady(rgbImage, depthImage, amplitudeImage, display.cloud, display.depthPixels, timestampMs);
}

void ObstacleCameraWorker::sampleStatus(const QElapsedTimer& latencyTimer, qint64 frameTimeMs) {
    const qint64 now = runtimeClock_();
    if (lastRuntimeMs_ != 0 && now - lastRuntimeMs_ < kStatusSampleIntervalMs) {
        return;
    }
    // Zero means "never sampled", so a clock that starts at zero still samples
    // on the first frame.
    lastRuntimeMs_ = std::max<qint64>(now, 1);

    int mode = -1;
    if (bridge_->readAlgorithmMode(mode, nullptr) && mode != algorithmMode_) {
        algorithmMode_ = mode;
        emit algorithmStateChanged(algorithmRunning(mode), mode, QString::fromUtf8(kModeChangedExternally));
    }
    ObstacleRuntime runtime;
    QString error;
    bridge_->readRuntime(algorithmMode_, runtime, &error);
    const QString text = runtime.resultAvailable && runtime.algorithmState != 0
                             ? QStringLiteral("避障算法返回异常状态：%1").arg(runtime.algorithmState)
                             : error;
    if (text != lastRuntimeError_) {
        lastRuntimeError_ = text;
        if (!text.isEmpty()) {
            emit logMessage(1, text);
        }
    }
    const int latencyMs = static_cast<int>(latencyTimer.elapsed());
    recording_.recordRuntime(runtime, fps_.measuredFps(), latencyMs, algorithmMode_, frameTimeMs);
    emit runtimeUpdated(RuntimeSampleMap::build(runtime, fps_.measuredFps(), latencyMs));
}

}  // namespace hazard_desk
