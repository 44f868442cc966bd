// The two steps that find the floor in a cloud: fitting planes and their
// inliers, and Euclidean clustering (against PCL's own extraction).
#include "EuclideanClusterGrid.h"
#include "PlaneFit.h"

#include <gtest/gtest.h>
#include <pcl/search/kdtree.h>
#include <pcl/segmentation/extract_clusters.h>

#include <algorithm>
#include <memory>
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

using Cloud = pcl::PointCloud<pcl::PointXYZ>;
using ClusterSets = std::vector<std::vector<pcl::index_t>>;

// Clusters as a canonical value: each sorted, the list sorted.
ClusterSets canonical(const std::vector<pcl::PointIndices>& clusters) {
    ClusterSets sets;
    for (const auto& c : clusters) {
        std::vector<pcl::index_t> s = c.indices;
        std::sort(s.begin(), s.end());
        sets.push_back(s);
    }
    std::sort(sets.begin(), sets.end());
    return sets;
}

std::vector<pcl::PointIndices> pclClusters(const Cloud::ConstPtr& cloud,
                                           const pcl::Indices& indices, double tolerance,
                                           std::size_t minSize, std::size_t maxSize) {
    pcl::EuclideanClusterExtraction<pcl::PointXYZ> extraction;
    extraction.setClusterTolerance(tolerance);
    extraction.setMinClusterSize(static_cast<pcl::uindex_t>(minSize));
    extraction.setMaxClusterSize(static_cast<pcl::uindex_t>(maxSize));
    extraction.setSearchMethod(std::make_shared<pcl::search::KdTree<pcl::PointXYZ>>());
    extraction.setInputCloud(cloud);
    extraction.setIndices(std::make_shared<pcl::Indices>(indices));
    std::vector<pcl::PointIndices> clusters;
    extraction.extract(clusters);
    return clusters;
}

// Blobs of different density plus scattered points: clusters that touch,
// chains and loners.
Cloud::Ptr clumpyCloud(std::uint32_t seed, int blobs, int pointsPerBlob, int scattered) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> where(-3.0f, 3.0f);
    std::uniform_real_distribution<float> spread(0.02f, 0.3f);
    auto cloud = std::make_shared<Cloud>();
    for (int b = 0; b < blobs; ++b) {
        const Eigen::Vector3f centre(where(generator), where(generator), where(generator) * 0.2f);
        std::normal_distribution<float> offset(0.0f, spread(generator));
        for (int i = 0; i < pointsPerBlob; ++i) {
            cloud->push_back(pcl::PointXYZ(centre.x() + offset(generator),
                                           centre.y() + offset(generator),
                                           centre.z() + offset(generator) * 0.3f));
        }
    }
    for (int i = 0; i < scattered; ++i) {
        cloud->push_back(pcl::PointXYZ(where(generator), where(generator), where(generator)));
    }
    return cloud;
}

struct GridCase {
    std::uint32_t seed;
    int blobs, pointsPerBlob, scattered;
    double tolerance;
    std::size_t minSize, maxSize;
    bool everyOtherIndex;  // cluster a subset of the cloud
};

TEST(EuclideanClusterGrid, FindsTheSameClustersAsTheKdTreeExtraction) {
    constexpr std::size_t kNoMax = 2147483647;
    const GridCase cases[] = {
        {1, 12, 150, 300, 0.2, 10, kNoMax, false},
        {2, 25, 80, 800, 0.2, 10, kNoMax, true},
        {3, 6, 400, 50, 0.05, 1, kNoMax, false},
        {4, 30, 60, 200, 0.5, 5, kNoMax, false},
        {5, 12, 150, 300, 0.2, 10, 200, false},  // clusters above the maximum are dropped
        {6, 40, 30, 1000, 0.1, 3, 60, true},
    };
    for (const GridCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "seed " << c.seed);
        const Cloud::Ptr cloud = clumpyCloud(c.seed, c.blobs, c.pointsPerBlob, c.scattered);
        pcl::Indices indices;
        for (std::size_t i = 0; i < cloud->size(); i += c.everyOtherIndex ? 2 : 1) {
            indices.push_back(static_cast<pcl::index_t>(i));
        }
        const auto expected = pclClusters(cloud, indices, c.tolerance, c.minSize, c.maxSize);
        const auto actual = EuclideanClusterGrid(c.tolerance, c.minSize, c.maxSize).extract(*cloud, indices);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(canonical(actual), canonical(expected));
        // Largest first, each cluster's indices in order.
        for (std::size_t i = 0; i < actual.size(); ++i) {
            EXPECT_TRUE(i == 0 || actual[i - 1].indices.size() >= actual[i].indices.size());
            EXPECT_TRUE(std::is_sorted(actual[i].indices.begin(), actual[i].indices.end()));
        }
    }
}

TEST(EuclideanClusterGrid, LinksChainsJustBelowTheTolerance) {
    struct Chain {
        float spacing;
        std::size_t expectedClusters;
    };
    for (const Chain chain : {Chain{0.19f, 1u}, Chain{0.21f, 0u}}) {
        Cloud cloud;
        // A diagonal line, so links cross cell borders on every axis.
        for (int i = 0; i < 40; ++i) {
            const float s = static_cast<float>(i) * chain.spacing / std::sqrt(3.0f);
            cloud.push_back(pcl::PointXYZ(s, s, s));
        }
        const pcl::Indices all = firstIndices(cloud.size());
        const auto clusters = EuclideanClusterGrid(0.2, 10, 2147483647).extract(cloud, all);
        ASSERT_EQ(clusters.size(), chain.expectedClusters) << chain.spacing;
        if (!clusters.empty()) {
            EXPECT_EQ(clusters.front().indices, all);
        }
    }
}

TEST(EuclideanClusterGrid, HandlesEmptyDegenerateAndFarAwayInput) {
    Cloud cloud;
    for (int i = 0; i < 12; ++i) {
        cloud.push_back(pcl::PointXYZ(1e30f, -1e30f, 3e38f));  // identical far points
    }
    cloud.push_back(pcl::PointXYZ(std::nanf(""), 0.0f, 0.0f));
    cloud.push_back(pcl::PointXYZ(-1e30f, 1e30f, -3e38f));
    const pcl::Indices all = firstIndices(cloud.size());

    const EuclideanClusterGrid grid(0.2, 10, 2147483647);
    EXPECT_TRUE(grid.extract(cloud, {}).empty());
    const auto clusters = grid.extract(cloud, all);
    ASSERT_EQ(clusters.size(), 1u);
    EXPECT_EQ(clusters.front().indices.size(), 12u);
    EXPECT_TRUE(EuclideanClusterGrid(0.0, 1, 100).extract(cloud, all).empty());
}

}  // namespace
}  // namespace zavov
