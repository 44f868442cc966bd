#include "DisplayCloudBuilder.h"

#include <gtest/gtest.h>

#include "ColorPoint.h"

#include <limits>

namespace hazard_desk {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using test::colorPoint;

// 3 x 2 organised cloud: a lit point, an unlit point, a NaN, the origin, a
// point under a black depth pixel and one more lit point.
corVane::ColorCloud sampleCloud() {
    corVane::ColorCloud cloud;
    cloud.width = 3;
    cloud.height = 2;
    cloud.points = {colorPoint(1, 2, 3, 10, 20, 30), colorPoint(4, 5, 6), colorPoint(kNaN, 1, 1),
                    colorPoint(0, 0, 0, 9, 9, 9),    colorPoint(7, 8, 9, 1, 1, 1), colorPoint(0, 0, 5, 50, 60, 70)};
    return cloud;
}

QImage depthImage(int width, int height, int blackIndex) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(qRgb(255, 96, 0));
    if (blackIndex >= 0) {
        image.setPixel(blackIndex % width, blackIndex / width, qRgb(0, 0, 0));
    }
    return image;
}

TEST(DisplayCloudBuilder, MatchingDepthImageDropsUnseenPointsAndNamesEachPixel) {
    const corVane::ColorCloud cloud = sampleCloud();
    const DisplayCloudBuilder::Result result = DisplayCloudBuilder::build(&cloud, depthImage(3, 2, 4));
    ASSERT_EQ(result.cloud->points.size(), 3U);
    EXPECT_EQ(result.depthPixels, (QVector<int>{0, 1, 5}));
    EXPECT_EQ(result.cloud->width, 3U);
    EXPECT_EQ(result.cloud->height, 1U);
    EXPECT_FALSE(result.cloud->is_dense);
    // Lit points keep their colour; an unlit one is tinted so it stays visible.
    EXPECT_EQ(result.cloud->points[0].r, 10);
    EXPECT_EQ(result.cloud->points[1].r, 160);
    EXPECT_EQ(result.cloud->points[1].g, 170);
    EXPECT_EQ(result.cloud->points[1].b, 180);
    EXPECT_EQ(result.cloud->points[2].z, 5.0F);
}

TEST(DisplayCloudBuilder, DepthImageThatDoesNotMatchKeepsEveryRealPointWithoutPixels) {
    const corVane::ColorCloud cloud = sampleCloud();
    struct Case {
        const char* name;
        QImage depth;
    };
    const std::vector<Case> cases = {{"smaller depth image", depthImage(2, 2, 0)},
                                     {"null depth image", QImage()},
                                     {"larger depth image", depthImage(4, 2, 0)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DisplayCloudBuilder::Result result = DisplayCloudBuilder::build(&cloud, c.depth);
        EXPECT_EQ(result.cloud->points.size(), 4U);
        EXPECT_TRUE(result.depthPixels.isEmpty());
        EXPECT_EQ(result.cloud->width, 4U);
    }
}

TEST(DisplayCloudBuilder, NoCloudGivesAnEmptyDisplayCloud) {
    const DisplayCloudBuilder::Result result = DisplayCloudBuilder::build(nullptr, depthImage(1, 1, -1));
    ASSERT_TRUE(result.cloud);
    EXPECT_TRUE(result.cloud->points.empty());
    EXPECT_EQ(result.cloud->width, 0U);
    EXPECT_TRUE(result.depthPixels.isEmpty());
}

}  // namespace
}  // namespace hazard_desk
