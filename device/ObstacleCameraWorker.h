#pragma once
// The camera worker: owns the workstation's one camera connection and all
// camera traffic. Lives on its own QThread; the window talks to it only
// through queued signals and slots, so slots run one at a time on that thread
// and every member below is touched on the worker thread only.
//
// The configuration transactions (applyConfiguration, switchActiveTemplate)
// run synchronously inside their slots with the frame pump and the
// configuration poll paused; their write sequence is DeviceWriteSequence.
#include "camera/ColorCloud.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <QVector>
#include <functional>
#include <memory>
#include <set>

#include <opencv2/core/mat.hpp>

#include "FrameFailureBackoff.h"
#include "FrameRateMeter.h"
#include "RecordingSession.h"
#include "WorkerClock.h"

class QTimer;

namespace hazard_desk {

class ObstacleCameraBridge;
struct DeviceWriteRequest;
struct DeviceWriteResult;

class ObstacleCameraWorker : public QObject {
    Q_OBJECT
public:
    static constexpr int kCaptureIntervalMs = FrameFailureBackoff::kNormalIntervalMs;
    static constexpr int kActiveRegionPollIntervalMs = 1000;
    static constexpr int kMaxPollFailures = 3;
    static constexpr qint64 kStatusSampleIntervalMs = 500;
    static constexpr const char* kWorkstationVersion = "1.0.19";
    // Object name of the worker's QThread, which Qt gives the OS thread (at most 15 bytes).
    static constexpr const char* kThreadName = "hdCameraWorker";

    explicit ObstacleCameraWorker(QObject* parent = nullptr);
    ~ObstacleCameraWorker() override;

    // Registers "corVane::ColorCloudPtr" and "QVector<int>" with Qt's
    // meta-type system; must run before any queued connection carries them.
    static void registerMetaTypes();

    // Replaces the monotonic clock behind the status cadence and the frame
    // rate (tests step it). Call before the worker's thread starts.
    void setClock(WorkerClock clock);

    // Replaces the clock and the blocking sleep of the configuration
    // transactions and switches (tests pass a sleep that advances the clock,
    // so the 6-second waits pass at once). Call before the thread starts.
    void setWriteTiming(WorkerClock clock, std::function<void(int)> sleepMs);

    // Display conversion of a camera image: depth ramp over range in depth
    // mode, min-max grey otherwise; null for an empty image.
    static QImage toDisplayImage(const cv::Mat& image, bool depthMode, float range);

signals:
    void deviceUpdateProgress(QString message);
    void sdkVersionReady(QString version);
    void algorithmVersionReady(QString version);
    void devicesDiscovered(QVariantList devices);
    void connectionChanged(bool connected, QVariantMap descriptor, QString message);
    void streamStateChanged(bool streaming, QString message);
    void algorithmStateChanged(bool enabled, int mode, QString message);
    void algorithmChangeFinished(bool ok, QString message);
    void frameReady(QImage rgb, QImage depth, QImage amplitude, corVane::ColorCloudPtr cloud,
                    QVector<int> depthPixels, qlonglong timestamp);
    void runtimeUpdated(QVariantMap runtime);
    void configurationRead(QString workstationJson, QString deviceJson, int mode);
    void configurationReadFinished();
    void configurationApplied(bool ok, QString stage, QString message, QString workstationJson,
                              QString deviceJson);
    void activeTemplateChanged(int index);
    void activeConfigurationUpdated(QString workstationJson, QString deviceJson, int mode);
    void activeConfigurationUnavailable(QString reason);
    void templateSwitchFinished(bool ok, int index, QString message);
    void ioModesApplied(bool ok, QString message);
    void ioHardwareModeRead(int mode, QString error);
    void groundCalibrated(bool ok, QVariantMap extrinsics, QString message);
    void logMessage(int level, QString message);
    // A recording started (true) or ended (false); summary is the recording's
    // progress map (RecordingSession::progress) at its end.
    void recordingStateChanged(bool recording, QString path, QString message, QVariantMap summary);
    void recordingProgress(QVariantMap progress);

public slots:
    void discoverDevices();
    void publishSdkVersion();
    void connectDevice(QVariantMap descriptor);
    void disconnectDevice();
    void setStreaming(bool enabled);
    void setAlgorithmEnabled(bool enabled, int algorithmMode);
    void readDeviceConfiguration(int requestedMode);
    void applyConfiguration(QString workstationJson, int algorithmMode);
    void switchActiveTemplate(int index);
    void setIoModes(int workMode, int hardwareMode);
    void calibrateGround(QVariantMap initialPose);
    void acknowledgeFrame();
    // Records the live stream into an MCAP file until stopRecording, the end
    // of the stream or a disconnection; needs a streaming camera.
    void startRecording(QString path);
    void stopRecording();
    void shutdown();

private slots:
    void captureTick();
    void pollActiveRegion();

private:
    bool hasCamera() const;
    void setCaptureInterval(int intervalMs);
    int targetMode(int requestedMode) const;
    void restartActiveRegionPoll(bool lastReadOk);
    void emitFrame(const cv::Mat& color, const cv::Mat& depth, const cv::Mat& amplitude,
                   const corVane::ColorCloudPtr& cloud, qint64 timestampMs);
    void sampleStatus(const QElapsedTimer& latencyTimer, qint64 frameTimeMs);
    void refreshIoHardwareMode(bool forced);
    void refreshAlgorithmVersion();
    int recommendedMode() const;
    bool ioModeSupported() const;
    // The pause and resume around one write sequence (applyConfiguration and
    // switchActiveTemplate).
    DeviceWriteResult runDeviceWrite(DeviceWriteRequest request);
    void reportApplyFailure(const QString& stage, const QString& message, const QString& workstationJson);
    void updatePendingMasks(int templateIndex, const DeviceWriteResult& result);
    void finishRecording(const QString& reason);
    void announceActiveConfiguration(const QString& workstationJson, const QString& deviceJson, int mode);

    std::unique_ptr<ObstacleCameraBridge> bridge_;
    QTimer* captureTimer_ = nullptr;
    QTimer* activeRegionPollTimer_ = nullptr;
    int pollFailures_ = 0;
    QString lastActiveWorkstationJson_;
    QString lastActiveUnavailableReason_;
    QString lastRuntimeError_;
    int ioHardwareMode_ = -2;
    QString ioHardwareModeError_;
    std::set<int> pendingMaskTemplates_;
    bool streaming_ = false;
    bool frameInFlight_ = false;
    bool tickDeferred_ = false;  // a tick came while a frame was in flight
    int algorithmMode_ = 0;
    FrameFailureBackoff frameFailures_;
    qint64 lastRuntimeMs_ = 0;
    WorkerClock runtimeClock_;
    WorkerClock writeClock_;
    std::function<void(int)> writeSleep_;
    FrameRateMeter fps_;
    corVane::ColorCloudPtr latestCloud_;
    qint64 latestCloudTimeMs_ = 0;
    QString lastActiveDeviceJson_;
    int lastActiveMode_ = -1;
    RecordingSession recording_;
};

}  // namespace hazard_desk
