#include "OrbitCamera.h"

#include <gtest/gtest.h>

namespace hazard_desk {
namespace {

void expectNear(const Eigen::Vector3d& actual, const Eigen::Vector3d& expected, const char* what) {
    EXPECT_NEAR((actual - expected).norm(), 0.0, 1e-9) << what << ": " << actual.transpose();
}

// A view without height (minimised) must not divide by zero.
TEST(OrbitCameraTest, ZeroHeightPansAndDolliesAsOnePixel) {
    EXPECT_FLOAT_EQ(OrbitCamera::aspect(640, 0), 1.0f);
    EXPECT_FLOAT_EQ(OrbitCamera::aspect(640, -3), 1.0f);
    EXPECT_FLOAT_EQ(OrbitCamera::aspect(640, 320), 2.0f);
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

TEST(OrbitCameraTest, GesturesKeepTheirInvariants) {
    OrbitCamera camera;  // eye (0, -3, 0) looking along +Y
    camera.orbit(-0.45 * 400, 0, 400, 300);  // 90 degrees about up, through the target
    expectNear(camera.eye, Eigen::Vector3d(3.0, 0.0, 0.0), "eye after a quarter turn");
    camera.orbit(40, -25, 400, 300);
    EXPECT_NEAR(camera.distance(), 3.0, 1e-9) << "orbit keeps the distance";
    EXPECT_NEAR(camera.up.dot(camera.viewDirection()), 0.0, 1e-9) << "up stays orthogonal";

    const Eigen::Vector3d offset = camera.eye - camera.target;
    camera.pan(10, -7, 300);
    expectNear(camera.eye - camera.target, offset, "pan moves eye and target together");

    camera.wheel(true);
    EXPECT_NEAR(camera.distance(), 3.0 / 1.1, 1e-9);
    camera.wheel(false);
    EXPECT_NEAR(camera.distance(), 3.0, 1e-9);
    camera.dolly(-300, 300);  // drag up by the full height: 20 wheel steps closer
    EXPECT_NEAR(camera.distance(), 3.0 / std::pow(1.1, 20.0), 1e-9);
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

}  // namespace
}  // namespace hazard_desk
