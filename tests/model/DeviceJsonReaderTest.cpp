#include "ModelTestDocuments.h"

#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"

#include <gtest/gtest.h>

#include <limits>

namespace hazard_desk {
namespace {

using nlohmann::json;
using test::issuesOf;

// Device JSON of the mixed document: zone "0" square, "1" squareFree,
// "2" sector with notify, "3" sector without.
json deviceJson(AlgorithmVersion version = AlgorithmVersion::V2)
{
    WorkstationDocument document = test::mixedDocument();
    document.algorithmVersion = version;
    return buildDeviceDocument(document, json::object());
}

struct DeviceCase {
    const char* name;
    std::function<void(json&)> mutate;
    const char* path;
    const char* message;
};

TEST(DeviceJsonReader, StructuralErrorsStopAtTheFirstWithOneIssue)
{
    const double inf = std::numeric_limits<double>::infinity();
    const char* six = "must be a six-number array [minX,maxX,minY,maxY,minZ,maxZ]";
    const char* seven = "must be a seven-number array [radius,leftSweep,rightSweep,minZ,maxZ,centerX,centerY]";
    const auto replaceZoneKey = [](json& j, const char* from, const char* to) {
        j["Zones"][to] = j["Zones"][from];
        j["Zones"].erase(from);
    };
    const DeviceCase cases[] = {
        {"root array", [](json& j) { j = json::array({1}); }, "$device", "device parameter document must be an object"},
        {"no R", [](json& j) { j.erase("R"); }, "$device.R", "missing required field"},
        {"R eight", [](json& j) { j["R"].erase(8); }, "$device.R", "must contain nine row-major rotation values"},
        {"R text entry", [](json& j) { j["R"][4] = "1"; }, "$device.R[4]", "must be a number"},
        {"R infinite", [inf](json& j) { j["R"][0] = inf; }, "$device.R", "must contain only finite values"},
        {"R scaled row",
         [](json& j) {
             j["R"] = json::array({1, 0, 0, 0, 1, 0, 0, 0, 1});
             for (int k = 3; k < 6; ++k) {
                 j["R"][k] = j["R"][k].get<double>() * 1.01;
             }
         },
         "$device.R", "must be an orthonormal rotation matrix"},
        {"R reflection", [](json& j) { j["R"] = json::array({1, 0, 0, 0, 1, 0, 0, 0, -1}); }, "$device.R",
         "determinant must be +1"},
        {"no T", [](json& j) { j.erase("T"); }, "$device.T", "missing required field"},
        {"T two", [](json& j) { j["T"] = json::array({1, 2}); }, "$device.T", "must contain three translation values"},
        {"T text entry", [](json& j) { j["T"][1] = "a"; }, "$device.T[1]", "must be a number"},
        {"T infinite", [inf](json& j) { j["T"][2] = inf; }, "$device.T[2]", "must be finite"},
        {"no ZoneIndex", [](json& j) { j.erase("ZoneIndex"); }, "$device.ZoneIndex", "missing required field"},
        {"ZoneIndex float", [](json& j) { j["ZoneIndex"] = 1.0; }, "$device.ZoneIndex", "must be an integer"},
        {"ZoneIndex huge", [](json& j) { j["ZoneIndex"] = 4294967296LL; }, "$device.ZoneIndex",
         "is outside the supported integer range"},
        {"semantics number", [](json& j) { j["semantics"] = 1; }, "$device.semantics", "must be a boolean"},
        {"forklift three", [](json& j) { j["forklift_2d_enhance"] = json::array({1, 2, 3}); },
         "$device.forklift_2d_enhance", "must be [minX,minY,maxX,maxY]"},
        {"forklift text entry", [](json& j) { j["forklift_2d_enhance"][1] = "a"; }, "$device.forklift_2d_enhance[1]",
         "must be a finite number"},
        {"ground param five", [](json& j) { j["ground_hole_param"].erase(0); }, "$device.ground_hole_param",
         "must be [farDistance,nearDistance,halfWidth,resolution,halfThickness,minPoints]"},
        {"ground param infinite", [inf](json& j) { j["ground_hole_param"][5] = inf; }, "$device.ground_hole_param[5]",
         "must be finite"},
        {"no Zones", [](json& j) { j.erase("Zones"); }, "$device.Zones", "missing required field"},
        {"Zones array", [](json& j) { j["Zones"] = json::array(); }, "$device.Zones", "must be an object"},
        {"empty key", [](json& j) { j["Zones"][""] = json::object(); }, "$device.Zones", "contains an empty template key"},
        {"key 20", [=](json& j) { replaceZoneKey(j, "19", "20"); }, "$device.Zones.20",
         "template key must be an integer from 0 to 19"},
        {"key -1", [=](json& j) { replaceZoneKey(j, "0", "-1"); }, "$device.Zones.-1",
         "template key must be an integer from 0 to 19"},
        {"key trailing space", [=](json& j) { replaceZoneKey(j, "5", "5 "); }, "$device.Zones.5 ",
         "template key must be an integer from 0 to 19"},
        {"key hex", [=](json& j) { replaceZoneKey(j, "1", "0x1"); }, "$device.Zones.0x1",
         "template key must be an integer from 0 to 19"},
        {"key overflow", [](json& j) { j["Zones"]["99999999999999999999"] = json::object(); },
         "$device.Zones.99999999999999999999", "template key must be an integer from 0 to 19"},
        {"key with NUL", [](json& j) { j["Zones"][std::string("4\0", 2)] = json::object(); },
         "(checked below)", "template key must be an integer from 0 to 19"},
        {"5 and 05", [](json& j) { j["Zones"]["05"] = j["Zones"]["5"]; }, "$device.Zones",
         "contains a duplicate numeric template index"},
        {"zone number", [](json& j) { j["Zones"]["3"] = 5; }, "$device.Zones.3", "must be an object"},
        {"ZoneType number", [](json& j) { j["Zones"]["3"]["ZoneType"] = 2; }, "$device.Zones.3.ZoneType",
         "must be a string"},
        {"ZoneType circle", [](json& j) { j["Zones"]["3"]["ZoneType"] = "circle"; }, "$device.Zones.3.ZoneType",
         "must be square, squareFree, or sector"},
        {"no DangerZone", [](json& j) { j["Zones"]["0"].erase("DangerZone"); }, "$device.Zones.0.DangerZone",
         "missing required field"},
        {"no WarningZone before a bad danger",
         [](json& j) {
             j["Zones"]["0"].erase("WarningZone");
             j["Zones"]["0"]["DangerZone"] = "x";
         },
         "$device.Zones.0.WarningZone", "missing required field"},
        {"square five", [](json& j) { j["Zones"]["0"]["DangerZone"].erase(5); }, "$device.Zones.0.DangerZone", six},
        {"square warning text entry", [](json& j) { j["Zones"]["0"]["WarningZone"][2] = "a"; },
         "$device.Zones.0.WarningZone[2]", "must be a finite number"},
        {"square not contiguous",
         [](json& j) { j["Zones"]["0"]["WarningZone"][0] = j["Zones"]["0"]["DangerZone"][1].get<double>() + 1.0; },
         "$device.Zones.0", "square danger/warning zones must be contiguous and share Y/Z bounds"},
        {"square different height",
         [](json& j) { j["Zones"]["4"]["WarningZone"][5] = j["Zones"]["4"]["WarningZone"][5].get<double>() - 0.5; },
         "$device.Zones.4", "square danger/warning zones must be contiguous and share Y/Z bounds"},
        {"free no notify", [](json& j) { j["Zones"]["1"].erase("NotifyZone"); }, "$device.Zones.1.NotifyZone",
         "missing required field"},
        {"free empty notify", [](json& j) { j["Zones"]["1"]["NotifyZone"] = json::array(); },
         "$device.Zones.1.NotifyZone", six},
        {"free notify infinite", [inf](json& j) { j["Zones"]["1"]["NotifyZone"][3] = inf; },
         "$device.Zones.1.NotifyZone[3]", "must be finite"},
        {"sector six", [](json& j) { j["Zones"]["2"]["DangerZone"].erase(6); }, "$device.Zones.2.DangerZone", seven},
        {"sector notify two", [](json& j) { j["Zones"]["2"]["NotifyZone"] = json::array({1, 2}); },
         "$device.Zones.2.NotifyZone", seven},
        {"require all", [](json& j) { j["Zones"].erase("19"); }, "$device.Zones",
         "must contain every template index from 0 to 19"},
        {"ZoneIndex 20", [](json& j) { j["ZoneIndex"] = 20; }, "$device.ZoneIndex", "must be an integer from 0 to 19"},
        {"ZoneIndex -1", [](json& j) { j["ZoneIndex"] = -1; }, "$device.ZoneIndex", "must be an integer from 0 to 19"},
    };
    for (const DeviceCase& c : cases) {
        json j = deviceJson();
        c.mutate(j);
        const ValidationIssueList issues = issuesOf([&] { (void)parseDeviceDocument(j, AlgorithmVersion::V2, true); });
        ASSERT_EQ(issues.size(), 1U) << c.name;
        EXPECT_EQ(issues[0].message, c.message) << c.name;
        if (std::string(c.name) != "key with NUL") {
            EXPECT_EQ(issues[0].path, c.path) << c.name;
        } else {
            EXPECT_EQ(issues[0].path, std::string("$device.Zones.4\0", 16)) << c.name;
        }
    }
}

TEST(DeviceJsonReader, TextThatIsNotJsonGivesOneSyntaxIssue)
{
    for (const char* text : {"{", "", "{\"R\": [1,2,3]", "nan", "{} {}"}) {
        const ValidationIssueList issues =
            issuesOf([&] { (void)parseDeviceDocumentText(text, AlgorithmVersion::V1, false); });
        ASSERT_EQ(issues.size(), 1U) << text;
        EXPECT_EQ(issues[0], (ValidationIssue{"$device", "invalid JSON syntax"})) << text;
    }
}

TEST(DeviceJsonReader, V1IgnoresTheV2Keys)
{
    json j = deviceJson(AlgorithmVersion::V1);
    j["semantics"] = "not read";
    j["forklift_2d_enhance"] = 7;
    j["ground_hole_param"] = json::array({1});
    j["debug"] = true;
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V1, true);
    EXPECT_EQ(document.algorithmVersion, AlgorithmVersion::V1);
    AdvancedOptions expected;
    expected.debug = true;
    for (const ZoneTemplate& t : document.templates) {
        EXPECT_EQ(t.options, expected);
    }
}

TEST(DeviceJsonReader, V2OptionsAreSharedByAllTemplates)
{
    json j = deviceJson();
    j["debug"] = true;
    j["semantics"] = true;
    j["semantics_output"] = true;
    j["enhanced_detection"] = false;
    j["simple_output"] = true;
    j["none_semantic_cluster_output"] = false;
    j["ground_hole_detection"] = true;
    j["forklift_2d_enhance"] = json::array({-10, -20, 30, 40});
    j["ground_hole_param"] = json::array({900, 150, 400, 25, 30, 7});
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V2, true);
    const AdvancedOptions expected{true, GroundVoidOptions{true, 150, 900, 400, 25, 30, 7},
                                   SemanticOptions{true, true, false, false, true, -10, 30, -20, 40}};
    for (const ZoneTemplate& t : document.templates) {
        EXPECT_EQ(t.options, expected) << t.index;
    }

