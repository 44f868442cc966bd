#pragma once

#include "PlaneFit.h"

#include <Eigen/Core>
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include <cstdint>
#include <optional>

namespace zavov {

// Extrinsic calibrator: finds the floor in one point cloud and corrects the
// mounting pose so that the floor becomes the plane z = 0 (roll, pitch and
// height change; yaw, x and y stay). One object per calibration, used on the
// camera worker's thread; it touches no shared state.
class ExtCalib {
public:
    enum Status : int {
        kPlaneFound = 0,
        kInvalidInput = 1,       // scale not a positive finite number
        kNoPlaneCandidate = 2,   // no point neighbourhood dense enough for a plane
        kNoHorizontalPlane = 3,  // every candidate tilts more than 45° from +Z
        kClusteringFailed = 4,   // the floor candidate has no connected piece
    };

    // initialPose: rotation in the upper-left 3×3, translation in the cloud's
    // unit in the last column (column-major, Eigen's default).
    explicit ExtCalib(const Eigen::Matrix4f& initialPose);
    virtual ~ExtCalib();

    ExtCalib(const ExtCalib&) = delete;
    ExtCalib& operator=(const ExtCalib&) = delete;

    // cloud and the pose translation are in units of 1/scale metre (scale
    // 1000 for millimetres). On kPlaneFound, result holds the corrected pose
    // in the same units; check outputValid() before using it.
    int calibrate(const pcl::PointCloud<pcl::PointXYZ>& cloud, Eigen::Matrix4f& result,
                  float scale);

    // Fixes the seed of the plane search; without it every run seeds from the
    // system's random device.
    void setRandomSeed(std::uint32_t seed);

    const Eigen::Matrix4f& initialPose() const { return initialPose_; }
    // Down-sampled points near the expected floor that entered the plane search.
    std::uint64_t pointCount() const { return pointCount_; }
    // Points of the refitted floor plane.
    std::uint64_t inlierCount() const { return inlierCount_; }
    // RMS distance of the floor inliers from the refitted plane, metres.
    double rms() const { return rms_; }
    // True when the last calibrate produced a finite pose from a non-empty fit.
    bool outputValid() const { return outputValid_; }

private:
    void resetResults();

    Eigen::Matrix4f initialPose_;
    std::optional<std::uint32_t> seed_;
    std::uint64_t pointCount_ = 0;
    std::uint64_t inlierCount_ = 0;
    double rms_ = 0.0;
    bool outputValid_ = false;
};

}  // namespace zavov
