// The renderer and the obstacle evaluation driven directly (no threads).

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "DeviceJson.h"
#include "ObstacleAlgorithm.h"
#include "SceneRenderer.h"

namespace zrsim {
namespace {

CameraSetup smallCamera(bool fisheye = false) {
    CameraSetup camera;
    camera.ip = "127.0.30.1";
    camera.depth.width = 48;
    camera.depth.height = 36;
    camera.depth.fx = camera.depth.fy = fisheye ? 24.0 : 40.0;
    camera.depth.cx = 23.5;
    camera.depth.cy = 17.5;
    camera.depth.fisheye = fisheye;
    camera.mount = MountSpec{90.0, -180.0, 90.0, 0.0, 0.0, 500.0};
    camera.noiseMm = 0.0;
    return camera;
}

SceneObject box(const std::string& label, double minX, double minY, double maxY, double maxZ = 900.0) {
    SceneObject object;
    object.label = label;
    object.min = {minX, minY, 0.0};
    object.max = {minX + 300.0, maxY, maxZ};
    return object;
}

AlgorithmConfig squareZone(const CameraSetup& camera, bool v2) {
    AlgorithmConfig config;
    config.pose.rotation = rotationFromAngles(camera.mount.roll, camera.mount.pitch, camera.mount.yaw);
    config.pose.translation = {camera.mount.x, camera.mount.y, camera.mount.z};
    ZoneVolume danger;
    danger.box = {300, 1200, -600, 600, 50, 1000};
    ZoneVolume warning;
    warning.level = ZoneLevel::Warning;
    warning.box = {1200, 2000, -600, 600, 50, 1000};
    config.zones = {danger, warning};
    config.v2 = v2;
    config.objectLabels = {"pallet", "person"};
    return config;
}

TEST(SceneRenderer, DepthIsRangeAlongTheAxisAndDeterministicPerSeed) {
    const CameraSetup camera = smallCamera();
    const SceneRenderer renderer(camera, {box("wall", 2000.0, -3000.0, 3000.0, 3000.0)});
    RenderedFrame a, b;
    renderer.render(0.0, 7, true, 1.0f, a);
    renderer.render(0.0, 7, true, 1.0f, b);
    EXPECT_EQ(a.depth, b.depth);
    const size_t centre = 18 * 48 + 24;
    EXPECT_NEAR(a.depth[centre], 2000, 12);  // 0.1 % of range noise
    EXPECT_EQ(a.hitObject[centre], 1);
    EXPECT_EQ(a.color.size(), 48u * 36u * 3u);
    // Bottom rows see the floor, nearer than the wall.
    const size_t bottom = 35 * 48 + 24;
    EXPECT_EQ(a.hitObject[bottom], 0);
    EXPECT_LT(a.depth[bottom], 2000);
    RenderedFrame other;
    renderer.render(0.0, 8, false, 1000.0f, other);
    EXPECT_NE(other.depth, a.depth);      // fresh noise per frame
    EXPECT_TRUE(other.color.empty());
    EXPECT_NEAR(other.xyz[centre * 3 + 2], other.depth[centre] / 1000.0f, 1e-3f);
}

TEST(SceneRenderer, NothingWithinMaxDepthGivesZero) {
    CameraSetup camera = smallCamera();
    camera.depth.maxDepthMm = 1500;
    camera.mount.roll = 120.0;  // looking up: no floor, only the far wall
    const SceneRenderer renderer(camera, {box("wall", 3000.0, -3000.0, 3000.0, 5000.0)});
    RenderedFrame frame;
    renderer.render(0.0, 1, false, 1.0f, frame);
    for (size_t i = 0; i < frame.depth.size(); ++i) {
        EXPECT_EQ(frame.depth[i], 0);
        EXPECT_EQ(frame.xyz[i * 3 + 2], 0.0f);
    }
}

TEST(SceneRenderer, FisheyeRaysCoverTheWholeSensor) {
    const CameraSetup camera = smallCamera(true);
    const SceneRenderer renderer(camera, {});
    const CameraRays& rays = renderer.rays();
    ASSERT_EQ(rays.directions.size(), 48u * 36u * 3u);
    for (float v : rays.directions) EXPECT_TRUE(std::isfinite(v));
    // Equidistant model: a pixel 24 px right of centre at f = 24 lies 1 rad off axis.
    const size_t row = 17, column = 47;
    const float u = rays.directions[(row * 48 + column) * 3];
    EXPECT_NEAR(std::atan(u), (column - 23.5) / 24.0, 0.05);
}

struct VerdictCase {
    const char* name;
    double boxX;
    double boxY;
    int verdict;
};

TEST(ObstacleAlgorithm, VerdictForABoxInsideAndOutsideTheZones) {
    const VerdictCase cases[] = {
        {"danger", 800.0, -200.0, 2},
        {"warning", 1500.0, -200.0, 1},
        {"beyond", 2500.0, -200.0, 0},
        {"beside", 800.0, 900.0, 0},
    };
    const CameraSetup camera = smallCamera();
    for (bool v2 : {true, false}) {
        for (const VerdictCase& c : cases) {
            const SceneRenderer renderer(camera, {box("pallet", c.boxX, c.boxY, c.boxY + 400.0)});
            RenderedFrame frame;
            renderer.render(0.0, 1, false, 1.0f, frame);
            evaluateObstacles(squareZone(camera, v2), frame);
            EXPECT_EQ(frame.ioStatus, c.verdict) << c.name;
            EXPECT_EQ(frame.output.ioStatus, c.verdict) << c.name;
            const bool expectBox = c.verdict != 0;
            EXPECT_EQ(frame.output.boxCount > 0, expectBox) << c.name;
            if (!expectBox) continue;
            if (v2) {
                ASSERT_FALSE(frame.boxesV2.empty());
                EXPECT_EQ(std::string(frame.boxesV2[0].name, frame.boxesV2[0].nameLength), "pallet");
                EXPECT_NEAR(frame.boxesV2[0].x, c.boxX, 30.0) << c.name;
                EXPECT_NEAR(frame.boxesV2[0].y, c.boxY + 200.0, 60.0) << c.name;
                EXPECT_EQ(frame.boxesV2[0].typeIndex, c.verdict == 2 ? 0 : 1);
            } else {
                ASSERT_FALSE(frame.boxesV1.empty());
                EXPECT_TRUE(frame.boxesV2.empty());
                EXPECT_NEAR(frame.boxesV1[0].x, c.boxX, 30.0) << c.name;
            }
        }
    }
}

TEST(ObstacleAlgorithm, SeparateObjectsGiveSeparateBoxes) {
    const CameraSetup camera = smallCamera();
    const SceneRenderer renderer(camera, {box("pallet", 800.0, -550.0, -250.0), box("person", 800.0, 250.0, 550.0)});
    RenderedFrame frame;
    renderer.render(0.0, 1, false, 1.0f, frame);
    evaluateObstacles(squareZone(camera, true), frame);
    ASSERT_EQ(frame.boxesV2.size(), 2u);
    std::set<std::string> names;
    for (const auto& b : frame.boxesV2) names.insert(std::string(b.name, b.nameLength));
    EXPECT_EQ(names, (std::set<std::string>{"pallet", "person"}));
}

TEST(ObstacleAlgorithm, TooFewPointsDoNotTripTheVerdict) {
    const CameraSetup camera = smallCamera();
    // A thin post far away covers only a handful of pixels.
    SceneObject post = box("post", 1100.0, -20.0, 20.0, 250.0);
    post.min[2] = 50.0;
    post.max[0] = 1140.0;
    const SceneRenderer renderer(camera, {post});
    RenderedFrame frame;
    renderer.render(0.0, 1, false, 1.0f, frame);
    evaluateObstacles(squareZone(camera, true), frame);
    int hits = 0;
    for (int16_t h : frame.hitObject) hits += h == 1;
    ASSERT_GT(hits, 0);
    ASSERT_LT(hits, kVerdictMinPoints);
    EXPECT_EQ(frame.ioStatus, 0);
}

TEST(ObstacleAlgorithm, MasksClassifyByRangePerPixel) {
    const CameraSetup camera = smallCamera();
    const SceneRenderer renderer(camera, {box("wall", 1000.0, -3000.0, 3000.0, 3000.0)});
    RenderedFrame frame;
    renderer.render(0.0, 1, false, 1.0f, frame);
    const size_t count = frame.depth.size();
    TemplateMasks masks;
    masks.levels[1] = MaskPair{std::vector<uint16_t>(count, 5000), std::vector<uint16_t>(count, 500)};
    AlgorithmConfig config = squareZone(camera, false);
    config.zones.clear();
    config.masks = &masks;
    evaluateObstacles(config, frame);
    EXPECT_EQ(frame.ioStatus, 1);
    masks.levels[1]->near.assign(count, 4000);  // the wall is nearer than the zone starts
    evaluateObstacles(config, frame);
    EXPECT_EQ(frame.ioStatus, 0);
    masks.levels[0] = MaskPair{std::vector<uint16_t>(count, 0), std::vector<uint16_t>(count, 0)};
    evaluateObstacles(config, frame);  // far 0: an empty danger interval
    EXPECT_EQ(frame.ioStatus, 0);
}

}  // namespace
}  // namespace zrsim