    json absent = deviceJson();
    for (const char* key : {"debug", "semantics", "semantics_output", "enhanced_detection", "simple_output",
                            "none_semantic_cluster_output", "ground_hole_detection", "forklift_2d_enhance",
                            "ground_hole_param"}) {
        absent.erase(key);
    }
    EXPECT_EQ(parseDeviceDocument(absent, AlgorithmVersion::V2, true).templates[4].options, AdvancedOptions{});
}

// The angles themselves are tested with the conversion; here
// the reader's use of R and T, and its tolerance for a camera's rounding.
TEST(DeviceJsonReader, RotationAndTranslationBecomeThePose)
{
    json identity = deviceJson();
    identity["R"] = json::array({1, 0, 0, 0, 1, 0, 0, 0, 1});
    identity["T"] = json::array({1, -2, 3.5});
    EXPECT_EQ(parseDeviceDocument(identity, AlgorithmVersion::V2, true).extrinsics, (Extrinsics{0, 0, 0, 1, -2, 3.5}));

    json nearlyOrthonormal = deviceJson();
    nearlyOrthonormal["R"] = json::array({1.0004, 0, 0, 0, 1, 0, 0, 0, 1});
    EXPECT_NO_THROW((void)parseDeviceDocument(nearlyOrthonormal, AlgorithmVersion::V2, true));
}

