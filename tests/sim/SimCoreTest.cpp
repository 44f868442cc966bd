// The virtual camera's internals on their own: scene checking, the camera's
// parameter JSON handling, zone volumes, mask files and the SDK name table.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

#include <Eigen/Dense>

#include "DefaultScene.h"
#include "DeviceJson.h"
#include "MaskFiles.h"
#include "SimScene.h"
#include "SimTestScene.h"
#include "ZrCameraParams.h"

namespace zrsim {
namespace {

using nlohmann::json;

TEST(SimScene, RefusedScenesNameThePathAndValue) {
    const json base = json::parse(sim_test::sceneText());
    auto edit = [&](auto&& change) {
        json scene = base;
        change(scene);
        return scene.dump();
    };
    const std::pair<std::string, std::string> cases[] = {
        {"{", "not valid JSON"},
        {"[]", "must be a JSON object"},
        {"{}", "$.cameras"},
        {edit([](json& s) { s["cameras"][0]["ip"] = "10.1.2.3"; }), "loopback"},
        {edit([](json& s) { s["cameras"][1]["ip"] = "127.0.20.1"; }), "duplicate address"},
        {edit([](json& s) { s["cameras"][0]["depth"]["width"] = 0; }), "$.cameras[0].depth.width"},
        {edit([](json& s) { s["cameras"][0]["depth"]["fx"] = -1; }), "fx and fy must be positive"},
        {edit([](json& s) { s["cameras"][0]["depth"]["distortion"] = json::array({1, 2}); }), "distortion"},
        {edit([](json& s) { s["cameras"][0]["algorithmMode"] = 2; }), "must be 0, 1 or 4"},
        {edit([](json& s) { s["cameras"][0]["algorithmParams"] = "x"; }), "algorithmParams"},
        {edit([](json& s) { s["cameras"][0]["faults"] = {{"bogus", 1}}; }), "unknown fault 'bogus'"},
        {edit([](json& s) { s["cameras"][0]["io"]["inputLevels"] = json::array({1, 2}); }), "levels must be 0 or 1"},
        {edit([](json& s) { s["cameras"][0]["name"] = std::string(40, 'n'); }), "shorter than 32 bytes"},
        {edit([](json& s) { s["objects"][0]["maxX"] = 0; }), "minX must be below maxX"},
        {edit([](json& s) { s["objects"][0]["motion"] = {{"axis", "w"}}; }), "motion.axis"},
        {edit([](json& s) { s["objects"][0]["motion"] = {{"periodS", 0}}; }), "must be positive"},
    };
    for (const auto& [text, fragment] : cases) {
        Scene scene;
        std::string error;
        EXPECT_FALSE(parseScene(text, scene, error)) << text;
        EXPECT_NE(error.find(fragment), std::string::npos) << "error '" << error << "' lacks '" << fragment << "'";
    }
}

TEST(SimScene, DefaultSceneCamerasLookAheadAndSlightlyDown) {
    Scene scene;
    std::string error;
    ASSERT_TRUE(parseScene(defaultSceneText(), scene, error)) << error;
    ASSERT_EQ(scene.cameras.size(), 4u);
    for (const CameraSetup& camera : scene.cameras) {
        EXPECT_EQ(camera.ip.rfind("127.0.10.", 0), 0u) << camera.ip;
        const Eigen::Vector3d axis =
            rotationFromAngles(camera.mount.roll, camera.mount.pitch, camera.mount.yaw) * Eigen::Vector3d(0, 0, 1);
        EXPECT_GT(axis.x(), 0.9) << camera.ip;   // ahead
        EXPECT_LT(axis.z(), -0.05) << camera.ip; // slightly down
        EXPECT_GT(axis.z(), -0.5) << camera.ip;
    }
    // Only the K7 is commissioned: its stored pose is its true mount.
    const CameraSetup& k7 = scene.cameras[0];
    ASSERT_TRUE(k7.algorithmParams.has_value());
    const auto pose = poseOf(*k7.algorithmParams);
    ASSERT_TRUE(pose.has_value());
    EXPECT_TRUE(pose->rotation.isApprox(rotationFromAngles(k7.mount.roll, k7.mount.pitch, k7.mount.yaw), 1e-9));
    EXPECT_DOUBLE_EQ(pose->translation.z(), k7.mount.z);
    for (size_t i = 1; i < 4; ++i) EXPECT_FALSE(scene.cameras[i].algorithmParams.has_value());
}

TEST(DeviceJson, FactoryParametersAreTwentySquaresAtTheDefaultMount) {
    for (bool v2 : {false, true}) {
        const json doc = factoryParameters(v2);
        std::string error;
        EXPECT_TRUE(checkParameterWrite(doc, error)) << error;
        EXPECT_EQ(doc["ZoneIndex"], 1);
        EXPECT_EQ(doc["Zones"].size(), 20u);
        EXPECT_EQ(doc["Zones"]["19"]["ZoneType"], "square");
        EXPECT_EQ(doc.contains("semantics"), v2);
        const auto pose = poseOf(doc);
        ASSERT_TRUE(pose.has_value());
        const Eigen::Vector3d forward = pose->rotation * Eigen::Vector3d(0, 0, 1);
        EXPECT_NEAR(forward.x(), 1.0, 1e-12);
        EXPECT_DOUBLE_EQ(pose->translation.z(), 50.0);
        EXPECT_NEAR(pose->rotation.determinant(), 1.0, 1e-12);
    }
}

TEST(DeviceJson, StoredFormKeepsZoneIndexIntegerAndRoundsNumbers) {
    json doc = sim_test::deviceParams(500.0, 300.26, 1200.0, 2000.0);
    doc["extra"] = {{"count", 3}, {"name", "x"}};
    const json stored = normalizeStored(doc, 0.1);
    EXPECT_TRUE(stored["ZoneIndex"].is_number_integer());
    EXPECT_TRUE(stored["extra"]["count"].is_number_float());
    EXPECT_EQ(stored["extra"]["name"], "x");
    EXPECT_NEAR(stored["Zones"]["1"]["DangerZone"][0].get<double>(), 300.3, 1e-9);
    const std::string text = formatStored(stored);
    EXPECT_NE(text.find("\"T\":[0.0,0.0,500.0]"), std::string::npos) << text;
    EXPECT_LT(text.find("\"R\""), text.find("\"T\""));   // keys sorted
    EXPECT_LT(text.find("\"T\""), text.find("\"ZoneIndex\""));
}

TEST(DeviceJson, ZonesOfSquareAndSectorTemplates) {
    json doc = sim_test::deviceParams(500.0, 300.0, 1200.0, 2000.0);
    doc["Zones"]["2"] = {{"DangerZone", {1000.0, 30.0, 45.0, 0.0, 1000.0, 0.0, 0.0}},
                         {"WarningZone", {2000.0, 30.0, 45.0, 0.0, 1000.0, 0.0, 0.0}},
                         {"NotifyZone", json::array()}};
    doc["Zones"]["3"] = {{"ZoneType", "square"}, {"DangerZone", {1, 2, 3}}, {"WarningZone", "bad"}};
    const auto square = zonesOf(doc, 1);
    ASSERT_EQ(square.size(), 2u);
    EXPECT_EQ(square[0].level, ZoneLevel::Danger);
    EXPECT_TRUE(square[0].contains(1000, 0, 500));
    EXPECT_FALSE(square[0].contains(1300, 0, 500));
    EXPECT_TRUE(square[1].contains(1300, 0, 500));
    EXPECT_FALSE(square[1].contains(1300, 0, 20));

    const auto sector = zonesOf(doc, 2);  // no ZoneType, seven numbers: a sector
    ASSERT_EQ(sector.size(), 2u);
    EXPECT_TRUE(sector[0].sector);
    const double toRad = M_PI / 180.0;
    struct Probe { double angle, radius; bool inside; };
    const Probe probes[] = {{0, 900, true}, {29, 900, true}, {-44, 900, true}, {31, 900, false},
                            {-46, 900, false}, {0, 1100, false}, {180, 100, false}};
    for (const Probe& p : probes) {
        EXPECT_EQ(sector[0].contains(p.radius * std::cos(p.angle * toRad), p.radius * std::sin(p.angle * toRad), 500),
                  p.inside) << p.angle << " deg at " << p.radius;
    }
    EXPECT_TRUE(zonesOf(doc, 3).empty());
    EXPECT_TRUE(zonesOf(doc, 12).size() == 2u);
    EXPECT_TRUE(zonesOf(doc, 25).empty());
    EXPECT_EQ(zoneIndexOf(json{{"ZoneIndex", 20}}), -1);
}

TEST(MaskFiles, NamesOfTheSixKindsAndTwentyTemplates) {
    const std::pair<std::string, std::tuple<bool, int, bool, int>> cases[] = {
        {"/tmp/x/danger_far0.pgm", {true, 0, true, 0}},
        {"danger_near19.pgm", {true, 0, false, 19}},
        {"warn_far7.pgm", {true, 1, true, 7}},
        {"C:\\masks\\notify_near3.pgm", {true, 2, false, 3}},
        {"danger_far20.pgm", {false, 0, false, 0}},
        {"danger_far07.pgm", {false, 0, false, 0}},
        {"danger_far.pgm", {false, 0, false, 0}},
        {"danger_far1.png", {false, 0, false, 0}},
        {"warn_middle1.pgm", {false, 0, false, 0}},
    };
    for (const auto& [path, expected] : cases) {
        MaskFileName name;
        const bool ok = parseMaskFileName(path, name);
        EXPECT_EQ(ok, std::get<0>(expected)) << path;
        if (!ok) continue;
        EXPECT_EQ(name.level, std::get<1>(expected)) << path;
        EXPECT_EQ(name.far, std::get<2>(expected)) << path;
        EXPECT_EQ(name.templateIndex, std::get<3>(expected)) << path;
        EXPECT_EQ(maskFileName(name.level, name.far, name.templateIndex),
                  path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1));
    }
}

TEST(MaskFiles, SixteenBitPgmRoundTripAndBrokenFiles) {
    const auto dir = std::filesystem::temp_directory_path() / ("hd_sim_pgm_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::vector<uint16_t> pixels = {0, 1, 255, 256, 65535, 4660};
    std::string error;
    ASSERT_TRUE(writePgm16((dir / "a.pgm").string(), 3, 2, pixels, error)) << error;
    int w = 0, h = 0;
    std::vector<uint16_t> read;
    ASSERT_TRUE(readPgm16((dir / "a.pgm").string(), w, h, read, error)) << error;
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(read, pixels);
    EXPECT_FALSE(writePgm16((dir / "b.pgm").string(), 4, 2, pixels, error));

    const std::pair<std::string, std::string> broken[] = {
        {"P2\n3 2\n65535\n", "not a binary PGM"},
        {"P5\n3 2\n255\n012345", "8-bit"},
        {"P5\n3 2\n65535\n0123", "data bytes"},
        {"P5\n3 x\n65535\n", "malformed"},
        {"P5 # comment\n3 2\n65535\n", "data bytes"},
    };
    for (const auto& [content, fragment] : broken) {
        std::ofstream((dir / "c.pgm").string(), std::ios::binary) << content;
        EXPECT_FALSE(readPgm16((dir / "c.pgm").string(), w, h, read, error)) << content;
        EXPECT_NE(error.find(fragment), std::string::npos) << error;
    }
    EXPECT_FALSE(readPgm16((dir / "missing.pgm").string(), w, h, read, error));
    std::filesystem::remove_all(dir);
}

TEST(SdkNames, TheNameTableHasUniqueIdsInTheirKindRanges) {
    std::set<std::string> names;
    std::set<int32_t> ids;
    const std::pair<const char*, std::pair<int32_t, int32_t>> kinds[] = {
        {"ZR_INT_", {kZrIntIdFirst, kZrIntIdEnd}},       {"ZR_FLOAT_", {kZrFloatIdFirst, kZrFloatIdEnd}},
        {"ZR_BOOL_", {kZrBoolIdFirst, kZrBoolIdEnd}},    {"ZR_STRING_", {kZrStringIdFirst, kZrStringIdEnd}},
        {"ZR_CMD_", {kZrCommandIdFirst, kZrCommandIdEnd}}, {"ZR_PTR_", {kZrPointerIdFirst, 7000}}};
    for (const ZrNamedId& entry : kZrNamedIds) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        EXPECT_TRUE(ids.insert(entry.id).second) << entry.name;
        bool matched = false;
        for (int k = 0; k < 6; ++k) {
            if (std::strncmp(entry.name, kinds[k].first, std::strlen(kinds[k].first)) != 0) continue;
            matched = true;
            EXPECT_GE(entry.id, kinds[k].second.first) << entry.name;
            EXPECT_LT(entry.id, kinds[k].second.second) << entry.name;
        }
        EXPECT_TRUE(matched) << entry.name;
    }
    EXPECT_EQ(ids.count(ZR_PTR_3D_PINHOLE_PARAM), 0u);  // reached by number only
}

}  // namespace
}  // namespace zrsim
