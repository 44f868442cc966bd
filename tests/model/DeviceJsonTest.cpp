// The camera's parameter JSON: reading it (structure first, then the
// validator), writing it whole or merged into what the camera holds, and the
// trip through it; and telling a camera file from a workstation file.
#include "ModelTestDocuments.h"

#include "DeviceRoundTrip.h"

#include "ConfigurationFileReader.h"
#include "DeviceJsonKeys.h"
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include <limits>

namespace hazard_desk {
namespace {

using nlohmann::json;
using test::issuesOf;

WorkstationDocument mixedV2()
{
    WorkstationDocument document = test::mixedDocument();
    document.algorithmVersion = AlgorithmVersion::V2;
    return document;
}

// Device JSON of the mixed document: zone "0" square, "1" squareFree,
// "2" sector with notify, "3" sector without.
json deviceJson()
{
    return buildDeviceDocument(mixedV2(), json::object());
}

// What a camera holds beside the written keys: its own keys, a template key
// that is not a number, and zones with keys of their own.
json cameraBase()
{
    return json::parse(R"({
        "R": [1, 0, 0, 0, 1, 0, 0, 0, 1], "T": [9, 9, 9], "ZoneIndex": 0, "debug": false,
        "semantics": true, "ground_hole_param": [1, 2, 3, 4, 5, 6], "firmware_note": "keep me",
        "Zones": {"3": {"ZoneType": "square", "DangerZone": [0, 1, -1, 1, 0, 1],
                        "WarningZone": [1, 2, -1, 1, 0, 1], "NotifyZone": [], "Sensitivity": 4},
                  "5": {"ZoneType": "sector", "DangerZone": [1, 2, 3, 4, 5, 6, 7], "Custom": [1]},
                  "notes": "not a template"}})");
}

void renameZone(json& j, const char* from, const char* to)
{
    j["Zones"][to] = j["Zones"][from];
    j["Zones"].erase(from);
}

struct DeviceCase {
    const char* name;
    std::function<void(json&)> mutate;
    std::string path;
    const char* message;
};

TEST(DeviceJsonReader, StructuralErrorsStopAtTheFirstWithOneIssue)
{
    const double inf = std::numeric_limits<double>::infinity();
    const char* missing = "missing required field";
    const char* badKey = "template key must be an integer from 0 to 19";
    const char* notContiguous = "square danger/warning zones must be contiguous and share Y/Z bounds";
    const char* six = "must be a six-number array [minX,maxX,minY,maxY,minZ,maxZ]";
    const char* seven = "must be a seven-number array [radius,leftSweep,rightSweep,minZ,maxZ,centerX,centerY]";
    const DeviceCase cases[] = {
        {"root array", [](json& j) { j = json::array({1}); }, "$device", "device parameter document must be an object"},
        {"no R", [](json& j) { j.erase("R"); }, "$device.R", missing},
        {"R eight", [](json& j) { j["R"].erase(8); }, "$device.R", "must contain nine row-major rotation values"},
        {"R text entry", [](json& j) { j["R"][4] = "1"; }, "$device.R[4]", "must be a number"},
        {"R infinite", [inf](json& j) { j["R"][0] = inf; }, "$device.R", "must contain only finite values"},
        {"R scaled row", [](json& j) { j["R"] = json::array({1, 0, 0, 0, 1.01, 0, 0, 0, 1}); }, "$device.R",
         "must be an orthonormal rotation matrix"},
        {"R reflection", [](json& j) { j["R"] = json::array({1, 0, 0, 0, 1, 0, 0, 0, -1}); }, "$device.R",
         "determinant must be +1"},
        {"no T", [](json& j) { j.erase("T"); }, "$device.T", missing},
        {"T two", [](json& j) { j["T"] = json::array({1, 2}); }, "$device.T", "must contain three translation values"},
        {"T infinite", [inf](json& j) { j["T"][2] = inf; }, "$device.T[2]", "must be finite"},
        {"no ZoneIndex", [](json& j) { j.erase("ZoneIndex"); }, "$device.ZoneIndex", missing},
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
        {"no Zones", [](json& j) { j.erase("Zones"); }, "$device.Zones", missing},
        {"Zones array", [](json& j) { j["Zones"] = json::array(); }, "$device.Zones", "must be an object"},
        {"empty key", [](json& j) { j["Zones"][""] = json::object(); }, "$device.Zones", "contains an empty template key"},
        {"key 20", [](json& j) { renameZone(j, "19", "20"); }, "$device.Zones.20", badKey},
        {"key -1", [](json& j) { renameZone(j, "0", "-1"); }, "$device.Zones.-1", badKey},
        {"key trailing space", [](json& j) { renameZone(j, "5", "5 "); }, "$device.Zones.5 ", badKey},
        {"key hex", [](json& j) { renameZone(j, "1", "0x1"); }, "$device.Zones.0x1", badKey},
        {"key overflow", [](json& j) { j["Zones"]["99999999999999999999"] = json::object(); },
         "$device.Zones.99999999999999999999", badKey},
        {"key with NUL", [](json& j) { j["Zones"][std::string("4\0", 2)] = json::object(); },
         std::string("$device.Zones.4\0", 16), badKey},
        {"5 and 05", [](json& j) { j["Zones"]["05"] = j["Zones"]["5"]; }, "$device.Zones",
         "contains a duplicate numeric template index"},
        {"zone number", [](json& j) { j["Zones"]["3"] = 5; }, "$device.Zones.3", "must be an object"},
        {"ZoneType number", [](json& j) { j["Zones"]["3"]["ZoneType"] = 2; }, "$device.Zones.3.ZoneType",
         "must be a string"},
        {"ZoneType circle", [](json& j) { j["Zones"]["3"]["ZoneType"] = "circle"; }, "$device.Zones.3.ZoneType",
         "must be square, squareFree, or sector"},
        {"no DangerZone", [](json& j) { j["Zones"]["0"].erase("DangerZone"); }, "$device.Zones.0.DangerZone", missing},
        {"no WarningZone before a bad danger",
         [](json& j) {
             j["Zones"]["0"].erase("WarningZone");
             j["Zones"]["0"]["DangerZone"] = "x";
         },
         "$device.Zones.0.WarningZone", missing},
        {"square five", [](json& j) { j["Zones"]["0"]["DangerZone"].erase(5); }, "$device.Zones.0.DangerZone", six},
        {"square warning text entry", [](json& j) { j["Zones"]["0"]["WarningZone"][2] = "a"; },
         "$device.Zones.0.WarningZone[2]", "must be a finite number"},
        {"square not contiguous", [](json& j) { j["Zones"]["0"]["WarningZone"][0] = 1201.0; }, "$device.Zones.0",
         notContiguous},
        {"square different height", [](json& j) { j["Zones"]["4"]["WarningZone"][5] = 999.5; }, "$device.Zones.4",
         notContiguous},
        {"free no notify", [](json& j) { j["Zones"]["1"].erase("NotifyZone"); }, "$device.Zones.1.NotifyZone", missing},
        {"free empty notify", [](json& j) { j["Zones"]["1"]["NotifyZone"] = json::array(); },
         "$device.Zones.1.NotifyZone", six},
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
        EXPECT_EQ(issues[0], (ValidationIssue{c.path, c.message})) << c.name;
    }

    for (const char* text : {"{", "", "{\"R\": [1,2,3]", "nan", "{} {}"}) {
        EXPECT_EQ(issuesOf([&] { (void)parseDeviceDocumentText(text, AlgorithmVersion::V1, false); }),
                  (ValidationIssueList{{"$device", "invalid JSON syntax"}}))
            << text;
    }
}

TEST(DeviceJsonReader, OptionKeysAreReadForV2OnlyAndDefaultWhenAbsent)
{
    json v1 = deviceJson();
    v1["semantics"] = "not read";
    v1["forklift_2d_enhance"] = 7;
    v1["ground_hole_param"] = json::array({1});
    v1["debug"] = true;
    AdvancedOptions debugOnly;
    debugOnly.debug = true;
    const WorkstationDocument fromV1 = parseDeviceDocument(v1, AlgorithmVersion::V1, true);
    EXPECT_EQ(fromV1.algorithmVersion, AlgorithmVersion::V1);
    EXPECT_EQ(fromV1.templates[4].options, debugOnly);

    json absent = deviceJson();
    for (const char* key : device_keys::kV2OptionKeys) {
        absent.erase(key);
    }
    absent.erase("debug");
    EXPECT_EQ(parseDeviceDocument(absent, AlgorithmVersion::V2, true).templates[4].options, AdvancedOptions{});
}

TEST(DeviceJsonReader, ZoneTypesKeysAndTolerances)
{
    json j = deviceJson();
    j["R"] = json::array({1.0004, 0, 0, 0, 1, 0, 0, 0, 1});   // a camera's rounding
    j["Zones"]["3"].erase("ZoneType");   // seven-entry danger: a sector
    j["Zones"]["0"].erase("ZoneType");   // six-entry danger: a square
    j["Zones"]["4"]["WarningZone"][0] = j["Zones"]["4"]["DangerZone"][1].get<double>() + 1e-7;
    j["Zones"]["6"]["NotifyZone"] = "not an array";
    j["Zones"]["7"]["NotifyZone"] = json::array();
    j["Zones"]["8"]["ZoneType"] = "box";
    j["Zones"]["9"]["ZoneType"] = "freeBox";
    j["Zones"]["10"]["ZoneType"] = "fan";
    renameZone(j, "11", " 11");
    renameZone(j, "12", "+12");
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
    EXPECT_EQ(document.templates[10].type(), TemplateType::Sector);
    EXPECT_EQ(document.templates[11].index, 11);
    EXPECT_EQ(document.templates[12].body, mixed.templates[12].body);
}

TEST(DeviceJsonReader, PartialZonesKeepDefaultsUnlessAllAreRequired)
{
    json j = deviceJson();
    j["ZoneIndex"] = 4;
    j["debug"] = true;
    j["Zones"] = json{{"4", j["Zones"]["4"]}};
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V2, false);
    EXPECT_EQ(document.activeIndex, 4);
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        const ZoneTemplate& t = document.templates[slot];
        EXPECT_EQ(t.index, static_cast<std::int32_t>(slot));
        EXPECT_TRUE(t.options.debug);
        EXPECT_EQ(t.body, slot == 4 ? test::mixedDocument().templates[4].body : ZoneBody{SquareZones{}}) << slot;
    }
}

