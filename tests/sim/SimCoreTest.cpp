// The virtual camera's internals on their own: scene checking, zone volumes
// and mask files. Mask file names are seen through the mask upload.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "DeviceJson.h"
#include "MaskFiles.h"
#include "SimScene.h"
#include "SimTestScene.h"

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
        {"{}", "$.cameras"},
        {edit([](json& s) { s["cameras"][0]["ip"] = "10.1.2.3"; }), "loopback"},
        {edit([](json& s) { s["cameras"][1]["ip"] = "127.0.20.1"; }), "duplicate address"},
        {edit([](json& s) { s["cameras"][0]["depth"]["width"] = 0; }), "$.cameras[0].depth.width"},
        {edit([](json& s) { s["cameras"][0]["depth"]["distortion"] = json::array({1, 2}); }), "distortion"},
        {edit([](json& s) { s["cameras"][0]["algorithmMode"] = 2; }), "must be 0, 1 or 4"},
        {edit([](json& s) { s["cameras"][0]["faults"] = {{"bogus", 1}}; }), "unknown fault 'bogus'"},
        {edit([](json& s) { s["cameras"][0]["name"] = std::string(40, 'n'); }), "shorter than 32 bytes"},
        {edit([](json& s) { s["objects"][0]["maxX"] = 0; }), "minX must be below maxX"},
        {edit([](json& s) { s["objects"][0]["motion"] = {{"axis", "w"}}; }), "motion.axis"},
    };
    for (const auto& [text, fragment] : cases) {
        Scene scene;
        std::string error;
        EXPECT_FALSE(parseScene(text, scene, error)) << text;
        EXPECT_NE(error.find(fragment), std::string::npos) << "error '" << error << "' lacks '" << fragment << "'";
    }
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
    };
    for (const auto& [content, fragment] : broken) {
        std::ofstream((dir / "c.pgm").string(), std::ios::binary) << content;
        EXPECT_FALSE(readPgm16((dir / "c.pgm").string(), w, h, read, error)) << content;
        EXPECT_NE(error.find(fragment), std::string::npos) << error;
    }
    EXPECT_FALSE(readPgm16((dir / "missing.pgm").string(), w, h, read, error));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zrsim
