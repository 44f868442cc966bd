#pragma once
// The 3D view's camera: eye, target and up, moved by orbit, pan, dolly and
// wheel gestures and placed by standard views and fits. Pure geometry, used
// on the GUI thread by LightweightGlEngine.
#include <QMatrix4x4>

#include <Eigen/Core>

namespace hazard_desk {

class OrbitCamera {
public:
    static constexpr double kHalfFieldOfViewDegrees = 25.0;
    static constexpr double kFieldOfViewDegrees = 50.0;
    static constexpr double kWheelFactor = 1.1;
    static constexpr double kOrbitDegreesPerWidth = 200.0;
    static constexpr double kDollyStepsPerHeight = 20.0;
    static constexpr double kDegenerateLength = 1e-9;

    Eigen::Vector3d eye{0.0, -3.0, 0.0};
    Eigen::Vector3d target{0.0, 0.0, 0.0};
    Eigen::Vector3d up{0.0, 0.0, 1.0};

    void pan(double dx, double dy, int height);
    void dolly(double dy, int height);
    void orbit(double dx, double dy, int width, int height);
    void wheel(bool positive);

    // Looks along direction from target - direction * fit distance for the radius.
    void viewAlong(Eigen::Vector3d direction, const Eigen::Vector3d& newUp, double sceneRadius);
    static double fitDistance(double sceneRadius);

    void reorthogonaliseUp();
    double distance() const { return (eye - target).norm(); }
    Eigen::Vector3d viewDirection() const;

    static float aspect(int width, int height);
    QMatrix4x4 projection(int width, int height, double sceneRadius) const;
    QMatrix4x4 view() const;
};

}  // namespace hazard_desk
