// The obstacle scene of the 3D view: the clouds it submits, the overlay
// drawn over it, and the scene as rendered, read back pixel by pixel with
// Mesa (the zone wireframes and a pallet in the warning zone in their
// colours, and the overlay's field of view only when it is known).
#include "ClipSpaceProjector.h"
#include "LightweightGlEngine.h"
#include "ObstacleSceneClouds.h"
#include "ObstacleSceneOverlay.h"
#include "ZoneWireframe.h"

#include <gtest/gtest.h>
#include <pcl/common/common.h>

#include "BuildLog.h"
#include "EventLoopWait.h"

#include <QTest>
#include <QVariantMap>

#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace hazard_desk {
namespace {

using Ids = std::vector<std::string>;

bool idsBecome(const LightweightGlEngine& engine, const Ids& expected) {
    return test::waitUntil([&] { return engine.cloudIds() == expected; }, 10000);
}

QVariantMap box(double x, double y, double z, double width, double height, double depth) {
    return {{QStringLiteral("x"), x},         {QStringLiteral("y"), y},          {QStringLiteral("z"), z},
            {QStringLiteral("width"), width}, {QStringLiteral("height"), height}, {QStringLiteral("depth"), depth}};
}

QVariantList detectedBoxes() {
    QVariantMap missingDepth = box(0, 0, 0, 100, 100, 100);
    missingDepth.remove(QStringLiteral("depth"));
    return {box(1000, 0, 500, 400, 600, 1000), box(std::numeric_limits<double>::quiet_NaN(), 0, 0, 100, 100, 100),
            box(0, 0, 0, std::numeric_limits<double>::infinity(), 100, 100), missingDepth,
            QVariant(QStringLiteral("not a box"))};
}

TEST(ObstacleSceneClouds, DetectedBoxesSkipWhatCannotBeDrawn) {
    const corVane::ColorCloudPtr cloud = ObstacleSceneClouds::detectedBoxesCloud(detectedBoxes());
    ASSERT_TRUE(cloud);
    EXPECT_EQ(cloud->size(), zavov::boxWireframe(BoxZone{800, 1200, -300, 300, 0, 1000}).size());
    // Only the first box can be drawn: its edges span its extent, in red.
    pcl::PointXYZRGB low;
    pcl::PointXYZRGB high;
    pcl::getMinMax3D(*cloud, low, high);
    EXPECT_EQ((std::vector<float>{low.x, low.y, low.z}), (std::vector<float>{800, -300, 0}));
    EXPECT_EQ((std::vector<float>{high.x, high.y, high.z}), (std::vector<float>{1200, 300, 1000}));
    for (const pcl::PointXYZRGB& p : cloud->points) {
        ASSERT_EQ(qRgb(p.r, p.g, p.b), qRgb(255, 0, 0));
    }
}

// One scene walks through what it can show; each part has its named cloud,
// which goes when the part goes.
TEST(ObstacleSceneClouds, EachShownPartHasItsCloudUntilItGoes) {
    LightweightGlEngine engine;
    ObstacleSceneClouds scene(engine);
    const ZoneTemplate square;
    ZoneTemplate sector = defaultZoneTemplate(2, TemplateType::Sector);
    std::get<SectorZones>(sector.body).notify = SectorZone{2300, -30, 30, 50, 1000, 0, 0};
    auto frame = std::make_shared<corVane::ColorCloud>();
    frame->points.resize(1);
    frame->points[0].z = 1000.0f;
    const QImage depth(1, 1, QImage::Format_RGB888);
    const auto live = [&](const corVane::ColorCloudPtr& cloud, bool submit) {
        return [&scene, &depth, cloud, submit] { scene.showLiveCloud(cloud, {0}, depth, LiveCloudStyle(), submit); };
    };
    const std::vector<std::tuple<const char*, std::function<void()>, Ids>> steps = {
        {"a square template: danger and warning", [&] { scene.showZones(&square); }, {"zone_danger", "zone_warning"}},
        {"a sector with its notify zone", [&] { scene.showZones(&sector); },
         {"zone_danger", "zone_notify", "zone_warning"}},
        {"back to the square: the notify zone goes", [&] { scene.showZones(&square); },
         {"zone_danger", "zone_warning"}},
        {"no zones shown", [&] { scene.showZones(nullptr); }, {}},
        {"a frame", live(frame, true), {"live_cloud"}},
        {"the point-cloud box unchecked", live(frame, false), {}},
        {"a frame again", live(frame, true), {"live_cloud"}},
        {"a frame without points", live(nullptr, true), {}},
        {"detected boxes", [&] { scene.showDetectedBoxes(detectedBoxes()); }, {"detected_boxes"}},
        {"no detected boxes", [&] { scene.showDetectedBoxes({}); }, {}},
    };
    for (const auto& [name, show, ids] : steps) {
        show();
        engine.commitRemovals();
        EXPECT_TRUE(idsBecome(engine, ids)) << name;
    }
}

TEST(ObstacleSceneOverlay, CameraInfoGivesRangeAndFieldOfView) {
    struct Case {
        int deviceType;
        double maxDepthMm;
        double horizontal, vertical;
        const char* fovText;
        const char* rangeText;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {2201, 6000, 140, 56, "P21 2D：140° × 56°", "SDK 最远距离：6.000 m"},
        {2108, 7499.6, 120, 80, "P20 3D：120° × 80°（公差 ±3°）", "SDK 最远距离：7.500 m"},
        {2110, -5, 120, 80, "P20 3D：120° × 80°（公差 ±3°）", "SDK 最远距离未获取"},
        {0, nan, 0, 0, "视场角未获取", "SDK 最远距离未获取"},
    };
    LightweightGlEngine view;
    view.resize(320, 240);
    ObstacleSceneOverlay overlay(&view);
    EXPECT_TRUE(overlay.testAttribute(Qt::WA_TransparentForMouseEvents)) << "the view below still orbits";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deviceType);
        overlay.setCameraInfo(c.deviceType, c.maxDepthMm);
        EXPECT_EQ(overlay.fovHorizontal(), c.horizontal);
        EXPECT_EQ(overlay.fovVertical(), c.vertical);
        EXPECT_EQ(overlay.legendLines().at(1),
                  QString::fromUtf8(c.fovText) + QStringLiteral(" | ") + QString::fromUtf8(c.rangeText));
    }
    view.resize(400, 300);
    EXPECT_TRUE(test::waitUntil([&] { return overlay.geometry() == view.rect(); }, 1000)) << "it covers the view";
}

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
// y is -Z).
corVane::ColorCloudPtr palletAt(float palletX) {
    auto cloud = std::make_shared<corVane::ColorCloud>();
    for (int row = 0; row < kPalletRows; ++row) {
        for (int column = 0; column < kPalletColumns; ++column) {
            pcl::PointXYZRGB p;
            p.x = -300.0f + 20.0f * column;
            p.y = 50.0f - (50.0f + 20.0f * row);
            p.z = palletX;
            cloud->points.push_back(p);
        }
    }
    return cloud;
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
        scene.showLiveCloud(palletAt(palletX), {}, QImage(), style, true);
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

// The field of view's light blue, blended into the dark background by the
// antialiased 1 px lines; the zones, the pallet and the grid are other hues.
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

// Which zone colours which point is the colorizer's; here the colours reach
// the screen: a pallet inside the warning zone only is yellow, the danger
// wireframe red where it projects, open space the background. The overlay
// draws the field of view over it only with a range and a known camera.
TEST_F(ObstacleSceneRenderTest, ZonesPalletAndFieldOfViewReachTheScreenInTheirColours) {
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

    for (const auto& [deviceType, maxDepthMm, drawn] : {std::tuple{2108, 6000.0, true}, std::tuple{2108, 0.0, false},
                                                        std::tuple{1005, 6000.0, false}}) {
        overlay.setCameraInfo(deviceType, maxDepthMm);
        const int pixels = fieldOfViewPixels(view.grab().toImage());
        EXPECT_EQ(pixels > 200, drawn) << deviceType << " " << maxDepthMm << ": " << pixels;
    }
}

}  // namespace
}  // namespace hazard_desk
