#include "ObstacleSceneClouds.h"

#include "LightweightGlEngine.h"
#include "ZoneWireframe.h"

#include <gtest/gtest.h>

#include "EventLoopWait.h"

#include <QVariantMap>

#include <algorithm>
#include <limits>
#include <string>
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

TEST(ObstacleSceneClouds, ZoneCloudsFollowTheShownTemplate) {
    LightweightGlEngine engine;
    ObstacleSceneClouds scene(engine);
    const ZoneTemplate square;
    ZoneTemplate sector = defaultZoneTemplate(2, TemplateType::Sector);
    std::get<SectorZones>(sector.body).notify = SectorZone{2300, -30, 30, 50, 1000, 0, 0};
    struct Step {
        const char* name;
        const ZoneTemplate* shown;
        Ids ids;
    };
    const std::vector<Step> steps = {
        {"a square template: danger and warning", &square, {"zone_danger", "zone_warning"}},
        {"a sector with its notify zone", &sector, {"zone_danger", "zone_notify", "zone_warning"}},
        {"back to the square: the notify zone goes", &square, {"zone_danger", "zone_warning"}},
        {"nothing shown", nullptr, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        scene.showZones(step.shown);
        engine.commitRemovals();
        EXPECT_TRUE(idsBecome(engine, step.ids));
    }
}

auto byAxis(float pcl::PointXYZRGB::*axis) {
    return [axis](const pcl::PointXYZRGB& a, const pcl::PointXYZRGB& b) { return a.*axis < b.*axis; };
}

TEST(ObstacleSceneClouds, DetectedBoxesSkipWhatCannotBeDrawn) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QVariantMap missingDepth = box(0, 0, 0, 100, 100, 100);
    missingDepth.remove(QStringLiteral("depth"));
    const QVariantList boxes = {box(1000, 0, 500, 400, 600, 1000), box(nan, 0, 0, 100, 100, 100),
                                box(0, 0, 0, std::numeric_limits<double>::infinity(), 100, 100), missingDepth,
                                QVariant(QStringLiteral("not a box"))};
    const corVane::ColorCloudPtr cloud = ObstacleSceneClouds::detectedBoxesCloud(boxes);
    ASSERT_TRUE(cloud);
    EXPECT_EQ(cloud->size(), zavov::boxWireframe(BoxZone{800, 1200, -300, 300, 0, 1000}).size());
    // Only the first box can be drawn: its edges span its extent, in red.
    const auto [xLow, xHigh] = std::minmax_element(cloud->begin(), cloud->end(), byAxis(&pcl::PointXYZRGB::x));
    const auto [yLow, yHigh] = std::minmax_element(cloud->begin(), cloud->end(), byAxis(&pcl::PointXYZRGB::y));
    const auto [zLow, zHigh] = std::minmax_element(cloud->begin(), cloud->end(), byAxis(&pcl::PointXYZRGB::z));
    EXPECT_EQ((std::vector<float>{xLow->x, yLow->y, zLow->z}), (std::vector<float>{800, -300, 0}));
    EXPECT_EQ((std::vector<float>{xHigh->x, yHigh->y, zHigh->z}), (std::vector<float>{1200, 300, 1000}));
    for (const pcl::PointXYZRGB& p : cloud->points) {
        ASSERT_EQ(qRgb(p.r, p.g, p.b), qRgb(255, 0, 0));
    }

    LightweightGlEngine engine;
    ObstacleSceneClouds scene(engine);
    scene.showDetectedBoxes(boxes);
    EXPECT_TRUE(idsBecome(engine, {"detected_boxes"}));
    scene.showDetectedBoxes({});
    EXPECT_TRUE(idsBecome(engine, {}));
}

TEST(ObstacleSceneClouds, LiveCloudGoesWhenTheFrameHasNoPointsOrIsHidden) {
    LightweightGlEngine engine;
    ObstacleSceneClouds scene(engine);
    auto cloud = std::make_shared<corVane::ColorCloud>();
    cloud->points.resize(1);
    cloud->points[0].z = 1000.0f;
    QImage depth(1, 1, QImage::Format_RGB888);
    struct Step {
        const char* name;
        corVane::ColorCloudPtr cloud;
        bool submit;
        Ids ids;
    };
    for (const Step& step : {Step{"a frame", cloud, true, {"live_cloud"}}, Step{"no points", nullptr, true, {}},
                             Step{"a frame again", cloud, true, {"live_cloud"}},
                             Step{"the point-cloud box unchecked", cloud, false, {}}}) {
        const QImage shown = scene.showLiveCloud(step.cloud, {0}, depth, LiveCloudStyle(), step.submit);
        engine.commitRemovals();
        EXPECT_TRUE(idsBecome(engine, step.ids)) << step.name;
        EXPECT_EQ(shown.cacheKey(), depth.cacheKey()) << step.name << ": no zones, the frame's own image";
    }
}

}  // namespace
}  // namespace hazard_desk
