#pragma once

#include <array>

namespace hazard_desk {

// Row-major 3x3 rotation matrix R00, R01, R02, R10, ... R22.
using RotationMatrix = std::array<double, 9>;

struct EulerAnglesDeg {
    double roll = 0.0;
    double pitch = 0.0;
    double yaw = 0.0;
};

inline constexpr double kDegreesPerRadian = 57.29577951308232;

// R = Rz(yaw) * Ry(pitch) * Rx(roll), angles in degrees.
RotationMatrix rotationFromEulerDegrees(double roll, double pitch, double yaw);

// Inverse of the above with pitch in [-90, 90]; near gimbal lock
// (|cos pitch| <= 1e-8) roll is 0 and yaw carries the whole turn.
EulerAnglesDeg eulerDegreesFromRotation(const RotationMatrix& r);

}  // namespace hazard_desk
