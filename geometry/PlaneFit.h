#pragma once

#include <Eigen/Core>
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>
#include <pcl/types.h>

#include <cstddef>
#include <optional>
#include <vector>

namespace zavov {

// Plane a·x + b·y + c·z + d = 0. The normal (a, b, c) is not normalised;
// distances divide by its length.
struct PlaneCoefficients {
    Eigen::Vector4f coefficients = Eigen::Vector4f::Zero();

    Eigen::Vector3f normal() const { return coefficients.head<3>(); }
    // |n·p + d| / |n|.
    float distanceTo(const pcl::PointXYZ& point) const;
    // Same plane with the normal turned to positive z (a, b, c, d all negated).
    PlaneCoefficients orientedUpwards() const;
};

// Least-squares plane through the given points: the singular vector of the
// n×4 matrix of rows (x, y, z, 1) that belongs to the smallest singular value.
// Empty when fewer than three points are given or the result is not finite.
std::optional<PlaneCoefficients> fitPlane(const pcl::PointCloud<pcl::PointXYZ>& cloud,
                                          const pcl::Indices& indices);

// Indices of the points closer to the plane than maxDistance.
pcl::Indices planeInliers(const pcl::PointCloud<pcl::PointXYZ>& cloud,
                          const PlaneCoefficients& plane, float maxDistance);

// For each plane, the number of points closer to it than maxDistance. The
// cloud is read once, in blocks, for all planes together.
std::vector<std::size_t> countPlaneInliers(const pcl::PointCloud<pcl::PointXYZ>& cloud,
                                           const std::vector<PlaneCoefficients>& planes,
                                           float maxDistance);

}  // namespace zavov
