#include "RotationConversion.h"

#include <algorithm>
#include <cmath>

namespace hazard_desk {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180.0;
// Below this |cos(pitch)| roll and yaw turn about the same axis.
constexpr double kGimbalLockCosine = 1e-8;

}  // namespace

RotationMatrix rotationFromEulerDegrees(double roll, double pitch, double yaw)
{
    const double r = roll * kRadiansPerDegree;
    const double p = pitch * kRadiansPerDegree;
    const double y = yaw * kRadiansPerDegree;
    const double cr = std::cos(r), sr = std::sin(r);
    const double cp = std::cos(p), sp = std::sin(p);
    const double cy = std::cos(y), sy = std::sin(y);
    return RotationMatrix{cy * cp, cy * sp * sr - sy * cr, cy * sp * cr + sy * sr,
                          sy * cp, sy * sp * sr + cy * cr, sy * sp * cr - cy * sr,
                          -sp,     cp * sr,                cp * cr};
}

EulerAnglesDeg eulerDegreesFromRotation(const RotationMatrix& m)
{
    const double pitch = std::asin(std::clamp(-m[6], -1.0, 1.0));
    double roll = 0.0;
    double yaw = 0.0;
    if (std::fabs(std::cos(pitch)) > kGimbalLockCosine) {
        roll = std::atan2(m[7], m[8]);
        yaw = std::atan2(m[3], m[0]);
    } else {
        yaw = std::atan2(-m[1], m[4]);
    }
    return EulerAnglesDeg{roll * kDegreesPerRadian, pitch * kDegreesPerRadian, yaw * kDegreesPerRadian};
}

}  // namespace hazard_desk
