#include "PlaneFit.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace zavov {
namespace {

pcl::Indices firstIndices(std::size_t count) {
    pcl::Indices indices(count);
    std::iota(indices.begin(), indices.end(), 0);
    return indices;
}

// side × side points on the plane n·p + d = 0 (n made unit), step apart.
pcl::PointCloud<pcl::PointXYZ> planeGrid(const Eigen::Vector3f& n, float d, int side, float step) {
    const Eigen::Vector3f unit = n.normalized();
    const Eigen::Vector3f u = unit.unitOrthogonal();
    const Eigen::Vector3f v = unit.cross(u);
    pcl::PointCloud<pcl::PointXYZ> cloud;
    for (int i = 0; i < side * side; ++i) {
        const Eigen::Vector3f p = -d * unit + (i / side - side / 2) * step * u + (i % side - side / 2) * step * v;
        cloud.push_back(pcl::PointXYZ(p.x(), p.y(), p.z()));
    }
    return cloud;
}

// Every grid point lies on the fitted plane, so the fit is the plane itself;
// points outside the index list, far off it, play no part.
TEST(PlaneFit, FitsExactPlanesThroughTheGivenIndicesOnly) {
    struct Case {
        const char* name;
        Eigen::Vector3f normal;
        float offset;
    };
    const Case cases[] = {
        {"floor 1.2 m below", {0.0f, 0.0f, 1.0f}, 1.2f},
        {"tilted floor", {0.05f, -0.08f, 1.0f}, 0.9f},
        {"wall ahead", {1.0f, 0.0f, 0.0f}, -3.0f},
        {"oblique plane through the origin", {0.3f, 0.5f, 0.8f}, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto cloud = planeGrid(c.normal, c.offset, 30, 0.02f);
        const pcl::Indices onPlane = firstIndices(cloud.size());
        const Eigen::Vector3f off = 4.0f * c.normal.normalized();
        cloud.push_back(pcl::PointXYZ(off.x(), off.y(), off.z()));
        const std::optional<PlaneCoefficients> plane = fitPlane(cloud, onPlane);
        ASSERT_TRUE(plane.has_value());
        for (const pcl::index_t i : onPlane) {
            EXPECT_LT(plane->distanceTo(cloud[static_cast<std::size_t>(i)]), 1e-4f);
        }
        EXPECT_NEAR(plane->distanceTo(cloud.back()), 4.0f + c.offset, 1e-3f);
    }
    // Three points or fewer (here collinear) make no plane; four do.
    const auto small = planeGrid({0.0f, 0.0f, 1.0f}, 1.0f, 3, 0.1f);
    for (const std::size_t count : {0u, 1u, 3u}) {
        EXPECT_FALSE(fitPlane(small, firstIndices(count)).has_value()) << count << " points";
    }
    EXPECT_TRUE(fitPlane(small, pcl::Indices{0, 1, 3, 4}).has_value());
}

TEST(PlaneFit, InliersUseTheNormalisedDistanceAndCountingAgreesAcrossBlocks) {
    PlaneCoefficients lengthFour;
    // z = -1 written with a normal of length 4: distances must divide by it.
    lengthFour.coefficients = Eigen::Vector4f(0.0f, 0.0f, 4.0f, 4.0f);
    pcl::PointCloud<pcl::PointXYZ> heights;
    for (const float z : {-1.0f, -0.975f, -1.029f, -0.96f, -1.031f, 0.0f}) {
        heights.push_back(pcl::PointXYZ(0.5f, -0.5f, z));
    }
    EXPECT_EQ(planeInliers(heights, lengthFour, 0.03f), (pcl::Indices{0, 1, 2}));

    // More points than one counting block, and not a whole number of blocks.
    std::mt19937 generator(17);
    std::uniform_real_distribution<float> coordinate(-2.0f, 2.0f);
    pcl::PointCloud<pcl::PointXYZ> cloud;
    for (int i = 0; i < 2500; ++i) {
        cloud.push_back(pcl::PointXYZ(coordinate(generator), coordinate(generator), coordinate(generator) * 0.05f));
    }
    std::vector<PlaneCoefficients> planes;
    for (const Eigen::Vector4f& c : {Eigen::Vector4f(0, 0, 1, 0), Eigen::Vector4f(0, 0, -3, 0.06f),
                                     Eigen::Vector4f(0.1f, 0, 1, 0.02f), Eigen::Vector4f(1, 0, 0, -1.5f),
                                     Eigen::Vector4f(0, 0, 1, 50)}) {
        planes.push_back(PlaneCoefficients{c});
    }
    const std::vector<std::size_t> counts = countPlaneInliers(cloud, planes, 0.03f);
    ASSERT_EQ(counts.size(), planes.size());
    for (std::size_t k = 0; k < planes.size(); ++k) {
        EXPECT_EQ(counts[k], planeInliers(cloud, planes[k], 0.03f).size()) << "plane " << k;
    }
    EXPECT_GT(counts[0], 0u);
    EXPECT_LT(counts[0], cloud.size());
    EXPECT_EQ(counts[4], 0u);
    EXPECT_TRUE(countPlaneInliers(cloud, {}, 0.03f).empty());
    EXPECT_EQ(countPlaneInliers({}, planes, 0.03f), std::vector<std::size_t>(planes.size(), 0u));
}

}  // namespace
}  // namespace zavov
