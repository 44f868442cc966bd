#pragma once
// The connected obstacle camera as the worker drives it: the SDK camera of the
// camera layer plus the workstation's operations — connection with device
// facts, discovery records, runtime result, algorithm mode, templates, I/O
// modes, the algorithm parameter text, V1 mask upload and a consistent read of
// the running configuration.
//
// Thread: the camera worker's thread only. Every operation is synchronous,
// returns its result and, on failure, stores the reason in *error when an
// error pointer is given. Nothing here throws, shows UI or emits signals.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "ActiveConfiguration.h"
#include "CameraDescriptor.h"
#include "ObstacleRuntime.h"
#include "TemplateTracker.h"
#include "ZrCameraK7.h"
#include "ZrCameraTypes.h"

namespace hazard_desk {

class ObstacleCameraBridge : public algPlatform::ZrCameraK7 {
public:
    static constexpr int kModeOff = 0;
    static constexpr int kModeV1 = 1;
    static constexpr int kModeV2 = 4;
    static constexpr int kAnyMode = -1;
    static constexpr int kFirstTemplate = 0;
    static constexpr int kLastTemplate = 19;

    explicit ObstacleCameraBridge(const CameraDescriptor& descriptor);
    ~ObstacleCameraBridge() override;

    algPlatform::CameraType cameraType() const override;

    // The workstation's device list (K and P series), in discovery order.
    static std::vector<CameraDescriptor> listDevices(QString* error = nullptr);
    // The SDK's version text, trimmed; empty when the SDK gives none.
    static QString sdkVersion();

    const CameraDescriptor& descriptor() const { return descriptor_; }
    const TemplateTracker& templateTracker() const { return tracker_; }
    TemplateTracker& templateTracker() { return tracker_; }

    // Connection.
    bool openCamera(QString* error = nullptr);
    bool prepareStreams(QString* error = nullptr);
    bool closeCamera(QString* error = nullptr);

    // Streaming and frames.
    bool startStreaming(QString* error = nullptr);
    bool stopStreaming(QString* error = nullptr);
    bool grabFrame(algPlatform::FrameSet& frameSet, cv::Mat& amplitude, QString* error = nullptr);
    bool probeFrame(QString* error = nullptr);

    // Parameters.
    bool readIntParameter(std::int32_t id, ZrIntValue& value, QString* error = nullptr);
    bool readStringParameter(std::int32_t id, std::string& text, QString* error = nullptr);
    bool readAlgorithmMode(int& mode, QString* error = nullptr);
    bool setAlgorithmMode(int mode, QString* error = nullptr);
    bool readAlgorithmVersion(QString& text);
    bool readAlgorithmParams(std::string& text, QString* error = nullptr);
    bool writeAlgorithmParams(const std::string& text, QString* error = nullptr);

    // Templates and I/O.
    bool readActiveTemplate(int& index, QString* error = nullptr);
    bool selectTemplate(int index, QString* error = nullptr);
    bool readIoHardwareMode(int& mode, QString* error = nullptr);
    bool setIoModes(int workMode, int hardwareMode, QString* error = nullptr);

    // Runtime sample for the given algorithm mode; true when a result was
    // parsed or the I/O state could be read.
    bool readRuntime(int mode, ObstacleRuntime& runtime, QString* error = nullptr);

    bool uploadV1Masks(const QStringList& files, QString* error = nullptr);

    // Template running on a template-control camera, from the special
    // control's index and the parameter JSON's "ZoneIndex".
    int resolveActiveTemplate(int deviceIndex, int jsonIndex);

    // The configuration the camera runs, read so that mode, template and
    // parameters belong together; expectedMode -1 accepts any mode.
    bool readActiveConfiguration(ActiveConfiguration& out, QString* error = nullptr, int expectedMode = kAnyMode);

private:
    std::uint64_t handle() const { return device_info_.handle; }
    // DcGetStringValue with the text copied at once; textMissing tells a
    // success without text apart from an empty one.
    std::int32_t fetchString(std::int32_t id, std::string& text, bool& textMissing);
    int specialControl(const char* name, std::int32_t& data);
    bool readFloat(std::int32_t id, float& value);
    bool frameResult(std::int32_t status, QString* error) const;
    void readChannel(std::int32_t id, int& status, quint32& mask);
    cv::Mat amplitudeOfCurrentFrame();
    void forgetConnectionState();

    CameraDescriptor descriptor_;
    bool streaming_ = false;
    std::map<int, int> unsupportedParameters_;
    TemplateTracker tracker_;
};

}  // namespace hazard_desk
