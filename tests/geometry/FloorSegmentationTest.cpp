// Euclidean clustering, the step that keeps the connected piece of the floor,
// against PCL's own extraction. The plane search before it is checked by the
// ground calibration, against the true mount.
#include "EuclideanClusterGrid.h"

#include <gtest/gtest.h>
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

// A chain of points a little closer than the tolerance is one cluster, a
// little farther apart none; far-away, identical and NaN points do no harm.
TEST(EuclideanClusterGrid, LinksChainsJustBelowTheToleranceAndSurvivesDegenerateInput) {
    const EuclideanClusterGrid grid(0.2, 10, 2147483647);
    for (const float spacing : {0.19f, 0.21f}) {
        Cloud chain;
        // A diagonal line, so links cross cell borders on every axis.
        for (int i = 0; i < 40; ++i) {
            const float s = static_cast<float>(i) * spacing / std::sqrt(3.0f);
            chain.push_back(pcl::PointXYZ(s, s, s));
        }
        const auto clusters = grid.extract(chain, firstIndices(chain.size()));
        ASSERT_EQ(clusters.size(), spacing < 0.2f ? 1u : 0u) << spacing;
        EXPECT_TRUE(clusters.empty() || clusters.front().indices == firstIndices(chain.size()));
    }

    Cloud cloud;
    for (int i = 0; i < 12; ++i) {
        cloud.push_back(pcl::PointXYZ(1e30f, -1e30f, 3e38f));  // identical far points
    }
    cloud.push_back(pcl::PointXYZ(std::nanf(""), 0.0f, 0.0f));
    cloud.push_back(pcl::PointXYZ(-1e30f, 1e30f, -3e38f));
    const pcl::Indices all = firstIndices(cloud.size());
    EXPECT_TRUE(grid.extract(cloud, {}).empty());
    const auto clusters = grid.extract(cloud, all);
    ASSERT_EQ(clusters.size(), 1u);
    EXPECT_EQ(clusters.front().indices.size(), 12u);
    EXPECT_TRUE(EuclideanClusterGrid(0.0, 1, 100).extract(cloud, all).empty());
}

}  // namespace
}  // namespace zavov
