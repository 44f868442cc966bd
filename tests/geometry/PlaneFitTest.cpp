#include "PlaneFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

namespace zavov {
namespace {

pcl::Indices allIndices(const pcl::PointCloud<pcl::PointXYZ>& cloud) {
    pcl::Indices indices(cloud.size());
    std::iota(indices.begin(), indices.end(), 0);
    return indices;
}

// Points on the plane n·p + d = 0 (n unit), on a grid of the given size.
pcl::PointCloud<pcl::PointXYZ> planeGrid(const Eigen::Vector3f& n, float d, int side, float step) {
    const Eigen::Vector3f unit = n.normalized();
    Eigen::Vector3f u = unit.unitOrthogonal();
    Eigen::Vector3f v = unit.cross(u);
    pcl::PointCloud<pcl::PointXYZ> cloud;
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const Eigen::Vector3f p =
                -d * unit + (i - side / 2) * step * u + (j - side / 2) * step * v;
            cloud.push_back(pcl::PointXYZ(p.x(), p.y(), p.z()));
        }
    }
    return cloud;
}

struct PlaneCase {
    const char* name;
    Eigen::Vector3f normal;
    float offset;
};

TEST(PlaneFit, RecoversExactPlanesUpToScaleAndSign) {
    const PlaneCase cases[] = {
        {"floor 1.2 m below", {0.0f, 0.0f, 1.0f}, 1.2f},
        {"tilted floor", {0.05f, -0.08f, 1.0f}, 0.9f},
        {"wall ahead", {1.0f, 0.0f, 0.0f}, -3.0f},
        {"oblique plane", {0.3f, 0.5f, 0.8f}, 0.0f},
    };
    for (const PlaneCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto cloud = planeGrid(c.normal, c.offset, 30, 0.02f);
        const std::optional<PlaneCoefficients> plane = fitPlane(cloud, allIndices(cloud));
        ASSERT_TRUE(plane.has_value());
        const float length = plane->normal().norm();
        ASSERT_GT(length, 0.0f);
        Eigen::Vector4f fitted = plane->coefficients / length;
        const Eigen::Vector3f expectedNormal = c.normal.normalized();
        if (fitted.head<3>().dot(expectedNormal) < 0.0f) {
            fitted = -fitted;
        }
        EXPECT_NEAR(fitted[0], expectedNormal.x(), 1e-4f);
        EXPECT_NEAR(fitted[1], expectedNormal.y(), 1e-4f);
        EXPECT_NEAR(fitted[2], expectedNormal.z(), 1e-4f);
        EXPECT_NEAR(fitted[3], c.offset, 1e-4f);
        for (const auto& p : cloud) {
            EXPECT_LT(plane->distanceTo(p), 1e-4f);
        }
    }
}

TEST(PlaneFit, UsesOnlyTheGivenIndices) {
    auto cloud = planeGrid({0.0f, 0.0f, 1.0f}, 1.0f, 10, 0.05f);
    pcl::Indices floorOnly = allIndices(cloud);
    // Points far off the plane that are not part of the index list.
    cloud.push_back(pcl::PointXYZ(0.0f, 0.0f, 5.0f));
    cloud.push_back(pcl::PointXYZ(1.0f, 2.0f, -7.0f));
    const auto plane = fitPlane(cloud, floorOnly);
    ASSERT_TRUE(plane.has_value());
    EXPECT_NEAR(plane->distanceTo(pcl::PointXYZ(3.0f, -2.0f, -1.0f)), 0.0f, 1e-4f);
    EXPECT_NEAR(plane->distanceTo(pcl::PointXYZ(0.0f, 0.0f, 5.0f)), 6.0f, 1e-3f);
}

TEST(PlaneFit, RejectsTooFewPoints) {
    const auto cloud = planeGrid({0.0f, 0.0f, 1.0f}, 1.0f, 3, 0.1f);
    for (std::size_t count : {0u, 1u, 3u}) {
        pcl::Indices indices(count);
        std::iota(indices.begin(), indices.end(), 0);
        EXPECT_FALSE(fitPlane(cloud, indices).has_value()) << count << " points";
    }
    pcl::Indices four{0, 1, 3, 4};
    EXPECT_TRUE(fitPlane(cloud, four).has_value());
}

TEST(PlaneFit, InlierSelectionUsesTheNormalisedDistance) {
    PlaneCoefficients plane;
    // z = -1 written with a normal of length 4: distances must divide by it.
    plane.coefficients = Eigen::Vector4f(0.0f, 0.0f, 4.0f, 4.0f);
    pcl::PointCloud<pcl::PointXYZ> cloud;
    const float heights[] = {-1.0f, -0.975f, -1.029f, -0.96f, -1.031f, 0.0f};
    for (float z : heights) {
        cloud.push_back(pcl::PointXYZ(0.5f, -0.5f, z));
    }
    const pcl::Indices inliers = planeInliers(cloud, plane, 0.03f);
    EXPECT_EQ(inliers, (pcl::Indices{0, 1, 2}));
    EXPECT_EQ(countPlaneInliers(cloud, {plane}, 0.03f), std::vector<std::size_t>{3u});
}

TEST(PlaneFit, CountsInliersOfManyPlanesAcrossBlocks) {
    // More points than one counting block, and not a whole number of blocks.
    std::mt19937 generator(17);
    std::uniform_real_distribution<float> coordinate(-2.0f, 2.0f);
    pcl::PointCloud<pcl::PointXYZ> cloud;
    for (int i = 0; i < 2500; ++i) {
        cloud.push_back(pcl::PointXYZ(coordinate(generator), coordinate(generator),
                                      coordinate(generator) * 0.05f));
    }
    std::vector<PlaneCoefficients> planes;
    const Eigen::Vector4f coefficients[] = {{0.0f, 0.0f, 1.0f, 0.0f},
                                            {0.0f, 0.0f, -3.0f, 0.06f},
                                            {0.1f, 0.0f, 1.0f, 0.02f},
                                            {1.0f, 0.0f, 0.0f, -1.5f},
                                            {0.0f, 0.0f, 1.0f, 50.0f}};
    for (const auto& c : coefficients) {
        PlaneCoefficients plane;
        plane.coefficients = c;
        planes.push_back(plane);
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
    EXPECT_EQ(countPlaneInliers(pcl::PointCloud<pcl::PointXYZ>{}, planes, 0.03f),
              std::vector<std::size_t>(planes.size(), 0u));
}

}  // namespace
}  // namespace zavov
