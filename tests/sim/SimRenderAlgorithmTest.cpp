// The obstacle evaluation of rendered frames, driven directly (no threads):
// where a box stands against the zones, for V1 and V2 records. The renderer's
// depth and the mask ranges are seen through the API tests.

#include <gtest/gtest.h>

#include "DeviceJson.h"
#include "ObstacleAlgorithm.h"
#include "SceneRenderer.h"

namespace zrsim {
namespace {

CameraSetup smallCamera() {
    CameraSetup camera;
    camera.ip = "127.0.30.1";
    camera.depth.width = 48;
    camera.depth.height = 36;
    camera.depth.fx = camera.depth.fy = 40.0;
    camera.depth.cx = 23.5;
    camera.depth.cy = 17.5;
    camera.mount = MountSpec{90.0, -180.0, 90.0, 0.0, 0.0, 500.0};
    camera.noiseMm = 0.0;
    return camera;
}

SceneObject box(const std::string& label, double minX, double minY, double maxY) {
    SceneObject object;
    object.label = label;
    object.min = {minX, minY, 0.0};
    object.max = {minX + 300.0, maxY, 900.0};
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

}  // namespace
}  // namespace zrsim