TEST(DeviceJsonReader, FinalValidationReportsEveryIssue)
{
    json j = deviceJson();
    // Sweeps -40/30 read as leftAngle -30, rightAngle -40: the angles are inverted.
    j["Zones"]["3"]["DangerZone"] = json::array({1500, -40, 30, 50, 1000, 0, 0});
    j["Zones"]["0"]["DangerZone"][0] = -5.0;
    j["ground_hole_detection"] = true;
    j["ground_hole_param"] = json::array({100, 200, 400, 25, 30, 7});
    const ValidationIssueList issues = issuesOf([&] { (void)parseDeviceDocument(j, AlgorithmVersion::V2, true); });
    const ValidationIssue expected[] = {
        {"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"templates[0].v2.groundVoid.distance", "must satisfy 0 <= nearDistance < farDistance"},
        {"templates[3].zones.danger.angles", "leftAngle must be less than rightAngle"},
        {"templates[3].distance", "danger radius must not exceed warning radius"},
    };
    for (const ValidationIssue& issue : expected) {
        EXPECT_NE(std::find(issues.begin(), issues.end(), issue), issues.end()) << issue;
    }
}

TEST(BuildDeviceDocument, WritesTheCameraLayout)
{
    const WorkstationDocument document = mixedV2();
    const json out = buildDeviceDocument(document, json::object());

    EXPECT_EQ(out["R"].size(), 9U);   // its values are the pose's matrix: the trip back checks them
    EXPECT_EQ(out["T"], json::array({101.0, -22.0, 1430.0}));
    EXPECT_TRUE(out["ZoneIndex"].is_number_integer());
    EXPECT_EQ(out["ZoneIndex"], 7);
    ASSERT_EQ(out["Zones"].size(), 20U);
    EXPECT_TRUE(out["Zones"].contains("19"));
    const json& square = out["Zones"]["0"];
    EXPECT_EQ(square["ZoneType"], "square");
    EXPECT_EQ(square["DangerZone"], json::array({0.0, 1200.0, -500.0, 500.0, 50.0, 1000.0}));
    EXPECT_EQ(square["WarningZone"], json::array({1200.0, 1300.0, -500.0, 500.0, 50.0, 1000.0}));
    EXPECT_EQ(square["NotifyZone"], json::array());
    EXPECT_EQ(out["Zones"]["1"]["ZoneType"], "squareFree");
    EXPECT_EQ(out["Zones"]["1"]["NotifyZone"], json::array({3000.0, 6001.5, -1500.0, 1500.0, 100.0, 2000.0}));
    // Sweeps: leftSweep is the right angle, rightSweep the negated left angle.
    const json& sector = out["Zones"]["2"];
    EXPECT_EQ(sector["ZoneType"], "sector");
    EXPECT_EQ(sector["DangerZone"], json::array({900.0, 35.0, 45.0, 10.0, 800.0, 12.0, -3.5}));
    EXPECT_EQ(sector["NotifyZone"], json::array({2500.0, 60.0, 60.0, 30.0, 950.0, 12.0, -3.5}));
    EXPECT_EQ(out["Zones"]["3"]["NotifyZone"], json::array());

    // Flags come from the active template (7).
    const AdvancedOptions& active = document.templates[7].options;
    EXPECT_EQ(out["debug"], active.debug);
    EXPECT_EQ(out["semantics"], active.semantic.enabled);
    EXPECT_EQ(out["semantics_output"], active.semantic.pointCloudOutput);
    EXPECT_EQ(out["enhanced_detection"], active.semantic.enhancement);
    EXPECT_EQ(out["simple_output"], active.semantic.pointCloudCompact);
    EXPECT_EQ(out["none_semantic_cluster_output"], active.semantic.nonSemanticBox);
    EXPECT_EQ(out["forklift_2d_enhance"], json::array({-100.0, -300.0, 200.0, 400.0}));
    EXPECT_EQ(out["ground_hole_detection"], active.groundVoid.enabled);
    EXPECT_EQ(out["ground_hole_param"], json::array({907.0, 200.0, 600.0, 40.0, 45.0, 12.0}));
    EXPECT_NE(out.dump().find("\"T\":[101.0,-22.0,1430.0]"), std::string::npos);
}

TEST(BuildDeviceDocument, KeepsUnknownKeysAndDropsV2KeysForV1)
{
    const json base = cameraBase();
    const json v2 = buildDeviceDocument(mixedV2(), base);
    EXPECT_EQ(base, cameraBase());
    EXPECT_EQ(v2["firmware_note"], "keep me");
    EXPECT_FALSE(v2["Zones"]["3"].contains("Sensitivity"));   // the zones are rebuilt whole
    EXPECT_FALSE(v2["Zones"].contains("notes"));

    const json v1 = buildDeviceDocument(test::mixedDocument(), base);
    for (const char* key : device_keys::kV2OptionKeys) {
        EXPECT_FALSE(v1.contains(key)) << key;
    }
    EXPECT_TRUE(v1.contains("debug"));
    EXPECT_EQ(v1["firmware_note"], "keep me");
}

TEST(BuildDeviceDocument, RefusesInvalidInputWithoutResult)
{
    WorkstationDocument invalid;
    invalid.activeIndex = 30;
    std::get<SquareZones>(invalid.templates[2].body).rangeLeft = 600.0;
    const ValidationIssueList issues{{"activeIndex", "must be an integer from 0 to 19"},
                                     {"templates[2].range", "rangeLeft must be less than rangeRight"}};
    EXPECT_EQ(issuesOf([&] { (void)buildDeviceDocument(invalid, json::object()); }), issues);
    EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(invalid, json::object(), {}); }), issues);

    // A hostile base nested far deeper than any camera JSON is refused, not copied.
    json deep = json::array();
    for (int level = 0; level < 50000; ++level) {
        json outer = json::array();
        outer.push_back(std::move(deep));
        deep = std::move(outer);
    }
    json hostile = json::object();
    hostile["x"] = std::move(deep);
    const ValidationIssueList refused = issuesOf([&] { (void)buildDeviceDocument(WorkstationDocument{}, hostile); });
    ASSERT_EQ(refused.size(), 1U);
    EXPECT_EQ(refused[0].path, "$baseDeviceJson");
    EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(WorkstationDocument{}, hostile, {}); }), refused);
    const ValidationIssueList notAnObject{{"$baseDeviceJson", "must be an object"}};
    EXPECT_EQ(issuesOf([] { (void)buildDeviceDocument(WorkstationDocument{}, json::array()); }), notAnObject);
    EXPECT_EQ(issuesOf([] { (void)mergeIntoDeviceDocument(WorkstationDocument{}, json(nullptr), {}); }), notAnObject);
}

