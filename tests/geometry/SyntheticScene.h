#pragma once

#include <Eigen/Core>
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace zavov::testing {

// Axis-aligned box in the vehicle frame, millimetres.
struct SceneBox {
    Eigen::Vector3d min;
    Eigen::Vector3d max;
};

// A scene in the vehicle frame (X forward, Y left, Z up, millimetres).
struct SyntheticScene {
    bool floor = true;            // the plane z = 0
    std::optional<double> wallX;  // a vertical wall, the plane x = wallX
    std::vector<SceneBox> boxes;
    double maxRangeMm = 8000.0;  // farther surfaces give no return
};

// The true mounting pose of the camera, same convention as the workstation's
// extrinsics: R = Rz(yaw)·Ry(pitch)·Rx(roll), degrees; position in millimetres.
// The camera's optical frame is x right, y down, z forward. The pose comes
// first, so that {roll, pitch, yaw, x, y, z} names a mount.
struct SyntheticCamera {
    double roll = 60.0;
    double pitch = -180.0;
    double yaw = 90.0;
    double x = 0.0;
    double y = 0.0;
    double z = 1200.0;
    int width = 160;
    int height = 120;
    double horizontalFovDeg = 70.0;
};

struct RangeNoise {
    double sigmaMm = 0.0;    // Gaussian noise along each ray
    std::uint32_t seed = 1;  // seed of the noise generator
};

// Rotation of the synthetic camera, built independently of the code under test.
Eigen::Matrix3d cameraRotation(double rollDeg, double pitchDeg, double yawDeg);

// One organised frame of camera-frame points in millimetres; pixels without a
// return hold (0, 0, 0) like the camera's invalid pixels.
pcl::PointCloud<pcl::PointXYZRGB> renderScene(const SyntheticScene& scene,
                                              const SyntheticCamera& camera,
                                              const RangeNoise& noise = {});

}  // namespace zavov::testing