TEST(DeviceJsonReader, ZoneTypesKeysAndTolerances)
{
    json j = deviceJson();
    j["Zones"]["3"].erase("ZoneType");   // seven-entry danger: a sector
    j["Zones"]["0"].erase("ZoneType");   // six-entry danger: a square
    j["Zones"]["4"]["WarningZone"][0] = j["Zones"]["4"]["DangerZone"][1].get<double>() + 1e-7;
    j["Zones"]["6"]["NotifyZone"] = "not an array";
    j["Zones"]["7"]["NotifyZone"] = json::array();
    j["Zones"]["8"]["ZoneType"] = "box";
    j["Zones"]["9"]["ZoneType"] = "freeBox";
    j["Zones"]["10"]["ZoneType"] = "fan";
    j["Zones"][" 11"] = j["Zones"]["11"];
    j["Zones"].erase("11");
    j["Zones"]["+12"] = j["Zones"]["12"];
    j["Zones"].erase("12");
    j["Zones"]["5"]["colour"] = "unknown keys are ignored";
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V2, true);
    const WorkstationDocument mixed = test::mixedDocument();
    EXPECT_EQ(document.templates[3].type(), TemplateType::Sector);
    EXPECT_EQ(document.templates[0].body, mixed.templates[0].body);
    EXPECT_EQ(std::get<SquareZones>(document.templates[4].body), std::get<SquareZones>(mixed.templates[4].body));
    EXPECT_FALSE(std::get<SectorZones>(document.templates[6].body).notify.has_value());
    EXPECT_FALSE(std::get<SectorZones>(document.templates[7].body).notify.has_value());
    EXPECT_EQ(document.templates[8].type(), TemplateType::Square);
    EXPECT_EQ(document.templates[9].body, mixed.templates[9].body);
    EXPECT_EQ(document.templates[11].index, 11);
    EXPECT_EQ(document.templates[12].body, mixed.templates[12].body);

    // Sweeps: leftSweep is the right angle, rightSweep the negated left angle.
    json sector = deviceJson();
    sector["Zones"]["2"]["DangerZone"] = json::array({900, 35, 45, 10, 800, 12, -3.5});
    const SectorZones body = std::get<SectorZones>(parseDeviceDocument(sector, AlgorithmVersion::V2, true).templates[2].body);
    EXPECT_EQ(body.danger, (SectorZone{900, -45, 35, 10, 800, 12, -3.5}));
    EXPECT_EQ(body.lowerLimit, 0.0);
    ASSERT_TRUE(body.notify.has_value());
    EXPECT_EQ(*body.notify, (SectorZone{2500, -60, 60, 30, 950, 12, -3.5}));
}

