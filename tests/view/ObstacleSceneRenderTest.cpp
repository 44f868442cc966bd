// The scene as the 3D view renders it, read back pixel by pixel with Mesa: the
// zone wireframes and a pallet in the warning zone in their colours, and the
// overlay's field of view only when it is known.
#include "ClipSpaceProjector.h"
#include "LightweightGlEngine.h"
#include "ObstacleSceneClouds.h"
#include "ObstacleSceneOverlay.h"

#include <gtest/gtest.h>

#include "BuildLog.h"
#include "EventLoopWait.h"

#include <QTest>

#include <tuple>
#include <vector>

namespace hazard_desk {
namespace {

constexpr int kPalletColumns = 31;   // 600 mm wide in steps of 20 mm
constexpr int kPalletRows = 38;      // 50..800 mm high

// The commissioned K7's template 1: danger 300..1500 mm ahead, warning to
// 2500 mm, 700 mm either side, 50..1800 mm high.
ZoneTemplate commissionedTemplate() {
    ZoneTemplate zones;
    zones.body = SquareZones{300, 1500, 2500, -700, 700, 50, 1800};
    return zones;
}

// The face of a pallet palletX ahead, in the frame of a camera on the default
// mount (50 mm high, looking along +X: camera z is X, camera x is -Y, camera
// y is -Z), with a depth image of one far colour, pixel for point.
struct PalletFrame {
    corVane::ColorCloudPtr cloud = std::make_shared<corVane::ColorCloud>();
    QVector<int> depthPixels;
    QImage depth{kPalletColumns, kPalletRows, QImage::Format_RGB888};
};

PalletFrame palletAt(float palletX) {
    PalletFrame frame;
    frame.depth.fill(qRgb(30, 90, 255));
    for (int row = 0; row < kPalletRows; ++row) {
        for (int column = 0; column < kPalletColumns; ++column) {
            pcl::PointXYZRGB p;
            p.x = -300.0f + 20.0f * column;
            p.y = 50.0f - (50.0f + 20.0f * row);
            p.z = palletX;
            p.r = p.g = p.b = 128;
            frame.depthPixels.push_back(static_cast<int>(frame.cloud->size()));
            frame.cloud->points.push_back(p);
        }
    }
    return frame;
}

bool isRed(const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }
bool isYellow(const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() < 60; }

class ObstacleSceneRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.showAxes = false;
        view.setThinningCell(0);
        view.setPointSize(5.0f);
        view.resize(480, 360);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const ZoneTemplate zones = commissionedTemplate();
        scene.showZones(&zones);
        style.zones = zavov::highlightVolumes(zones);
        // Behind and above the camera, looking ahead and down at the zones.
        view.setCameraPose(CloudEngineInterface::Vector3{-3000, 0, 1500}, CloudEngineInterface::Vector3{0, 0, 1},
                           CloudEngineInterface::Vector3{1500, 0, 500});
    }

    // Shows the pallet and waits until its cloud is built and drawn.
    QImage render(float palletX) {
        const test::BuildLog built(view);
        const PalletFrame frame = palletAt(palletX);
        scene.showLiveCloud(frame.cloud, frame.depthPixels, frame.depth, style, true);
        view.commitRemovals();
        const bool liveBuilt = test::waitUntil([&] { return built.contains(QStringLiteral("live_cloud")); }, 10000);
        EXPECT_TRUE(liveBuilt);
        return view.grabFramebuffer();
    }

    QColor pixelAt(const QImage& frame, const QVector3D& vehiclePoint) const {
        const ClipSpaceProjector projector(view.viewProjection(), frame.width(), frame.height());
        const std::optional<QPointF> pixel = projector.pointInFront(vehiclePoint);
        const bool inFrame = pixel.has_value() && frame.rect().contains(pixel->toPoint());
        EXPECT_TRUE(inFrame) << vehiclePoint.x() << " " << vehiclePoint.y() << " " << vehiclePoint.z();
        return inFrame ? frame.pixelColor(pixel->toPoint()) : QColor(Qt::magenta);
    }

    LightweightGlEngine view;
    ObstacleSceneOverlay overlay{&view};
    ObstacleSceneClouds scene{view};
    LiveCloudStyle style;
};

// Which zone colours which point is the colorizer's; here the colours reach
// the screen: a pallet inside the warning zone only is yellow, the danger
// wireframe red where it projects, open space the background.
TEST_F(ObstacleSceneRenderTest, ZoneWireframesAndZonePointsReachTheScreenInTheirColours) {
    const QImage frame = render(2000.0f);
    // Edges of the danger box that no other cloud covers: the near face's
    // side edges and its top edge.
    for (const QVector3D& edge : {QVector3D(300, -700, 900), QVector3D(300, 700, 1200), QVector3D(300, 0, 1800)}) {
        const QColor c = pixelAt(frame, edge);
        EXPECT_TRUE(isRed(c)) << edge.x() << " " << edge.y() << " " << edge.z() << ": " << c.name().toStdString();
    }
    EXPECT_TRUE(isYellow(pixelAt(frame, {2500, -700, 900}))) << "the warning box's far edge";
    for (const QVector3D& onPallet : {QVector3D(2000, 0, 400), QVector3D(2000, 200, 200)}) {
        const QColor shown = pixelAt(frame, onPallet);
        EXPECT_TRUE(isYellow(shown)) << shown.name().toStdString();
    }
    const QColor open = pixelAt(frame, {900, 0, 2000});
    EXPECT_LT(open.red() + open.green() + open.blue(), 120) << open.name().toStdString();
}

// The field of view's light blue, blended into the dark background by the
// antialiased 1 px lines; the grid and the axes are other hues.
int fieldOfViewPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.blue() > 100 && c.green() > 1.6 * c.red() && c.blue() > 1.6 * c.red() && c.green() >= 0.75 * c.blue();
        }
    }
    return count;
}

TEST_F(ObstacleSceneRenderTest, FieldOfViewOnlyWithARangeAndAKnownCamera) {
    scene.showZones(nullptr);
    for (const auto& [deviceType, maxDepthMm, drawn] : {std::tuple{2108, 6000.0, true}, std::tuple{2108, 0.0, false},
                                                        std::tuple{1005, 6000.0, false}}) {
        overlay.setCameraInfo(deviceType, maxDepthMm);
        const int pixels = fieldOfViewPixels(view.grab().toImage());
        EXPECT_EQ(pixels > 200, drawn) << deviceType << " " << maxDepthMm << ": " << pixels;
    }
}

}  // namespace
}  // namespace hazard_desk