TEST(BuildDeviceDocument, ParsesBackToTheSameConfiguration)
{
    WorkstationDocument gimbal = mixedV2();
    gimbal.extrinsics.pitch = 90.0;
    for (const WorkstationDocument& document : {WorkstationDocument{}, mixedV2(), test::mixedDocument(), gimbal}) {
        const json device = buildDeviceDocument(document, cameraBase());
        const WorkstationDocument back = parseDeviceDocument(device, document.algorithmVersion, true);
        EXPECT_EQ(test::deviceRoundTripDifference(document, back, 1e-12), "");
        EXPECT_EQ(parseDeviceDocumentText(device.dump(), document.algorithmVersion, true), back);
    }
}

TEST(MergeIntoDeviceDocument, OptionsSelectWhatIsReplaced)
{
    const json base = cameraBase();
    const json generated = buildDeviceDocument(mixedV2(), json::object());
    const char* zoneKeys[] = {"ZoneType", "DangerZone", "WarningZone", "NotifyZone"};

    DeviceMergeOptions one;
    one.selectedIndex = 3;
    one.includeExtrinsics = false;
    one.includeFlags = false;
    const json out = mergeIntoDeviceDocument(mixedV2(), base, one);
    EXPECT_EQ(base, cameraBase());
    for (const char* key : zoneKeys) {
        EXPECT_EQ(out["Zones"]["3"][key], generated["Zones"]["3"][key]) << key;
    }
    EXPECT_EQ(out["Zones"]["3"]["Sensitivity"], 4);
    EXPECT_EQ(out["Zones"]["5"], base["Zones"]["5"]);
    EXPECT_EQ(out["Zones"].size(), base["Zones"].size());
    EXPECT_EQ(out["ZoneIndex"], 3);
    for (const char* key : {"R", "T", "semantics", "ground_hole_param", "firmware_note"}) {
        EXPECT_EQ(out[key], base[key]) << key;
    }

    WorkstationDocument document = mixedV2();
    document.templates[5].options.semantic.enabled = false;
    document.templates[5].options.debug = true;
    DeviceMergeOptions all;
    all.allTemplates = true;
    all.selectedIndex = 5;
    const json every = mergeIntoDeviceDocument(document, base, all);
    document.activeIndex = 5;
    const json expected = buildDeviceDocument(document, json::object());
    for (int i = 0; i < 20; ++i) {
        for (const char* key : zoneKeys) {
            EXPECT_EQ(every["Zones"][std::to_string(i)][key], expected["Zones"][std::to_string(i)][key]) << i << key;
        }
    }
    EXPECT_EQ(every["Zones"]["5"]["Custom"], json::array({1}));
    EXPECT_EQ(every["Zones"]["notes"], "not a template");
    for (const char* key : {"R", "T", "ZoneIndex", "debug", "semantics", "ground_hole_param"}) {
        EXPECT_EQ(every[key], expected[key]) << key;
    }

    // A V1 document's flags remove the V2 keys from the camera JSON.
    const json v1 = mergeIntoDeviceDocument(test::mixedDocument(), base, DeviceMergeOptions{});
    EXPECT_FALSE(v1.contains("semantics"));
    EXPECT_FALSE(v1.contains("ground_hole_param"));
    EXPECT_EQ(v1["ZoneIndex"], 7);
    EXPECT_EQ(v1["firmware_note"], "keep me");
}

