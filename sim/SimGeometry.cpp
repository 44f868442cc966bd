#include "SimGeometry.h"

#include <cmath>

namespace zrsim {

namespace {
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
}

Eigen::Matrix3d rotationFromAngles(double rollDeg, double pitchDeg, double yawDeg) {
    const double cr = std::cos(rollDeg * kDegToRad), sr = std::sin(rollDeg * kDegToRad);
    const double cp = std::cos(pitchDeg * kDegToRad), sp = std::sin(pitchDeg * kDegToRad);
    const double cy = std::cos(yawDeg * kDegToRad), sy = std::sin(yawDeg * kDegToRad);
    Eigen::Matrix3d r;
    r << cy * cp, cy * sp * sr - sy * cr, cy * sp * cr + sy * sr,
         sy * cp, sy * sp * sr + cy * cr, sy * sp * cr - cy * sr,
         -sp,     cp * sr,                cp * cr;
    return r;
}

Eigen::Matrix3d rotationFromRowMajor(const std::array<double, 9>& v) {
    Eigen::Matrix3d r;
    r << v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8];
    return r;
}

std::array<double, 9> rowMajor(const Eigen::Matrix3d& r) {
    return {r(0, 0), r(0, 1), r(0, 2), r(1, 0), r(1, 1), r(1, 2), r(2, 0), r(2, 1), r(2, 2)};
}

}  // namespace zrsim
