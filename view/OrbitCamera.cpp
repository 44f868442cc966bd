#include "OrbitCamera.h"

#include <Eigen/Geometry>

#include <algorithm>
#include <cmath>

namespace hazard_desk {
namespace {

constexpr double kPi = 3.14159265358979323846;

double radians(double degrees) { return degrees * kPi / 180.0; }

double atLeastOne(int size) { return std::max(static_cast<double>(size), 1.0); }

Eigen::Vector3d rotateAbout(const Eigen::Vector3d& point, const Eigen::Vector3d& centre, const Eigen::Vector3d& axis,
                            double degrees) {
    if (axis.norm() < OrbitCamera::kDegenerateLength) {
        return point;
    }
    const Eigen::AngleAxisd rotation(radians(degrees), axis.normalized());
    return centre + rotation * (point - centre);
}

QVector3D toQt(const Eigen::Vector3d& v) {
    return QVector3D(static_cast<float>(v.x()), static_cast<float>(v.y()), static_cast<float>(v.z()));
}

}  // namespace

void OrbitCamera::pan(double dx, double dy, int height) {
    const double s = std::tan(radians(kHalfFieldOfViewDegrees)) * 2.0 * (target - eye).norm() / atLeastOne(height);
    const Eigen::Vector3d f = (target - eye).normalized();
    const Eigen::Vector3d r = f.cross(up).normalized();
    const Eigen::Vector3d u = r.cross(f).normalized();
    const Eigen::Vector3d shift = u * (dy * s) + r * (-dx * s);
    if (!shift.allFinite()) {
        return;
    }
    eye += shift;
    target += shift;
    reorthogonaliseUp();
}

void OrbitCamera::dolly(double dy, int height) {
    const double factor = std::pow(kWheelFactor, dy * -kDollyStepsPerHeight / atLeastOne(height));
    eye = target + (eye - target) / factor;
    reorthogonaliseUp();
}

void OrbitCamera::orbit(double dx, double dy, int width, int height) {
    eye = rotateAbout(eye, target, up, dx * -kOrbitDegreesPerWidth / atLeastOne(width));
    const Eigen::Vector3d cross = (target - eye).cross(up);
    if (cross.norm() >= kDegenerateLength) {
        const Eigen::Vector3d right = -cross.normalized();
        eye = rotateAbout(eye, target, right, dy * kOrbitDegreesPerWidth / atLeastOne(height));
    }
    reorthogonaliseUp();
}

void OrbitCamera::wheel(bool positive) {
    const double factor = positive ? kWheelFactor : 1.0 / kWheelFactor;
    eye = target + (eye - target) / factor;
    reorthogonaliseUp();
}

double OrbitCamera::fitDistance(double sceneRadius) {
    return std::max(sceneRadius / std::sin(radians(kHalfFieldOfViewDegrees)), 0.001);
}

void OrbitCamera::viewAlong(Eigen::Vector3d direction, const Eigen::Vector3d& newUp, double sceneRadius) {
    if (direction.norm() < kDegenerateLength) {
        direction = Eigen::Vector3d(0.0, 0.0, -1.0);
    }
    direction.normalize();
    up = newUp;
    eye = target - direction * fitDistance(sceneRadius);
    reorthogonaliseUp();
}

void OrbitCamera::reorthogonaliseUp() {
    const Eigen::Vector3d f = (target - eye).normalized();
    const Eigen::Vector3d s = f.cross(up);
    if (s.allFinite() && s.norm() >= kDegenerateLength) {
        up = s.normalized().cross(f);
    }
}

Eigen::Vector3d OrbitCamera::viewDirection() const {
    const Eigen::Vector3d d = target - eye;
    if (d.norm() < kDegenerateLength) {
        return Eigen::Vector3d(0.0, 0.0, -1.0);
    }
    return d.normalized();
}

float OrbitCamera::aspect(int width, int height) {
    return height < 1 ? 1.0f : static_cast<float>(width) / static_cast<float>(height);
}

QMatrix4x4 OrbitCamera::projection(int width, int height, double sceneRadius) const {
    const double d = distance();
    const double r = std::max(sceneRadius, 1.0);
    const double nearPlane = std::max(0.01, std::min(d * 0.001, r * 0.01));
    const double farPlane = std::max(r * 16.0 + d + 1000.0, 4.0 * r + 4.0 * d + 1000.0);
    QMatrix4x4 matrix;
    matrix.perspective(static_cast<float>(kFieldOfViewDegrees), aspect(width, height), static_cast<float>(nearPlane),
                       static_cast<float>(farPlane));
    return matrix;
}

QMatrix4x4 OrbitCamera::view() const {
    QMatrix4x4 matrix;
    matrix.lookAt(toQt(eye), toQt(target), toQt(up));
    return matrix;
}

}  // namespace hazard_desk