TEST(MergeIntoDeviceDocument, RepairsMissingContainersAndRejectsBadSelection)
{
    const std::function<void(json&)> breakages[] = {
        [](json& j) { j.erase("Zones"); },
        [](json& j) { j["Zones"] = json::array({1, 2}); },
        [](json& j) { j["Zones"]["7"] = "broken"; },
    };
    const json generated = buildDeviceDocument(mixedV2(), json::object());
    for (const auto& breakage : breakages) {
        json base = cameraBase();
        breakage(base);
        const json repaired = mergeIntoDeviceDocument(mixedV2(), base, DeviceMergeOptions{});
        ASSERT_TRUE(repaired["Zones"].is_object());
        EXPECT_EQ(repaired["Zones"]["7"], generated["Zones"]["7"]);
    }

    for (const std::int32_t bad : {-1, 20, 1000}) {
        DeviceMergeOptions options;
        options.selectedIndex = bad;
        EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(mixedV2(), cameraBase(), options); }),
                  (ValidationIssueList{{"$deviceExport.selectedIndex", "must be an integer from 0 to 19"}}))
            << bad;
    }
}

std::string deviceText(const std::function<void(json&)>& mutate)
{
    json device = deviceJson();
    mutate(device);
    return device.dump();
}

TEST(ConfigurationFileReader, VersionAndTemplatesMakeAWorkstationDocumentAnyOtherObjectIsCameraJson)
{
    const WorkstationDocument document = test::mixedDocument();
    struct Case {
        std::string text;
        ConfigurationFileFormat format;
    };
    const Case cases[] = {
        {dumpWorkstationDocument(document, 2), ConfigurationFileFormat::Workstation},
        {deviceText([](json& j) { j["version"] = 1; }), ConfigurationFileFormat::Device},
        {deviceText([](json& j) { j["templates"] = json::array(); }), ConfigurationFileFormat::Device},
        {deviceText([](json& j) { j["Zones"] = json{{"3", j["Zones"]["3"]}}; }), ConfigurationFileFormat::Device},
    };
    for (const Case& c : cases) {
        for (const AlgorithmVersion generation : {AlgorithmVersion::V1, AlgorithmVersion::V2}) {
            const auto file = readConfigurationFile(c.text, generation);
            ASSERT_TRUE(file.has_value()) << c.text;
            EXPECT_EQ(file->format, c.format);
            if (c.format == ConfigurationFileFormat::Workstation) {
                EXPECT_EQ(file->document, document);   // the file's own generation holds
            } else {
                EXPECT_EQ(file->document.algorithmVersion, generation);
                EXPECT_EQ(file->document.activeIndex, 7);
                EXPECT_EQ(file->document.templates[3].type(), TemplateType::Sector);
            }
        }
    }
}

TEST(ConfigurationFileReader, RefusesWhatIsNoObjectAndThrowsTheIssuesOfWhatDoesNotRead)
{
    for (const char* text : {"[{\"version\": 1, \"templates\": []}]", "42", "null", "", "{\"version\": 1} trailing"}) {
        EXPECT_FALSE(readConfigurationFile(text, AlgorithmVersion::V2).has_value()) << text;
    }
    json workstation = json::parse(dumpWorkstationDocument(test::mixedDocument(), 2));
    workstation["version"] = 2;
    const std::pair<std::string, std::string> cases[] = {
        {workstation.dump(), "$.version"},
        {deviceText([](json& j) { j.erase("R"); }), "$device.R"},
        {deviceText([](json& j) { j["ZoneIndex"] = 25; }), "$device.ZoneIndex"},
    };
    for (const auto& [text, path] : cases) {
        const ValidationIssueList issues = issuesOf([&] { (void)readConfigurationFile(text, AlgorithmVersion::V1); });
        ASSERT_FALSE(issues.empty()) << path;
        EXPECT_EQ(issues[0].path, path);
    }
}

}  // namespace
}  // namespace hazard_desk
