#include "LiveCloudColorizer.h"

#include "DepthColorRamp.h"

#include <gtest/gtest.h>

#include "ColorPoint.h"

#include <cmath>
#include <limits>
#include <vector>

namespace hazard_desk {
namespace {

using test::colorPoint;

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kYellow = qRgb(255, 255, 0);

// Camera frame; the default mount turns camera z into +X, camera x into -Y
// and camera y into -Z, 50 mm above the floor.
struct ScenePoint {
    const char* name;
    pcl::PointXYZRGB camera;
    int pixel;
    float vehicleX, vehicleY, vehicleZ;
};

const std::vector<ScenePoint>& scenePoints() {
    static const std::vector<ScenePoint> points = {
        {"danger only", colorPoint(0, 0, 1200, 1, 1, 1), 5, 1200, 0, 50},
        {"danger and warning", colorPoint(0, 0, 1800, 2, 2, 2), 0, 1800, 0, 50},
        {"warning only", colorPoint(0, 0, 2500, 3, 3, 3), 4, 2500, 0, 50},
        {"beyond the zones", colorPoint(0, 0, 4000, 4, 4, 4), 1, 4000, 0, 50},
        {"beside the zones", colorPoint(600, 0, 1200, 5, 5, 5), 2, 1200, -600, 50},
        {"under the zones", colorPoint(0, 100, 1200, 6, 6, 6), 3, 1200, 0, -50},
    };
    return points;
}

// The scene's points as one frame: the cloud, and each point's depth pixel.
struct SceneFrame {
    corVane::ColorCloud cloud;
    QVector<int> pixels;
};

SceneFrame sceneFrame() {
    SceneFrame frame;
    for (const ScenePoint& p : scenePoints()) {
        frame.cloud.points.push_back(p.camera);
        frame.pixels.push_back(p.pixel);
    }
    return frame;
}

// Three pixels a row: nine bytes, so rows are padded to twelve.
QImage depthImage() {
    QImage image(3, 2, QImage::Format_RGB888);
    for (int i = 0; i < 6; ++i) {
        image.setPixel(i % 3, i / 3, qRgb(10 * i, 20 + i, 30 + i));
    }
    return image;
}

QRgb pixelColor(const QImage& image, int index) { return image.pixel(index % 3, index / 3); }
QRgb pointColor(const pcl::PointXYZRGB& p) { return qRgb(p.r, p.g, p.b); }

LiveCloudStyle zonedStyle() {
    LiveCloudStyle style;
    style.maxDepthMm = 8000.0;
    style.zones.danger = zavov::ZoneVolume{ZoneLevel::Danger, BoxZone{1000, 2000, -500, 500, 0, 1000}};
    style.zones.warning = zavov::ZoneVolume{ZoneLevel::Warn, BoxZone{1500, 3000, -500, 500, 0, 1000}};
    return style;
}

TEST(LiveCloudColorizer, ZonePointsAndTheirPixelsTurnRedOrYellow) {
    const QImage depth = depthImage();
    for (const bool pseudoColor : {true, false}) {
        LiveCloudStyle style = zonedStyle();
        style.pseudoColor = pseudoColor;
        const LiveCloudScene scene = LiveCloudColorizer::colorize(sceneFrame().cloud, sceneFrame().pixels, depth, style);
        ASSERT_EQ(scene.cloud->size(), scenePoints().size());
        EXPECT_EQ(scene.dangerPoints, 2u);
        EXPECT_EQ(scene.warningPoints, 1u);
        const std::vector<QRgb> zoneColor = {kRed, kRed, kYellow, 0, 0, 0};
        for (std::size_t i = 0; i < scenePoints().size(); ++i) {
            const ScenePoint& expected = scenePoints()[i];
            const pcl::PointXYZRGB& p = scene.cloud->points[i];
            SCOPED_TRACE(std::string(expected.name) + (pseudoColor ? ", pseudo-colour" : ", camera colours"));
            EXPECT_NEAR(p.x, expected.vehicleX, 1e-3);
            EXPECT_NEAR(p.y, expected.vehicleY, 1e-3);
            EXPECT_NEAR(p.z, expected.vehicleZ, 1e-3);
            const QRgb shown = zoneColor[i] != 0 ? zoneColor[i]
                               : pseudoColor    ? pixelColor(depth, expected.pixel)
                                                : pointColor(expected.camera);
            EXPECT_EQ(pointColor(p), shown);
            EXPECT_EQ(pixelColor(scene.depth, expected.pixel),
                      zoneColor[i] != 0 ? zoneColor[i] : pixelColor(depth, expected.pixel));
        }
        EXPECT_EQ(pixelColor(depth, 5), pixelColor(depthImage(), 5)) << "the frame's own image stays as it was";
    }
}

TEST(LiveCloudColorizer, WithoutPixelsPointsAreColouredByDistance) {
    const QVector<int> pixels = sceneFrame().pixels;
    struct Case {
        const char* name;
        QVector<int> pixels;
        QImage depth;
        double maxDepthMm;
        double rangeUsed;
    };
    QVector<int> oneShort = pixels;
    oneShort.removeLast();
    QVector<int> pastTheImage = pixels;
    pastTheImage[3] = 6;
    QVector<int> negative = pixels;
    negative[0] = -1;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {"one pixel short", oneShort, depthImage(), 8000, 8000},
        {"a pixel past the image", pastTheImage, depthImage(), 8000, 8000},
        {"a negative pixel", negative, depthImage(), 8000, 8000},
        {"no depth image", pixels, QImage(), 8000, 8000},
        {"no range: the farthest point", oneShort, depthImage(), 0, 4000},
        {"range not a number", oneShort, depthImage(), nan, 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveCloudStyle style;
        style.maxDepthMm = c.maxDepthMm;
        const LiveCloudScene scene = LiveCloudColorizer::colorize(sceneFrame().cloud, c.pixels, c.depth, style);
        for (std::size_t i = 0; i < scenePoints().size(); ++i) {
            const pcl::PointXYZRGB& camera = scenePoints()[i].camera;
            const double distance = std::hypot(double{camera.x}, double{camera.y}, double{camera.z});
            const float t = static_cast<float>(distance / c.rangeUsed);
            const zavov::RampColor ramp = zavov::depthRampColor(t);
            EXPECT_EQ(pointColor(scene.cloud->points[i]), qRgb(ramp.red, ramp.green, ramp.blue)) << i;
        }
        EXPECT_EQ(scene.depth.cacheKey(), c.depth.cacheKey()) << "no pixel to repaint";
    }
}

}  // namespace
}  // namespace hazard_desk
