#pragma once

#include "Extrinsics.h"
#include "GroundCalibrationResult.h"

#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include <cstdint>
#include <optional>

namespace zavov {

// Messages of the ground calibration (translated for display by the window).
inline constexpr const char* kInvalidInitialPoseMessage = "初始外参无效，请先手动调整坐标系";
inline constexpr const char* kNoValidCloudMessage = "标定失败：无有效点云数据";
inline constexpr const char* kNoHorizontalPlaneMessage = "标定失败：找不到水平面";
inline constexpr const char* kClusteringFailedMessage = "标定失败：聚类失败";
inline constexpr const char* kPlaneSegmentationFailedMessage = "标定失败：平面分割失败";
inline constexpr const char* kInvalidGroundFitMessage = "标定失败：地面拟合结果无效";

// Calibrates the mounting pose from one view of the floor: cloud in
// millimetres in the camera frame, initialPose as edited. Returns a pose in
// which the floor lies on z = 0 (5 mm below it, as clearance): roll, pitch and
// z corrected, yaw, x and y unchanged. Never throws for bad data. randomSeed
// fixes the plane search's seed (tests, benchmarks); without it each call
// draws its seeds from the system's random device.
GroundCalibrationResult calibrateGround(const pcl::PointCloud<pcl::PointXYZRGB>& cloud,
                                        const hazard_desk::Extrinsics& initialPose,
                                        std::optional<std::uint32_t> randomSeed = std::nullopt);

// Same, for the shared cloud of a frame; a null cloud has no valid points.
GroundCalibrationResult calibrateGround(const pcl::PointCloud<pcl::PointXYZRGB>::ConstPtr& cloud,
                                        const hazard_desk::Extrinsics& initialPose,
                                        std::optional<std::uint32_t> randomSeed = std::nullopt);

}  // namespace zavov
