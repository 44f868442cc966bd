#include "DefaultScene.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "DeviceJson.h"
#include "SimGeometry.h"

namespace zrsim {

namespace {

using nlohmann::json;

json mount(double roll, double x, double y, double z) {
    return json{{"roll", roll}, {"pitch", -180.0}, {"yaw", 90.0}, {"x", x}, {"y", y}, {"z", z}};
}

// The K7 is commissioned: its stored parameters carry its true mount and a
// zone deep enough that the pallet's drive passes safe, warning and stop.
json commissionedK7Parameters(const json& m) {
    json doc = factoryParameters(true);
    const Eigen::Matrix3d r = rotationFromAngles(m["roll"].get<double>(), m["pitch"].get<double>(), m["yaw"].get<double>());
    json rotation = json::array();
    for (double v : rowMajor(r)) rotation.push_back(std::abs(v) < 1e-12 ? 0.0 : v);
    doc["R"] = rotation;
    doc["T"] = json::array({m["x"].get<double>(), m["y"].get<double>(), m["z"].get<double>()});
    doc["Zones"]["1"]["DangerZone"] = json::array({300.0, 1500.0, -700.0, 700.0, 50.0, 1800.0});
    doc["Zones"]["1"]["WarningZone"] = json::array({1500.0, 2500.0, -700.0, 700.0, 50.0, 1800.0});
    return doc;
}

}  // namespace

std::string defaultSceneText() {
    const json k7Mount = mount(75.0, 0.0, 0.0, 600.0);
    json cameras = json::array();
    cameras.push_back(json{
        {"ip", "127.0.10.1"}, {"id", "ZRK7-0001"}, {"serial", "ZK7A23100001"}, {"name", "K7 front"},
        {"deviceType", 1005}, {"firmware", "K7_V2.3.1"}, {"algorithmVersion", "ZAVOV-2.4.0"},
        {"depth", {{"width", 640}, {"height", 480}, {"fx", 520.0}, {"fy", 520.0}, {"cx", 319.5}, {"cy", 239.5},
                   {"distortion", {-0.05, 0.01, 0.0, 0.0, 0.0}}, {"fisheye", false}, {"maxDepthMm", 8000},
                   {"fps", 20}}},
        {"color", {{"width", 640}, {"height", 480}}},
        {"mount", k7Mount},
        {"noiseMm", 4}, {"seed", 1}, {"algorithmMode", 4},
        {"algorithmParams", commissionedK7Parameters(k7Mount)},
        {"io", {{"inputs", 2}, {"outputs", 2}, {"hardwareMode", 0}, {"inputLevels", {1, 0}}}}});
    cameras.push_back(json{
        {"ip", "127.0.10.2"}, {"id", "ZRP20-0002"}, {"serial", "ZP20B23100002"}, {"name", "P20 fork left"},
        {"deviceType", 2108}, {"firmware", "P20_V1.8.0"}, {"algorithmVersion", "ZAVOV-1.6.2"},
        {"depth", {{"width", 640}, {"height", 480}, {"fx", 300.0}, {"fy", 300.0}, {"cx", 319.5}, {"cy", 239.5},
                   {"distortion", {0.02, -0.005, 0.001, 0.0, 0.0}}, {"fisheye", true}, {"maxDepthMm", 6000},
                   {"fps", 20}}},
        {"mount", mount(70.0, 200.0, 300.0, 450.0)},
        {"noiseMm", 5}, {"seed", 2}, {"algorithmMode", 1},
        {"io", {{"inputs", 2}, {"outputs", 2}, {"hardwareMode", 0}, {"inputLevels", {0, 0}}}}});
    cameras.push_back(json{
        {"ip", "127.0.10.3"}, {"id", "ZRP3W-0003"}, {"serial", "ZP3W23100003"}, {"name", "P3 Wide rear"},
        {"deviceType", 2003}, {"firmware", "P3W_V1.2.4"}, {"algorithmVersion", "ZAVOV-1.4.0"},
        {"depth", {{"width", 320}, {"height", 240}, {"fx", 200.0}, {"fy", 200.0}, {"cx", 159.5}, {"cy", 119.5},
                   {"distortion", {-0.1, 0.02, 0.0, 0.0, 0.0}}, {"fisheye", false}, {"maxDepthMm", 5000},
                   {"fps", 20}}},
        {"mount", mount(80.0, 0.0, -300.0, 350.0)},
        {"noiseMm", 6}, {"seed", 3}, {"algorithmMode", 1},
        {"io", {{"inputs", 1}, {"outputs", 2}, {"hardwareMode", 1}, {"inputLevels", {0}}}}});
    cameras.push_back(json{
        {"ip", "127.0.10.9"}, {"id", "ZRR8-0009"}, {"serial", "ZR8C23100009"}, {"name", "R8 mast"},
        {"deviceType", 5001}, {"firmware", "R8_V3.0.2"}, {"algorithmVersion", ""},
        {"depth", {{"width", 640}, {"height", 480}, {"fx", 560.0}, {"fy", 560.0}, {"cx", 319.5}, {"cy", 239.5},
                   {"maxDepthMm", 10000}, {"fps", 20}}},
        {"mount", mount(78.0, 0.0, 0.0, 800.0)},
        {"noiseMm", 4}, {"seed", 9}});
    json objects = json::array();
    objects.push_back(json{{"label", "wall"}, {"minX", 5000}, {"maxX", 5200}, {"minY", -4000}, {"maxY", 4000},
                           {"minZ", 0}, {"maxZ", 2500}});
    objects.push_back(json{{"label", "pallet"}, {"minX", 2000}, {"maxX", 2800}, {"minY", -500}, {"maxY", 500},
                           {"minZ", 0}, {"maxZ", 1000},
                           {"motion", {{"axis", "x"}, {"amplitudeMm", 1300}, {"periodS", 8}}}});
    objects.push_back(json{{"label", "person"}, {"minX", 2500}, {"maxX", 2900}, {"minY", 1300}, {"maxY", 1700},
                           {"minZ", 0}, {"maxZ", 1750}});
    return json{{"cameras", cameras}, {"objects", objects}}.dump(2);
}

}  // namespace zrsim
