#include "PlaneFit.h"

#include <Eigen/SVD>

#include <cmath>
#include <cstdint>
#include <limits>

namespace zavov {

namespace {

// Four unknowns need at least four rows for the thin decomposition to carry
// the whole null space.
constexpr Eigen::Index kMinPlaneFitPoints = 4;
// Points per block when counting inliers of many planes.
constexpr std::size_t kCountBlock = 1024;

inline float signedAlgebraicDistance(const Eigen::Vector4f& c, const pcl::PointXYZ& p) {
    return c[0] * p.x + c[1] * p.y + c[2] * p.z + c[3];
}

}  // namespace

float PlaneCoefficients::distanceTo(const pcl::PointXYZ& point) const {
    return std::abs(signedAlgebraicDistance(coefficients, point)) / normal().norm();
}

PlaneCoefficients PlaneCoefficients::orientedUpwards() const {
    PlaneCoefficients oriented = *this;
    if (coefficients[2] < 0.0f) {
        oriented.coefficients = -coefficients;
    }
    return oriented;
}

std::optional<PlaneCoefficients> fitPlane(const pcl::PointCloud<pcl::PointXYZ>& cloud,
                                          const pcl::Indices& indices) {
    const auto rows = static_cast<Eigen::Index>(indices.size());
    if (rows < kMinPlaneFitPoints) {
        return std::nullopt;
    }
    Eigen::MatrixXf design(rows, 4);
    for (Eigen::Index row = 0; row < rows; ++row) {
        const pcl::PointXYZ& p =
            cloud[static_cast<std::size_t>(indices[static_cast<std::size_t>(row)])];
        design(row, 0) = p.x;
        design(row, 1) = p.y;
        design(row, 2) = p.z;
        design(row, 3) = 1.0f;
    }
    // Only V is needed; U is left out.
    const Eigen::JacobiSVD<Eigen::MatrixXf> svd(design, Eigen::ComputeThinV);
    // Singular values come sorted in decreasing order: the last column of V
    // belongs to the smallest one.
    PlaneCoefficients plane;
    plane.coefficients = svd.matrixV().col(3);
    if (!plane.coefficients.allFinite() || !(plane.normal().norm() > 0.0f)) {
        return std::nullopt;
    }
    return plane;
}

pcl::Indices planeInliers(const pcl::PointCloud<pcl::PointXYZ>& cloud,
                          const PlaneCoefficients& plane, float maxDistance) {
    pcl::Indices inliers;
    const float limit = maxDistance * plane.normal().norm();
    for (std::size_t i = 0; i < cloud.size(); ++i) {
        if (std::abs(signedAlgebraicDistance(plane.coefficients, cloud[i])) < limit) {
            inliers.push_back(static_cast<pcl::index_t>(i));
        }
    }
    return inliers;
}

std::vector<std::size_t> countPlaneInliers(const pcl::PointCloud<pcl::PointXYZ>& cloud,
                                           const std::vector<PlaneCoefficients>& planes,
                                           float maxDistance) {
    std::vector<std::size_t> counts(planes.size(), 0);
    if (planes.empty() || cloud.empty()) {
        return counts;
    }
    // Coordinates as separate columns padded to whole blocks with NaN (never
    // an inlier): fixed-length inner loops the compiler turns into vector code,
    // and a block stays in cache while every plane is tested against it.
    const std::size_t padded = (cloud.size() + kCountBlock - 1) / kCountBlock * kCountBlock;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> xs(padded, nan);
    std::vector<float> ys(padded, nan);
    std::vector<float> zs(padded, nan);
    for (std::size_t i = 0; i < cloud.size(); ++i) {
        xs[i] = cloud[i].x;
        ys[i] = cloud[i].y;
        zs[i] = cloud[i].z;
    }
    std::vector<float> limits(planes.size());
    for (std::size_t k = 0; k < planes.size(); ++k) {
        limits[k] = maxDistance * planes[k].normal().norm();
    }
    for (std::size_t start = 0; start < padded; start += kCountBlock) {
        const float* x = xs.data() + start;
        const float* y = ys.data() + start;
        const float* z = zs.data() + start;
        for (std::size_t k = 0; k < planes.size(); ++k) {
            const Eigen::Vector4f& c = planes[k].coefficients;
            const float a = c[0], b = c[1], cz = c[2], d = c[3], limit = limits[k];
            std::uint32_t count = 0;
            for (std::size_t i = 0; i < kCountBlock; ++i) {
                const float distance = a * x[i] + b * y[i] + cz * z[i] + d;
                count += std::fabs(distance) < limit ? 1u : 0u;
            }
            counts[k] += count;
        }
    }
    return counts;
}

}  // namespace zavov
