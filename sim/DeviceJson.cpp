#include "DeviceJson.h"

#include <cmath>

namespace zrsim {

namespace {

using nlohmann::json;

bool finiteNumberArray(const json& v, size_t size) {
    if (!v.is_array() || v.size() != size) return false;
    for (const json& e : v) {
        if (!e.is_number() || !std::isfinite(e.get<double>())) return false;
    }
    return true;
}

json toFloats(const json& v, double rounding) {
    if (v.is_number()) {
        double d = v.get<double>();
        if (rounding > 0.0 && std::isfinite(d)) d = std::round(d / rounding) * rounding;
        return json(d);
    }
    if (v.is_array()) {
        json out = json::array();
        for (const json& e : v) out.push_back(toFloats(e, rounding));
        return out;
    }
    if (v.is_object()) {
        json out = json::object();
        for (auto it = v.begin(); it != v.end(); ++it) out[it.key()] = toFloats(it.value(), rounding);
        return out;
    }
    return v;
}

std::optional<ZoneVolume> volumeOf(const json& zone, const char* key, ZoneLevel level, bool sector) {
    if (!zone.contains(key)) return std::nullopt;
    const json& v = zone[key];
    ZoneVolume volume;
    volume.level = level;
    volume.sector = sector;
    if (sector) {
        if (!finiteNumberArray(v, 7)) return std::nullopt;
        for (size_t i = 0; i < 7; ++i) volume.fan[i] = v[i].get<double>();
    } else {
        if (!finiteNumberArray(v, 6)) return std::nullopt;
        for (size_t i = 0; i < 6; ++i) volume.box[i] = v[i].get<double>();
    }
    return volume;
}

}  // namespace

json factoryParameters(bool v2) {
    json doc = json::object();
    const Eigen::Matrix3d r = rotationFromAngles(90.0, -180.0, 90.0);
    json rotation = json::array();
    for (double value : rowMajor(r)) rotation.push_back(std::abs(value) < 1e-12 ? 0.0 : value);
    doc["R"] = rotation;
    doc["T"] = json::array({0.0, 0.0, 50.0});
    doc["ZoneIndex"] = 1;
    doc["debug"] = false;
    // The camera's own clustering distance; the workstation does not model it.
    doc["cluster_tolerance"] = 150.0;
    json zones = json::object();
    for (int i = 0; i < 20; ++i) {
        zones[std::to_string(i)] = json{{"ZoneType", "square"},
                                        {"DangerZone", {1000.0, 1200.0, -500.0, 500.0, 50.0, 1000.0}},
                                        {"WarningZone", {1200.0, 1300.0, -500.0, 500.0, 50.0, 1000.0}},
                                        {"NotifyZone", json::array()}};
    }
    doc["Zones"] = zones;
    if (v2) {
        doc["semantics"] = false;
        doc["semantics_output"] = false;
        doc["enhanced_detection"] = false;
        doc["simple_output"] = false;
        doc["none_semantic_cluster_output"] = false;
        doc["forklift_2d_enhance"] = json::array({0.0, 0.0, 0.0, 0.0});
        doc["ground_hole_detection"] = false;
        doc["ground_hole_param"] = json::array({850.0, 186.0, 608.0, 50.0, 50.0, 10.0});
    }
    return doc;
}

bool checkParameterWrite(const json& document, std::string& error) {
    if (!document.is_object()) {
        error = "algorithm parameters must be a JSON object";
        return false;
    }
    if (!document.contains("R") || !finiteNumberArray(document["R"], 9)) {
        error = "algorithm parameters need \"R\" as nine finite numbers";
        return false;
    }
    if (!document.contains("T") || !finiteNumberArray(document["T"], 3)) {
        error = "algorithm parameters need \"T\" as three finite numbers";
        return false;
    }
    if (!document.contains("ZoneIndex") || !document["ZoneIndex"].is_number_integer() ||
        document["ZoneIndex"].get<int64_t>() < 0 || document["ZoneIndex"].get<int64_t>() > 19) {
        error = "algorithm parameters need \"ZoneIndex\" as an integer 0..19";
        return false;
    }
    if (!document.contains("Zones") || !document["Zones"].is_object()) {
        error = "algorithm parameters need \"Zones\" as an object";
        return false;
    }
    return true;
}

json normalizeStored(const json& document, double rounding) {
    json out = toFloats(document, rounding);
    if (document.contains("ZoneIndex") && document["ZoneIndex"].is_number_integer()) {
        out["ZoneIndex"] = document["ZoneIndex"].get<int64_t>();
    }
    return out;
}

std::string formatStored(const json& document) { return document.dump(); }

std::optional<Pose> poseOf(const json& document) {
    if (!document.is_object() || !document.contains("R") || !document.contains("T") ||
        !finiteNumberArray(document["R"], 9) || !finiteNumberArray(document["T"], 3)) {
        return std::nullopt;
    }
    std::array<double, 9> r{};
    for (size_t i = 0; i < 9; ++i) r[i] = document["R"][i].get<double>();
    Pose pose;
    pose.rotation = rotationFromRowMajor(r);
    pose.translation = {document["T"][0].get<double>(), document["T"][1].get<double>(),
                        document["T"][2].get<double>()};
    return pose;
}

int zoneIndexOf(const json& document) {
    if (!document.is_object() || !document.contains("ZoneIndex") || !document["ZoneIndex"].is_number_integer()) {
        return -1;
    }
    const auto index = document["ZoneIndex"].get<int64_t>();
    return index >= 0 && index <= 19 ? static_cast<int>(index) : -1;
}

std::vector<ZoneVolume> zonesOf(const json& document, int templateIndex) {
    std::vector<ZoneVolume> volumes;
    if (!document.is_object() || !document.contains("Zones") || !document["Zones"].is_object()) return volumes;
    const json& zones = document["Zones"];
    const std::string key = std::to_string(templateIndex);
    if (!zones.contains(key) || !zones[key].is_object()) return volumes;
    const json& zone = zones[key];
    bool sector = false;
    if (zone.contains("ZoneType") && zone["ZoneType"].is_string()) {
        const std::string type = zone["ZoneType"].get<std::string>();
        sector = type == "sector" || type == "fan";
    } else {
        sector = zone.contains("DangerZone") && zone["DangerZone"].is_array() && zone["DangerZone"].size() == 7;
    }
    for (auto [key2, level] : {std::pair{"DangerZone", ZoneLevel::Danger}, std::pair{"WarningZone", ZoneLevel::Warning},
                               std::pair{"NotifyZone", ZoneLevel::Notify}}) {
        if (auto v = volumeOf(zone, key2, level, sector)) volumes.push_back(*v);
    }
    return volumes;
}

}  // namespace zrsim
