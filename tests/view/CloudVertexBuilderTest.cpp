#include "CloudVertexBuilder.h"

#include <gtest/gtest.h>

#include "ColorPoint.h"

#include <limits>
#include <vector>

namespace hazard_desk {
namespace {

using test::colorPoint;

TEST(CloudVertexBuilderTest, ThinningKeepsTheFirstPointOfEachCellInCloudOrder) {
    corVane::ColorCloud cloud;
    cloud.points = {colorPoint(0, 0, 0, 10), colorPoint(10, 10, 10, 20), colorPoint(29.9f, 0, 0, 30), colorPoint(31, 0, 0, 40),
                    colorPoint(-1, 0, 0, 50), colorPoint(-29, 0, 0, 60), colorPoint(0, 0, 30, 70)};
    const BuiltCloud built = CloudVertexBuilder::build(cloud, 30, 1);
    ASSERT_TRUE(built.valid);
    ASSERT_EQ(built.vertexCount, 4);
    ASSERT_EQ(built.vertices.size(), 4u * 6u);
    const float expectedX[] = {0, 31, -1, 0};
    const float expectedRed[] = {10, 40, 50, 70};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(built.vertices[i * 6 + 0], expectedX[i]) << "vertex " << i;
        EXPECT_FLOAT_EQ(built.vertices[i * 6 + 3], expectedRed[i] / 255.0f) << "vertex " << i;
    }
}

// Non-finite points are skipped with or without thinning; an empty cloud builds nothing.
TEST(CloudVertexBuilderTest, VerticesCarryPositionColourAndBoundsOfTheValidPoints) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    corVane::ColorCloud cloud;
    cloud.points = {colorPoint(nan, nan, nan),         colorPoint(1, -2, 3, 255, 0, 51), colorPoint(inf, 0, 0),
                    colorPoint(-4, 5, 0.5f, 0, 255, 102), colorPoint(0, -inf, 0)};
    const std::vector<float> expected = {1, -2, 3, 1, 0, 0.2f, -4, 5, 0.5f, 0, 1, 0.4f};
    for (const int cell : {30, 0, -5}) {
        SCOPED_TRACE(cell);
        const BuiltCloud built = CloudVertexBuilder::build(cloud, cell, 1);
        ASSERT_EQ(built.vertexCount, 2);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(built.vertices[i], expected[i], 1e-6) << "float " << i;
        }
        EXPECT_EQ(std::vector<float>(built.boundsMin, built.boundsMin + 3), (std::vector<float>{-4, -2, 0.5f}));
        EXPECT_EQ(std::vector<float>(built.boundsMax, built.boundsMax + 3), (std::vector<float>{1, 5, 3}));
    }
    const BuiltCloud empty = CloudVertexBuilder::build(corVane::ColorCloud(), 30, 0);
    EXPECT_EQ(empty.vertexCount, 0);
    EXPECT_TRUE(empty.vertices.empty());
}

// A camera-like scan: rows of points 2 mm apart, so long runs share a cell,
// with a row of invalid pixels now and then.
corVane::ColorCloud scanCloud(int width, int height) {
    corVane::ColorCloud cloud;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int v = 0; v < height; ++v) {
        for (int u = 0; u < width; ++u) {
            const bool invalid = (u + 3 * v) % 97 == 0;
            cloud.points.push_back(invalid ? colorPoint(nan, nan, nan)
                                           : colorPoint(u * 2.0f - width, 2000.0f + v * 3.0f, (u * v) % 7 * 10.0f,
                                                        static_cast<std::uint8_t>(u % 256),
                                                        static_cast<std::uint8_t>(v % 256), 1));
        }
    }
    return cloud;
}

// Any number of workers gives the single worker's vertices, thinned or not
// (a cell's first point may lie in an earlier worker's share), and its bounds.
TEST(CloudVertexBuilderTest, ParallelBuildKeepsTheFirstPointOfEachCellInOrder) {
    const corVane::ColorCloud cloud = scanCloud(1024, 512);  // enough points for three and four workers
    for (const int cell : {30, 0}) {
        const BuiltCloud serial = CloudVertexBuilder::build(cloud, cell, 1);
        for (const int workers : {3, 4}) {
            SCOPED_TRACE(::testing::Message() << workers << " workers, cell " << cell);
            const BuiltCloud parallel = CloudVertexBuilder::build(cloud, cell, workers);
            EXPECT_TRUE(parallel.vertices == serial.vertices);
            EXPECT_EQ(std::vector<float>(parallel.boundsMin, parallel.boundsMin + 3),
                      std::vector<float>(serial.boundsMin, serial.boundsMin + 3));
            EXPECT_EQ(std::vector<float>(parallel.boundsMax, parallel.boundsMax + 3),
                      std::vector<float>(serial.boundsMax, serial.boundsMax + 3));
        }
    }
}

TEST(CloudVertexBuilderTest, StrideDecimationAboveTheVertexLimit) {
    struct Case {
        std::size_t points;
        int expectedVertices;
        std::size_t expectedStride;
    };
    const Case cases[] = {{1500000, 1500000, 1}, {1500001, 750001, 2}};
    for (const Case& c : cases) {
        corVane::ColorCloud cloud;
        cloud.points.resize(c.points);
        for (std::size_t i = 0; i < c.points; ++i) {
            cloud.points[i] = colorPoint(static_cast<float>(i), 0, 0);
        }
        const BuiltCloud built = CloudVertexBuilder::build(cloud, 0, 2);
        ASSERT_EQ(built.vertexCount, c.expectedVertices) << c.points << " points";
        for (int v : {0, 1, c.expectedVertices - 1}) {
            EXPECT_FLOAT_EQ(built.vertices[static_cast<std::size_t>(v) * 6],
                            static_cast<float>(static_cast<std::size_t>(v) * c.expectedStride));
        }
    }
}

TEST(CloudVertexBuilderTest, WorkerCountKeepsEnoughPointsPerWorker) {
    struct Case {
        std::size_t points;
        int hardware;
        int expected;
    };
    const Case cases[] = {{131072, 8, 2}, {131071, 8, 1}, {1000000, 2, 2}, {1000000, 32, 8}, {100000, 0, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(CloudVertexBuilder::workerCount(c.points, c.hardware), c.expected)
            << c.points << " points on " << c.hardware;
    }
}

}  // namespace
}  // namespace hazard_desk
