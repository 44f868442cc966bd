#include "SyntheticScene.h"

#include <Eigen/Geometry>

#include <cmath>
#include <limits>
#include <random>

namespace zavov::testing {

namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) { return degrees * kPi / 180.0; }

// Distance along the ray to the box (slab test), or infinity.
double hitBox(const SceneBox& box, const Eigen::Vector3d& origin, const Eigen::Vector3d& dir) {
    // A ray parallel to a slab gets infinite distances to it (the scenes never
    // put the camera exactly on a box's face plane).
    const Eigen::Array3d inverse = dir.array().inverse();
    const Eigen::Array3d t1 = (box.min - origin).array() * inverse;
    const Eigen::Array3d t2 = (box.max - origin).array() * inverse;
    const double tNear = t1.min(t2).maxCoeff();
    const double tFar = t1.max(t2).minCoeff();
    return tNear > 0.0 && tNear <= tFar ? tNear : std::numeric_limits<double>::infinity();
}

}  // namespace

Eigen::Matrix3d cameraRotation(double rollDeg, double pitchDeg, double yawDeg) {
    return (Eigen::AngleAxisd(radians(yawDeg), Eigen::Vector3d::UnitZ()) *
            Eigen::AngleAxisd(radians(pitchDeg), Eigen::Vector3d::UnitY()) *
            Eigen::AngleAxisd(radians(rollDeg), Eigen::Vector3d::UnitX()))
        .toRotationMatrix();
}

pcl::PointCloud<pcl::PointXYZRGB> renderScene(const SyntheticScene& scene,
                                              const SyntheticCamera& camera,
                                              const RangeNoise& noise) {
    const Eigen::Matrix3d rotation = cameraRotation(camera.roll, camera.pitch, camera.yaw);
    const Eigen::Vector3d origin(camera.x, camera.y, camera.z);
    const double focal = 0.5 * camera.width / std::tan(radians(camera.horizontalFovDeg) / 2.0);
    std::mt19937 generator(noise.seed);
    std::normal_distribution<double> rangeNoise(0.0, noise.sigmaMm > 0.0 ? noise.sigmaMm : 1.0);

    pcl::PointCloud<pcl::PointXYZRGB> cloud(static_cast<std::uint32_t>(camera.width),
                                            static_cast<std::uint32_t>(camera.height));
    for (int v = 0; v < camera.height; ++v) {
        for (int u = 0; u < camera.width; ++u) {
            // Depth along the optical axis is t for this ray.
            const Eigen::Vector3d rayCamera((u + 0.5 - camera.width / 2.0) / focal,
                                            (v + 0.5 - camera.height / 2.0) / focal, 1.0);
            const Eigen::Vector3d ray = rotation * rayCamera;
            double t = std::numeric_limits<double>::infinity();
            if (scene.floor && ray.z() < 0.0 && origin.z() > 0.0) {
                t = std::min(t, -origin.z() / ray.z());
            }
            if (scene.wallX && ray.x() > 0.0 && *scene.wallX > origin.x()) {
                t = std::min(t, (*scene.wallX - origin.x()) / ray.x());
            }
            for (const SceneBox& box : scene.boxes) {
                t = std::min(t, hitBox(box, origin, ray));
            }
            pcl::PointXYZRGB& point = cloud.at(u, v);
            const double range = t * rayCamera.norm();
            if (!std::isfinite(t) || range > scene.maxRangeMm) {
                point.x = point.y = point.z = 0.0f;
                continue;
            }
            double noisyT = t;
            if (noise.sigmaMm > 0.0) {
                noisyT += rangeNoise(generator) / rayCamera.norm();
            }
            const Eigen::Vector3d p = rayCamera * noisyT;
            point.x = static_cast<float>(p.x());
            point.y = static_cast<float>(p.y());
            point.z = static_cast<float>(p.z());
        }
    }
    return cloud;
}

}  // namespace zavov::testing
