#pragma once
// The scene a virtual camera library runs: the cameras (sensor, mount, I/O,
// faults, initial algorithm state) and the boxes of the world they look at.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FaultSet.h"

namespace zrsim {

struct DepthSensorSpec {
    int width = 640;
    int height = 480;
    double fx = 520.0, fy = 520.0, cx = 319.5, cy = 239.5;
    std::array<double, 5> distortion{0, 0, 0, 0, 0};  ///< k1 k2 p1 p2 k3 (fisheye: k1..k4)
    bool fisheye = false;
    int maxDepthMm = 8000;
    int fps = 20;
};

struct ColorSensorSpec {
    int width = 640;
    int height = 480;
};

struct MountSpec {
    double roll = 90.0, pitch = -180.0, yaw = 90.0;  ///< degrees
    double x = 0.0, y = 0.0, z = 500.0;              ///< mm
};

struct IoSpec {
    int inputs = 0;
    int outputs = 0;
    int hardwareMode = 0;
    std::vector<int> inputLevels;
};

struct CameraSetup {
    std::string ip;
    std::string id;
    std::string serial;
    std::string name;
    int deviceType = 1005;
    std::string firmware = "1.0.0";
    std::string algorithmVersion = "1.0.0";
    DepthSensorSpec depth;
    std::optional<ColorSensorSpec> color;
    MountSpec mount;
    double noiseMm = 4.0;
    uint32_t seed = 1;
    std::optional<int> algorithmMode;             ///< absent: the model's own mode
    std::optional<nlohmann::json> algorithmParams; ///< absent: factory parameters
    IoSpec io;
    std::string imageDir;
    FaultSet faults;
    std::string recording;  ///< MCAP file played instead of the rendered scene
};

struct MotionSpec {
    int axis = 0;  ///< 0 x, 1 y, 2 z
    double amplitudeMm = 0.0;
    double periodS = 1.0;
};

struct SceneObject {
    std::string label;
    std::array<double, 3> min{0, 0, 0};
    std::array<double, 3> max{0, 0, 0};
    std::optional<MotionSpec> motion;
};

struct Scene {
    std::vector<CameraSetup> cameras;
    std::vector<SceneObject> objects;
};

/// Parses and checks a scene text. On failure returns false with an error that
/// names the offending path and value; scene is then unspecified.
bool parseScene(const std::string& text, Scene& scene, std::string& error);

}  // namespace zrsim
