#include "GroundCalibration.h"

#include "ExtCalib.h"
#include "RotationConversion.h"

#include <Eigen/Core>

#include <algorithm>
#include <cmath>

namespace zavov {

namespace {

constexpr std::size_t kMinValidPoints = 10;
constexpr float kMillimetresPerMetre = 1000.0f;
// Below this length of (gy, gz) roll is undefined and the initial roll stays.
constexpr double kRollUndefinedBelow = 1e-8;
constexpr double kFullTurnDegrees = 360.0;

using hazard_desk::kDegreesPerRadian;

// angle moved by whole turns to the value nearest reference.
double nearestTo(double angle, double reference) {
    return reference + std::remainder(angle - reference, kFullTurnDegrees);
}

struct RollPitch {
    double roll = 0.0;
    double pitch = 0.0;
};

// Roll and pitch whose rotation has g as its third row, the one of the two
// solutions closest to the initial angles.
RollPitch rollPitchFromFloorNormal(const Eigen::Vector3d& g, double initialRoll,
                                   double initialPitch) {
    const double pitch1 = std::asin(std::clamp(-g.x(), -1.0, 1.0)) * kDegreesPerRadian;
    const double roll1 = std::hypot(g.y(), g.z()) < kRollUndefinedBelow
                             ? initialRoll
                             : std::atan2(g.y(), g.z()) * kDegreesPerRadian;
    const RollPitch first{nearestTo(roll1, initialRoll), nearestTo(pitch1, initialPitch)};
    const RollPitch second{nearestTo(roll1 + 180.0, initialRoll),
                           nearestTo(180.0 - pitch1, initialPitch)};
    const auto distance = [&](const RollPitch& s) {
        const double dr = s.roll - initialRoll;
        const double dp = s.pitch - initialPitch;
        return dr * dr + dp * dp;
    };
    const RollPitch& best = distance(second) < distance(first) ? second : first;
    return {std::remainder(best.roll, kFullTurnDegrees),
            std::remainder(best.pitch, kFullTurnDegrees)};
}

const char* messageForStatus(int status) {
    switch (status) {
        case ExtCalib::kNoHorizontalPlane:
            return kNoHorizontalPlaneMessage;
        case ExtCalib::kClusteringFailed:
            return kClusteringFailedMessage;
        default:
            return kPlaneSegmentationFailedMessage;
    }
}

}  // namespace

GroundCalibrationResult calibrateGround(const pcl::PointCloud<pcl::PointXYZRGB>& cloud,
                                        const hazard_desk::Extrinsics& initialPose,
                                        std::optional<std::uint32_t> randomSeed) {
    GroundCalibrationResult result;
    result.pose = initialPose;

    const hazard_desk::RotationMatrix rotation =
        hazard_desk::rotationFromEulerDegrees(initialPose.roll, initialPose.pitch, initialPose.yaw);
    const bool rotationFinite =
        std::all_of(rotation.begin(), rotation.end(), [](double v) { return std::isfinite(v); });
    if (!rotationFinite || !std::isfinite(initialPose.x) || !std::isfinite(initialPose.y) ||
        !std::isfinite(initialPose.z)) {
        result.error = kInvalidInitialPoseMessage;
        return result;
    }

    pcl::PointCloud<pcl::PointXYZ> valid;
    valid.reserve(cloud.size());
    for (const pcl::PointXYZRGB& p : cloud) {
        if (std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) &&
            p.x * p.x + p.y * p.y + p.z * p.z > 0.0f) {
            valid.push_back(pcl::PointXYZ(p.x, p.y, p.z));
        }
    }
    if (valid.size() < kMinValidPoints) {
        result.error = kNoValidCloudMessage;
        return result;
    }

    // Single precision, like the clouds: a finite double pose may still
    // overflow here.
    Eigen::Matrix4f pose = Eigen::Matrix4f::Identity();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            pose(row, column) =
                static_cast<float>(rotation[static_cast<std::size_t>(row * 3 + column)]);
        }
    }
    pose(0, 3) = static_cast<float>(initialPose.x);
    pose(1, 3) = static_cast<float>(initialPose.y);
    pose(2, 3) = static_cast<float>(initialPose.z);
    if (!pose.allFinite()) {
        result.error = kInvalidInitialPoseMessage;
        return result;
    }

    ExtCalib calibrator(pose);
    if (randomSeed) {
        calibrator.setRandomSeed(*randomSeed);
    }
    Eigen::Matrix4f corrected = Eigen::Matrix4f::Identity();
    const int status = calibrator.calibrate(valid, corrected, kMillimetresPerMetre);
    result.pointCount = calibrator.pointCount();
    result.inlierCount = calibrator.inlierCount();
    const double rmsMillimetres = calibrator.rms() * kMillimetresPerMetre;
    result.rmsMillimetres = std::isfinite(rmsMillimetres) ? rmsMillimetres : 0.0;
    if (status != ExtCalib::kPlaneFound) {
        result.error = messageForStatus(status);
        return result;
    }

    // Third row of the corrected rotation: the floor normal in camera coordinates.
    Eigen::Vector3d g = corrected.block<1, 3>(2, 0).transpose().cast<double>();
    if (g.norm() > 0.0) {
        g.normalize();
    }
    const double correctedZ = static_cast<double>(corrected(2, 3));
    if (!calibrator.outputValid() || !std::isfinite(correctedZ) || !g.allFinite()) {
        result.error = kInvalidGroundFitMessage;
        return result;
    }

    const RollPitch angles = rollPitchFromFloorNormal(g, initialPose.roll, initialPose.pitch);
    result.pose.roll = angles.roll;
    result.pose.pitch = angles.pitch;
    result.pose.z = correctedZ;

    const Eigen::Vector3d g0(rotation[6], rotation[7], rotation[8]);
    result.tiltCorrection = std::acos(std::clamp(g.dot(g0), -1.0, 1.0)) * kDegreesPerRadian;
    result.heightCorrection = correctedZ - initialPose.z;
    result.ok = true;
    return result;
}

GroundCalibrationResult calibrateGround(const pcl::PointCloud<pcl::PointXYZRGB>::ConstPtr& cloud,
                                        const hazard_desk::Extrinsics& initialPose,
                                        std::optional<std::uint32_t> randomSeed) {
    static const pcl::PointCloud<pcl::PointXYZRGB> kNoCloud;
    return calibrateGround(cloud ? *cloud : kNoCloud, initialPose, randomSeed);
}

}  // namespace zavov
