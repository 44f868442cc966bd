#pragma once
// Small scenes for the virtual camera tests: tiny sensors at a high frame
// rate so rendering stays cheap (also under the sanitizers).

#include <string>

#include <nlohmann/json.hpp>

namespace sim_test {

inline nlohmann::json squareZones(double dangerMinX, double dangerMaxX, double warnMaxX) {
    nlohmann::json zones = nlohmann::json::object();
    for (int i = 0; i < 20; ++i) {
        zones[std::to_string(i)] = {{"ZoneType", "square"},
                                    {"DangerZone", {dangerMinX, dangerMaxX, -500.0, 500.0, 50.0, 1000.0}},
                                    {"WarningZone", {dangerMaxX, warnMaxX, -500.0, 500.0, 50.0, 1000.0}},
                                    {"NotifyZone", nlohmann::json::array()}};
    }
    return zones;
}

/// Device JSON for a camera looking straight ahead at height z (the default
/// extrinsics rotation), template 1 active.
inline nlohmann::json deviceParams(double z, double dangerMinX, double dangerMaxX, double warnMaxX) {
    return {{"R", {0.0, 0.0, 1.0, -1.0, 0.0, 0.0, 0.0, -1.0, 0.0}},
            {"T", {0.0, 0.0, z}},
            {"ZoneIndex", 1},
            {"debug", false},
            {"Zones", squareZones(dangerMinX, dangerMaxX, warnMaxX)}};
}

/// Four cameras on 127.0.20.x and one pallet whose front face is at palletX.
inline std::string sceneText(double palletX = 1000.0, const nlohmann::json& k7Faults = nlohmann::json::object()) {
    const nlohmann::json mount = {{"roll", 90}, {"pitch", -180}, {"yaw", 90}, {"x", 0}, {"y", 0}, {"z", 500}};
    nlohmann::json faults = {{"saveDelayMs", 0}};
    faults.update(k7Faults);
    nlohmann::json scene = {
        {"cameras",
         {{{"ip", "127.0.20.1"}, {"id", "K7-T"}, {"serial", "SN-K7"}, {"name", "K7 test"}, {"deviceType", 1005},
           {"firmware", "fw-k7"}, {"algorithmVersion", "alg-2"},
           {"depth", {{"width", 64}, {"height", 48}, {"fx", 52}, {"fy", 52}, {"maxDepthMm", 8000}, {"fps", 50},
                      {"distortion", {-0.02, 0.0, 0.0, 0.0, 0.0}}}},
           {"color", {{"width", 32}, {"height", 24}}},
           {"mount", mount}, {"noiseMm", 2}, {"seed", 5}, {"algorithmMode", 4},
           {"algorithmParams", deviceParams(500.0, 300.0, 1200.0, 2000.0)},
           {"io", {{"inputs", 2}, {"outputs", 2}, {"hardwareMode", 0}, {"inputLevels", {1, 0}}}},
           {"faults", faults}},
          {{"ip", "127.0.20.2"}, {"deviceType", 2108},
           {"depth", {{"width", 40}, {"height", 30}, {"fx", 30}, {"fy", 30}, {"fisheye", true}, {"fps", 50},
                      {"distortion", {0.01, 0.0, 0.0, 0.0, 0.0}}}},
           {"mount", mount}, {"algorithmMode", 1}, {"io", {{"inputs", 1}, {"outputs", 2}}},
           {"faults", {{"saveDelayMs", 0}}}},
          {{"ip", "127.0.20.3"}, {"deviceType", 2003},
           {"depth", {{"width", 32}, {"height", 24}, {"fx", 26}, {"fy", 26}, {"fps", 50}}},
           {"mount", mount}, {"faults", {{"saveDelayMs", 0}}}},
          {{"ip", "127.0.20.9"}, {"deviceType", 5001},
           {"depth", {{"width", 32}, {"height", 24}, {"fx", 26}, {"fy", 26}, {"fps", 50}}}, {"mount", mount}}}},
        {"objects",
         {{{"label", "pallet"}, {"minX", palletX}, {"maxX", palletX + 400}, {"minY", -300}, {"maxY", 300},
           {"minZ", 0}, {"maxZ", 800}}}}};
    return scene.dump();
}

}  // namespace sim_test
