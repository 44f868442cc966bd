// The 3D view's camera: its fit and its guard against a view without height,
// and projecting what it sees into the view's pixels.
#include "ClipSpaceProjector.h"
#include "OrbitCamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace hazard_desk {
namespace {

void expectNear(const Eigen::Vector3d& actual, const Eigen::Vector3d& expected, const char* what) {
    EXPECT_NEAR((actual - expected).norm(), 0.0, 1e-9) << what << ": " << actual.transpose();
}

// A view without height (minimised) must not divide by zero.
TEST(OrbitCameraTest, ZeroHeightPansAndDolliesAsOnePixel) {
    EXPECT_FLOAT_EQ(OrbitCamera::aspect(640, 0), 1.0f);
    EXPECT_FLOAT_EQ(OrbitCamera::aspect(640, -3), 1.0f);
    OrbitCamera zero;
    OrbitCamera one;
    zero.pan(3, 4, 0);
    one.pan(3, 4, 1);
    expectNear(zero.eye, one.eye, "pan eye");
    EXPECT_TRUE(zero.eye.allFinite());
    zero.dolly(2, 0);
    one.dolly(2, 1);
    expectNear(zero.eye, one.eye, "dolly eye");
    zero.orbit(5, 5, 0, 0);
    one.orbit(5, 5, 1, 1);
    expectNear(zero.eye, one.eye, "orbit eye");
}

TEST(OrbitCameraTest, ViewAlongPlacesTheEyeAtTheFitDistance) {
    OrbitCamera camera;
    camera.target = Eigen::Vector3d(1, 2, 3);
    camera.viewAlong(Eigen::Vector3d(0, 0, -2), Eigen::Vector3d(0, 1, 0), 2.0);
    const double distance = 2.0 / std::sin(25.0 * 3.14159265358979323846 / 180.0);
    expectNear(camera.eye, Eigen::Vector3d(1, 2, 3 + distance), "top view");
    expectNear(camera.up, Eigen::Vector3d(0, 1, 0), "up of the top view");

    camera.viewAlong(Eigen::Vector3d::Zero(), Eigen::Vector3d(0, 1, 0), 0.0);
    expectNear(camera.viewDirection(), Eigen::Vector3d(0, 0, -1), "degenerate direction");
    EXPECT_NEAR(camera.distance(), 0.001, 1e-12);
}

constexpr int kWidth = 400;
constexpr int kHeight = 200;

// A camera at the origin looking along +X, Z up, 90 degrees vertically, near
// plane 10, far plane 10000.
QMatrix4x4 lookAlongX() {
    QMatrix4x4 projection;
    projection.perspective(90.0f, static_cast<float>(kWidth) / kHeight, 10.0f, 10000.0f);
    QMatrix4x4 view;
    view.lookAt({0, 0, 0}, {1, 0, 0}, {0, 0, 1});
    return projection * view;
}

TEST(ClipSpaceProjector, SegmentsAreClippedToTheViewVolume) {
    const ClipSpaceProjector projector(lookAlongX(), kWidth, kHeight);
    struct Case {
        const char* name;
        QVector3D a, b;
        std::optional<QLineF> expected;
    };
    // At distance 1000 the view spans Y -2000..2000 (wide) and Z -1000..1000.
    const std::vector<Case> cases = {
        {"inside: centre to the top edge", {1000, 0, 0}, {1000, 0, 1000}, QLineF(200, 100, 200, 0)},
        {"to the left and right edges", {1000, 2000, 0}, {1000, -2000, 0}, QLineF(0, 100, 400, 100)},
        {"past the top is cut at the edge", {1000, 0, 0}, {1000, 0, 3000}, QLineF(200, 100, 200, 0)},
        {"from behind the camera is cut at the near plane", {-1000, 0, 0}, {1000, 0, 0}, QLineF(200, 100, 200, 100)},
        {"entirely behind", {-1000, 0, 0}, {-10, 0, 0}, std::nullopt},
        {"entirely above", {1000, 0, 1100}, {2000, 0, 2500}, std::nullopt},
        {"beyond the far plane", {20000, 0, 0}, {30000, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QLineF> line = projector.segment(c.a, c.b);
        ASSERT_EQ(line.has_value(), c.expected.has_value());
        if (!line) {
            continue;
        }
        EXPECT_NEAR(line->x1(), c.expected->x1(), 0.01);
        EXPECT_NEAR(line->y1(), c.expected->y1(), 0.01);
        EXPECT_NEAR(line->x2(), c.expected->x2(), 0.01);
        EXPECT_NEAR(line->y2(), c.expected->y2(), 0.01);
    }
}

TEST(ClipSpaceProjector, PointsCountOnlyInFrontOfTheCamera) {
    const ClipSpaceProjector projector(lookAlongX(), kWidth, kHeight);
    EXPECT_EQ(projector.pointInFront({1000, -1000, 500}), QPointF(300, 50));
    EXPECT_TRUE(projector.pointInFront({1000, 5000, 0}).has_value()) << "beside the view, but in front";
    for (const QVector3D& p : {QVector3D(-1000, 0, 0), QVector3D(0, 0, 0), QVector3D(5, 0, 0)}) {
        EXPECT_FALSE(projector.pointInFront(p).has_value()) << p.x() << ": behind, at or too close to the camera";
    }
}

}  // namespace
}  // namespace hazard_desk
