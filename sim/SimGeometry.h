#pragma once
// Small pose helpers of the virtual camera. Vehicle frame: X forward, Y left,
// Z up (mm). Camera frame: x right, y down, z along the optical axis.
// p_vehicle = R * p_camera + T with R = Rz(yaw) * Ry(pitch) * Rx(roll), degrees.

#include <Eigen/Core>
#include <array>

namespace zrsim {

struct Pose {
    Eigen::Matrix3d rotation = Eigen::Matrix3d::Identity();
    Eigen::Vector3d translation = Eigen::Vector3d::Zero();
};

/// R from roll, pitch, yaw in degrees.
Eigen::Matrix3d rotationFromAngles(double rollDeg, double pitchDeg, double yawDeg);

/// R from nine row-major values.
Eigen::Matrix3d rotationFromRowMajor(const std::array<double, 9>& values);

std::array<double, 9> rowMajor(const Eigen::Matrix3d& rotation);

}  // namespace zrsim