TEST(DeviceJsonReader, PartialZonesKeepDefaultsUnlessAllAreRequired)
{
    json j = deviceJson();
    j["ZoneIndex"] = 4;
    j["debug"] = true;
    json only4 = json::object();
    only4["4"] = j["Zones"]["4"];
    j["Zones"] = only4;
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V2, false);
    EXPECT_EQ(document.activeIndex, 4);
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        const ZoneTemplate& t = document.templates[slot];
        EXPECT_EQ(t.index, static_cast<std::int32_t>(slot));
        EXPECT_TRUE(t.options.debug);
        if (slot == 4) {
            EXPECT_EQ(t.body, test::mixedDocument().templates[4].body);
        } else {
            EXPECT_EQ(t.body, ZoneBody{SquareZones{}}) << slot;
        }
    }
    EXPECT_EQ(issuesOf([&] { (void)parseDeviceDocument(j, AlgorithmVersion::V2, true); }),
              (ValidationIssueList{{"$device.Zones", "must contain every template index from 0 to 19"}}));
}

TEST(DeviceJsonReader, FinalValidationReportsEveryIssue)
{
    json j = deviceJson();
    // Sweeps -40/30 read as leftAngle -30, rightAngle -40: the angles are inverted.
    j["Zones"]["3"]["DangerZone"] = json::array({1500, -40, 30, 50, 1000, 0, 0});
    j["Zones"]["0"]["DangerZone"][0] = -5.0;
    j["ground_hole_detection"] = true;
    j["ground_hole_param"] = json::array({100, 200, 400, 25, 30, 7});
    const ValidationIssueList expected{
        {"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"templates[0].v2.groundVoid.distance", "must satisfy 0 <= nearDistance < farDistance"},
        {"templates[0].v2.groundVoid.resolution", "is too large for the configured distance, width, or thickness"},
    };
    const ValidationIssueList issues = issuesOf([&] { (void)parseDeviceDocument(j, AlgorithmVersion::V2, true); });
    ASSERT_GE(issues.size(), expected.size());
    EXPECT_EQ(ValidationIssueList(issues.begin(), issues.begin() + 3), expected);
    EXPECT_NE(std::find(issues.begin(), issues.end(),
                        ValidationIssue{"templates[3].zones.danger.angles", "leftAngle must be less than rightAngle"}),
              issues.end());
    EXPECT_NE(std::find(issues.begin(), issues.end(),
                        ValidationIssue{"templates[3].distance", "danger radius must not exceed warning radius"}),
              issues.end());
}

}  // namespace
}  // namespace hazard_desk
