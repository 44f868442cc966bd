#include "RotationConversion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace hazard_desk {
namespace {

void expectSameRotation(const RotationMatrix& a, const RotationMatrix& b, double tolerance)
{
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i], b[i], tolerance) << "entry " << i;
    }
}

TEST(RotationConversion, IdentityAndPlainTurns)
{
    expectSameRotation(rotationFromEulerDegrees(0, 0, 0), RotationMatrix{1, 0, 0, 0, 1, 0, 0, 0, 1}, 0.0);
    // Yaw 90 turns X onto Y.
    expectSameRotation(rotationFromEulerDegrees(0, 0, 90), RotationMatrix{0, -1, 0, 1, 0, 0, 0, 0, 1}, 1e-15);
    // Pitch 90 turns X onto -Z.
    expectSameRotation(rotationFromEulerDegrees(0, 90, 0), RotationMatrix{0, 0, 1, 0, 1, 0, -1, 0, 0}, 1e-15);
    // Roll 90 turns Y onto Z.
    expectSameRotation(rotationFromEulerDegrees(90, 0, 0), RotationMatrix{1, 0, 0, 0, 0, -1, 0, 1, 0}, 1e-15);

    const EulerAnglesDeg identity = eulerDegreesFromRotation(RotationMatrix{1, 0, 0, 0, 1, 0, 0, 0, 1});
    EXPECT_EQ(identity.roll, 0.0);
    EXPECT_EQ(identity.pitch, 0.0);
    EXPECT_EQ(identity.yaw, 0.0);
}

TEST(RotationConversion, AnglesRoundTripAwayFromGimbalLock)
{
    const EulerAnglesDeg cases[] = {{12.5, -30.25, 170.0}, {-179.0, 89.0, -1.0}, {0.001, -0.002, 0.003},
                                    {45.0, 45.0, 45.0},    {-90.0, 0.0, -90.0},  {179.999, -89.5, 120.0}};
    for (const EulerAnglesDeg& c : cases) {
        const EulerAnglesDeg back = eulerDegreesFromRotation(rotationFromEulerDegrees(c.roll, c.pitch, c.yaw));
        EXPECT_NEAR(back.roll, c.roll, 1e-9);
        EXPECT_NEAR(back.pitch, c.pitch, 1e-9);
        EXPECT_NEAR(back.yaw, c.yaw, 1e-9);
    }
}

TEST(RotationConversion, GimbalLockPutsTheTurnIntoYaw)
{
    // |R20| = 1: roll and yaw turn about one axis; the reading keeps roll 0
    // and a yaw that gives the same pose, at pitch +90 and at -90.
    for (const double pitch : {90.0, -90.0}) {
        const RotationMatrix locked = rotationFromEulerDegrees(30.0, pitch, 50.0);
        const EulerAnglesDeg back = eulerDegreesFromRotation(locked);
        EXPECT_EQ(back.roll, 0.0) << pitch;
        EXPECT_NEAR(back.pitch, pitch, 1e-6);
        expectSameRotation(rotationFromEulerDegrees(back.roll, back.pitch, back.yaw), locked, 1e-7);
    }

    // Rounding slightly outside [-1, 1] is clamped, not NaN.
    const EulerAnglesDeg clamped = eulerDegreesFromRotation(RotationMatrix{0, 0, 1, 0, 1, 0, -1.0000000001, 0, 0});
    EXPECT_NEAR(clamped.pitch, 90.0, 1e-12);
}

}  // namespace
}  // namespace hazard_desk
