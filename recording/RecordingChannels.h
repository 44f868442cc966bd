#pragma once
// The channel layout of a Hazard Desk recording (described for users in
// docs/recording.md): topics, their schemas, and the names of attachments
// and metadata records.
namespace hazard_desk::recording::channels {

constexpr const char* kDepthTopic = "/camera/depth";
constexpr const char* kAmplitudeTopic = "/camera/amplitude";
constexpr const char* kColorTopic = "/camera/color";
constexpr const char* kPointsTopic = "/camera/points";
constexpr const char* kCalibrationTopic = "/camera/depth/calibration";
constexpr const char* kRuntimeTopic = "/obstacle/runtime";

constexpr const char* kImageSchema = "foxglove.RawImage";
constexpr const char* kPointCloudSchema = "foxglove.PointCloud";
constexpr const char* kCalibrationSchema = "foxglove.CameraCalibration";
constexpr const char* kRuntimeSchema = "hazard_desk.RuntimeSample";

// Frame of reference of images and points: the depth sensor.
constexpr const char* kCameraFrameId = "camera";

constexpr const char* kProfile = "x-hazard-desk";
constexpr const char* kCameraAttachment = "camera.json";
constexpr const char* kIntrinsicsAttachment = "intrinsics.json";
constexpr const char* kWorkstationConfigurationAttachment = "configuration.workstation.json";
constexpr const char* kDeviceConfigurationAttachment = "configuration.device.json";
constexpr const char* kCameraMetadata = "camera";
constexpr const char* kConfigurationMetadata = "configuration";
constexpr const char* kJsonMediaType = "application/json";

}  // namespace hazard_desk::recording::channels
