// The camera's parameter JSON: reading it (structure first, then the
// validator), writing it whole or merged into what the camera holds, and the
// trip through it; telling a camera file from a workstation file; and what
// the camera holds against what was written or is about to be (the read-back
// comparison with its float tolerance and allowances, and the diff shown
// before an apply).
#include "ModelTestDocuments.h"

#include "DeviceRoundTrip.h"

#include "ConfigurationDiff.h"
#include "DeviceJsonKeys.h"
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "ReadbackComparison.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace hazard_desk {
namespace {

using nlohmann::json;
using test::issuesOf;

WorkstationDocument mixedV2() { return test::mixedDocument(AlgorithmVersion::V2); }

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
    return json::parse(R"({"R": [1, 0, 0, 0, 1, 0, 0, 0, 1], "T": [9, 9, 9], "ZoneIndex": 0, "debug": false,
        "semantics": true, "ground_hole_param": [1, 2, 3, 4, 5, 6], "firmware_note": "keep me",
        "Zones": {"3": {"Sensitivity": 4}, "5": {"Custom": [1]}, "notes": "not a template"}})");
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
        {"R infinite", [inf](json& j) { j["R"][0] = inf; }, "$device.R", "must contain only finite values"},
        {"R scaled row", [](json& j) { j["R"] = json::array({1, 0, 0, 0, 1.01, 0, 0, 0, 1}); }, "$device.R",
         "must be an orthonormal rotation matrix"},
        {"R reflection", [](json& j) { j["R"] = json::array({1, 0, 0, 0, 1, 0, 0, 0, -1}); }, "$device.R",
         "determinant must be +1"},
        {"T two", [](json& j) { j["T"] = json::array({1, 2}); }, "$device.T", "must contain three translation values"},
        {"forklift text entry", [](json& j) { j["forklift_2d_enhance"][1] = "a"; }, "$device.forklift_2d_enhance[1]",
         "must be a finite number"},
        {"ground param five", [](json& j) { j["ground_hole_param"].erase(0); }, "$device.ground_hole_param",
         "must be [farDistance,nearDistance,halfWidth,resolution,halfThickness,minPoints]"},
        {"no Zones", [](json& j) { j.erase("Zones"); }, "$device.Zones", missing},
        {"empty key", [](json& j) { j["Zones"][""] = json::object(); }, "$device.Zones",
         "contains an empty template key"},
        {"key 20", [](json& j) { renameZone(j, "19", "20"); }, "$device.Zones.20", badKey},
        {"key -1", [](json& j) { renameZone(j, "0", "-1"); }, "$device.Zones.-1", badKey},
        {"key trailing space", [](json& j) { renameZone(j, "5", "5 "); }, "$device.Zones.5 ", badKey},
        {"key overflow", [](json& j) { j["Zones"]["99999999999999999999"] = json::object(); },
         "$device.Zones.99999999999999999999", badKey},
        {"key with NUL", [](json& j) { j["Zones"][std::string("4\0", 2)] = json::object(); },
         std::string("$device.Zones.4\0", 16), badKey},
        {"5 and 05", [](json& j) { j["Zones"]["05"] = j["Zones"]["5"]; }, "$device.Zones",
         "contains a duplicate numeric template index"},
        {"ZoneType circle", [](json& j) { j["Zones"]["3"]["ZoneType"] = "circle"; }, "$device.Zones.3.ZoneType",
         "must be square, squareFree, or sector"},
        {"no DangerZone", [](json& j) { j["Zones"]["0"].erase("DangerZone"); }, "$device.Zones.0.DangerZone", missing},
        {"square not contiguous", [](json& j) { j["Zones"]["0"]["WarningZone"][0] = 1201.0; }, "$device.Zones.0",
         notContiguous},
        {"square different height", [](json& j) { j["Zones"]["4"]["WarningZone"][5] = 999.5; }, "$device.Zones.4",
         notContiguous},
        {"free empty notify", [](json& j) { j["Zones"]["1"]["NotifyZone"] = json::array(); },
         "$device.Zones.1.NotifyZone", six},
        {"sector six", [](json& j) { j["Zones"]["2"]["DangerZone"].erase(6); }, "$device.Zones.2.DangerZone", seven},
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

    EXPECT_EQ(issuesOf([] { (void)parseDeviceDocumentText("{} {}", AlgorithmVersion::V1, false); }),
              (ValidationIssueList{{"$device", "invalid JSON syntax"}}));
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
    renameZone(j, "11", " 11");
    j["Zones"]["5"]["colour"] = "unknown keys are ignored";
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V2, true);
    const WorkstationDocument mixed = test::mixedDocument();
    EXPECT_EQ(document.templates[3].type(), TemplateType::Sector);
    EXPECT_EQ(document.templates[0].body, mixed.templates[0].body);
    EXPECT_EQ(std::get<SquareZones>(document.templates[4].body), std::get<SquareZones>(mixed.templates[4].body));
    EXPECT_FALSE(std::get<SectorZones>(document.templates[6].body).notify.has_value());
    EXPECT_FALSE(std::get<SectorZones>(document.templates[7].body).notify.has_value());
    EXPECT_EQ(document.templates[11].index, 11);
}

TEST(DeviceJsonReader, ReadsWhatIsThereAndDefaultsTheRest)
{
    // Only template 4, debug on and no V2 key: the other templates and options keep their defaults.
    json j = deviceJson();
    j["ZoneIndex"] = 4;
    j["debug"] = true;
    j["Zones"] = json{{"4", j["Zones"]["4"]}};
    for (const char* key : device_keys::kV2OptionKeys) {
        j.erase(key);
    }
    AdvancedOptions debugOnly;
    debugOnly.debug = true;
    const WorkstationDocument document = parseDeviceDocument(j, AlgorithmVersion::V2, false);
    EXPECT_EQ(document.activeIndex, 4);
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        const ZoneTemplate& t = document.templates[slot];
        EXPECT_EQ(t.index, static_cast<std::int32_t>(slot));
        EXPECT_EQ(t.options, debugOnly);
        EXPECT_EQ(t.body, slot == 4 ? test::mixedDocument().templates[4].body : ZoneBody{SquareZones{}}) << slot;
    }

    // V1 reads no V2 key, however malformed.
    j["semantics"] = "not read";
    j["forklift_2d_enhance"] = 7;
    EXPECT_EQ(parseDeviceDocument(j, AlgorithmVersion::V1, false).templates[4].options, debugOnly);
}

TEST(DeviceJsonReader, ValidationIssuesComeTogetherAfterTheStructure)
{
    json j = deviceJson();
    j["Zones"]["0"]["DangerZone"][0] = -5.0;
    j["Zones"]["3"]["DangerZone"][0] = 99999.0;
    const ValidationIssueList expected{
        {"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"templates[3].distance", "danger radius must not exceed warning radius"},
    };
    EXPECT_EQ(issuesOf([&] { (void)parseDeviceDocument(j, AlgorithmVersion::V2, true); }), expected);
}

TEST(BuildDeviceDocument, WritesTheCameraLayout)
{
    const json out = buildDeviceDocument(mixedV2(), json::object());

    EXPECT_EQ(out["T"], json::array({101.0, -22.0, 1430.0}));
    ASSERT_EQ(out["Zones"].size(), 20U);
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

    // The camera-wide flags come from the active template (7).
    json flags;
    for (const char* key : device_keys::kFlagKeys) {
        flags[key] = out[key];
    }
    EXPECT_EQ(flags, json::parse(R"({"debug": false, "semantics": false, "semantics_output": false,
        "enhanced_detection": true, "simple_output": true, "none_semantic_cluster_output": false,
        "forklift_2d_enhance": [-100, -300, 200, 400], "ground_hole_detection": false,
        "ground_hole_param": [907, 200, 600, 40, 45, 12]})"));
    EXPECT_NE(out.dump().find("\"T\":[101.0,-22.0,1430.0]"), std::string::npos);
}

TEST(BuildDeviceDocument, RefusesInvalidInputWithoutResult)
{
    WorkstationDocument invalid;
    invalid.activeIndex = 30;
    const ValidationIssueList issues{{"activeIndex", "must be an integer from 0 to 19"}};
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
    EXPECT_EQ(issuesOf([] { (void)mergeIntoDeviceDocument(WorkstationDocument{}, json(nullptr), {}); }),
              (ValidationIssueList{{"$baseDeviceJson", "must be an object"}}));
}

TEST(BuildDeviceDocument, KeepsTheCamerasKeysAndParsesBackToTheSameConfiguration)
{
    WorkstationDocument gimbal = mixedV2();
    gimbal.extrinsics.pitch = 90.0;
    for (const WorkstationDocument& document : {WorkstationDocument{}, mixedV2(), test::mixedDocument(), gimbal}) {
        const json device = buildDeviceDocument(document, cameraBase());
        EXPECT_EQ(device["firmware_note"], "keep me");
        EXPECT_FALSE(device["Zones"].contains("notes"));   // the zones are rebuilt whole
        for (const char* key : device_keys::kV2OptionKeys) {
            EXPECT_EQ(device.contains(key), document.algorithmVersion == AlgorithmVersion::V2) << key;
        }
        const WorkstationDocument back = parseDeviceDocument(device, document.algorithmVersion, true);
        EXPECT_EQ(test::deviceRoundTripDifference(document, back, 1e-12), "");
        EXPECT_EQ(parseDeviceDocumentText(device.dump(), document.algorithmVersion, true), back);
    }
}

TEST(MergeIntoDeviceDocument, OptionsSelectWhatIsReplaced)
{
    const json base = cameraBase();

    // Template 3 alone, without pose and flags: the rest of the camera's JSON stays as it is.
    DeviceMergeOptions one;
    one.selectedIndex = 3;
    one.includeExtrinsics = false;
    one.includeFlags = false;
    json expected = base;
    for (const char* key : {"ZoneType", "DangerZone", "WarningZone", "NotifyZone"}) {
        expected["Zones"]["3"][key] = deviceJson()["Zones"]["3"][key];
    }
    expected["ZoneIndex"] = 3;
    EXPECT_EQ(mergeIntoDeviceDocument(mixedV2(), base, one), expected);

    // Every template, with the pose and the flags of the selected one; the zones keep their own keys.
    DeviceMergeOptions all;
    all.allTemplates = true;
    all.selectedIndex = 5;
    WorkstationDocument selected = mixedV2();
    selected.activeIndex = 5;
    expected = buildDeviceDocument(selected, base);
    expected["Zones"]["3"]["Sensitivity"] = 4;
    expected["Zones"]["5"]["Custom"] = json::array({1});
    expected["Zones"]["notes"] = "not a template";
    EXPECT_EQ(mergeIntoDeviceDocument(mixedV2(), base, all), expected);
}

TEST(MergeIntoDeviceDocument, RepairsMissingContainersAndRejectsBadSelection)
{
    for (const json& zones : {json(nullptr), json::array({1, 2}), json{{"7", "broken"}}}) {
        json base = cameraBase();
        base["Zones"] = zones;
        const json merged = mergeIntoDeviceDocument(mixedV2(), base, DeviceMergeOptions{});
        EXPECT_EQ(merged["Zones"]["7"], deviceJson()["Zones"]["7"]) << zones;
    }

    for (const std::int32_t bad : {-1, 20}) {
        DeviceMergeOptions options;
        options.selectedIndex = bad;
        EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(mixedV2(), cameraBase(), options); }),
                  (ValidationIssueList{{"$deviceExport.selectedIndex", "must be an integer from 0 to 19"}}))
            << bad;
    }
}

std::vector<std::string> paths(const FieldDifferenceList& differences)
{
    std::vector<std::string> result;
    for (const FieldDifference& difference : differences) {
        result.push_back(difference.path);
    }
    return result;
}

// A written template 3 and camera-wide flags, as an apply sends them.
json requestedDocument()
{
    return json::parse(R"({
      "Zones": {"3": {"ZoneType": "square", "DangerZone": [300.0, 1500.0, -700.0, 700.0, 50.0, 1800.0],
                      "WarningZone": [1500, 2500, -700, 700, 50, 1800], "NotifyZone": []}},
      "debug": false, "semantics": true, "forklift_2d_enhance": [0, 0, 0, 0],
      "ground_hole_detection": true, "ground_hole_param": [850, 186, 608, 50, 50, 10]
    })");
}

TEST(ReadbackComparison, ValuesCompareWithinTheFloatToleranceByTypeLengthAndRequestedKeys)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        json requested;
        json actual;
        bool equal;
    };
    const Case cases[] = {
        {1500.0, 1500.0015, true},     // 1500 * 1e-6 + 1e-5 = 0.00151
        {1500.0, 1500.0016, false},
        {0.0, 0.00001, true},          // the absolute floor
        {0.0, 0.00002, false},
        {-700.0, -700.0005, true},
        {nan, nan, false},
        {inf, inf, false},
        {5, 5.000001, true},           // integer against the camera's float
        {json::parse("[1, 2]"), json::parse("[1.0, 2.0]"), true},
        {json::parse("[1, 2]"), json::parse("[1.0, 2.0, 3.0]"), false},
        {json::parse(R"({"a": 1})"), json::parse(R"({"a": 1.0, "extra": true})"), true},   // extra keys are fine
        {json::parse(R"({"a": 1, "b": 2})"), json::parse(R"({"a": 1.0})"), false},
        {false, 0, false},             // no truthiness
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readbackValuesEqual(c.requested, c.actual), c.equal) << c.requested << " vs " << c.actual;
        if (c.requested.is_number() && c.actual.is_number()) {
            EXPECT_EQ(readbackValuesEqual(c.actual, c.requested), c.equal) << c.actual << " vs " << c.requested;
        }
    }
}

struct ReadbackCase {
    const char* name;
    // Applied to the read-back copy of the request (and, for a few, to the request).
    void (*changeReadBack)(json& readBack);
    void (*changeRequest)(json& request);
    std::vector<std::string> differingPaths;
};

void noChange(json&) {}

TEST(ReadbackComparison, ListsTheFieldsTheCameraDoesNotHold)
{
    const std::vector<ReadbackCase> cases = {
        {"template missing", [](json& r) { r["Zones"].erase("3"); }, noChange, {"Zones.3"}},
        {"no Zones at all", [](json& r) { r.erase("Zones"); }, noChange, {"Zones.3"}},
        {"request lacks the template", noChange, [](json& q) { q["Zones"].erase("3"); }, {"Zones.3"}},
        {"other templates and unknown keys are not compared",
         [](json& r) {
             r["Zones"]["4"] = json::object();
             r["cluster_tolerance"] = 150.0;
             r["Zones"]["3"]["Extra"] = 1;
         },
         noChange, {}},
        {"empty NotifyZone absent", [](json& r) { r["Zones"]["3"].erase("NotifyZone"); }, noChange, {}},
        {"a real NotifyZone must come back",
         [](json& r) { r["Zones"]["3"].erase("NotifyZone"); },
         [](json& q) { q["Zones"]["3"]["NotifyZone"] = json::array({0, 1, 2, 3, 4, 5}); }, {"Zones.3.NotifyZone"}},
        {"square implied by six-number boxes", [](json& r) { r["Zones"]["3"].erase("ZoneType"); }, noChange, {}},
        {"square not implied by seven-number boxes",
         [](json& r) {
             r["Zones"]["3"].erase("ZoneType");
             r["Zones"]["3"]["DangerZone"].push_back(0.0);
         },
         noChange, {"Zones.3.DangerZone", "Zones.3.ZoneType"}},
        {"squareFree has no allowance", [](json& r) { r["Zones"]["3"].erase("ZoneType"); },
         [](json& q) { q["Zones"]["3"]["ZoneType"] = "squareFree"; }, {"Zones.3.ZoneType"}},
        {"flag lost", [](json& r) { r.erase("semantics"); }, noChange, {"semantics"}},
        {"forklift false may be absent", [](json& r) { r.erase("forklift_2d_enhance"); },
         [](json& q) { q["forklift_2d_enhance"] = false; }, {}},
        {"forklift array may not", [](json& r) { r.erase("forklift_2d_enhance"); }, noChange,
         {"forklift_2d_enhance"}},
        {"hole parameters ignored while detection is off", [](json& r) { r["ground_hole_param"][0] = 999.0; },
         [](json& q) { q["ground_hole_detection"] = false; }, {}},
        {"flags the request does not carry are not compared", [](json& r) { r["simple_output"] = true; }, noChange,
         {}},
        {"fields in check order",
         [](json& r) {
             r["ground_hole_param"] = json::array();
             r["Zones"]["3"]["WarningZone"][0] = 0.0;
             r["Zones"]["3"]["DangerZone"][0] = 0.0;
             r["debug"] = true;
         },
         noChange, {"Zones.3.DangerZone", "Zones.3.WarningZone", "debug", "ground_hole_param"}},
    };
    for (const ReadbackCase& c : cases) {
        json request = requestedDocument();
        c.changeRequest(request);
        json readBack = request;
        c.changeReadBack(readBack);
        EXPECT_EQ(paths(compareReadback(request, readBack, 3)), c.differingPaths) << c.name;
    }
}

TEST(ReadbackComparison, DescribesEachFieldWithBothValues)
{
    json readBack = requestedDocument();
    readBack["Zones"]["3"]["DangerZone"][1] = 1500.1;
    readBack.erase("semantics");
    readBack["debug"] = std::string("on\xff");   // broken UTF-8 from the camera is described, not thrown
    EXPECT_EQ(describeDifferences(compareReadback(requestedDocument(), readBack, 3)),
              "Zones.3.DangerZone：请求 [300.0,1500.0,-700.0,700.0,50.0,1800.0]，"
              "回读 [300.0,1500.1,-700.0,700.0,50.0,1800.0]；"
              "debug：请求 false，回读 \"on\xef\xbf\xbd\"；"
              "semantics：请求 true，回读 字段缺失");
}

struct FamilyCase {
    const char* name;
    std::function<void(WorkstationDocument&)> change;
    std::vector<std::string> paths;
};

TEST(ConfigurationDiff, EachFieldFamilyShowsWithItsPathInDocumentOrder)
{
    const std::vector<FamilyCase> cases = {
        {"every family",
         [](WorkstationDocument& d) {
             AdvancedOptions& options = activeTemplate(d).options;
             options.debug = true;
             options.semantic.maxX = 500.0;
             options.groundVoid.enabled = true;
             options.groundVoid.halfWidth = 700.0;
             std::get<SquareZones>(d.templates[9].body).heightUpper = 1500.0;
             std::get<SquareZones>(d.templates[0].body).rangeLeft = -600.0;
             d.extrinsics.yaw = 80.0;
             d.extrinsics.z = 600.0;
         },
         {"R", "T", "Zones.0.DangerZone", "Zones.0.WarningZone", "Zones.9.DangerZone", "Zones.9.WarningZone", "debug",
          "forklift_2d_enhance", "ground_hole_detection", "ground_hole_param"}},
        {"free-box notify",
         [](WorkstationDocument& d) { d.templates[2] = defaultZoneTemplate(2, TemplateType::SquareFree); },
         {"Zones.2.DangerZone", "Zones.2.WarningZone", "Zones.2.ZoneType", "Zones.2.NotifyZone"}},
        // The ground-hole parameters go too, but count only while holes are detected.
        {"V1 drops the V2 flags", [](WorkstationDocument& d) { d.algorithmVersion = AlgorithmVersion::V1; },
         {"semantics", "semantics_output", "enhanced_detection", "simple_output", "none_semantic_cluster_output",
          "forklift_2d_enhance", "ground_hole_detection"}},
    };
    const WorkstationDocument before;
    for (const FamilyCase& c : cases) {
        WorkstationDocument after = before;
        c.change(after);
        EXPECT_EQ(paths(diffWorkstationDocuments(before, after)), c.paths) << c.name;
    }
}

TEST(ConfigurationDiff, ApplyShowsOnlyWhatTheWriteChangesOnTheCamera)
{
    // The camera runs template 1 and holds its own keys and a different template 8.
    WorkstationDocument running;
    std::get<SquareZones>(running.templates[8].body).emergencyStopUpper = 1150.0;
    json camera = buildDeviceDocument(running, json::object());
    camera["cluster_tolerance"] = 150.0;
    camera["Zones"]["1"]["Extra"] = true;
    camera["Zones"].erase("12");

    WorkstationDocument draft;
    draft.activeIndex = 3;
    std::get<SquareZones>(draft.templates[3].body).emergencyStopUpper = 1250.0;
    // Template 8 and the missing 12 differ in the draft too, but an apply only writes template 3.
    EXPECT_EQ(paths(diffApplyAgainstCamera(draft, camera)),
              (std::vector<std::string>{"ZoneIndex", "Zones.3.DangerZone", "Zones.3.WarningZone"}));
    EXPECT_TRUE(diffApplyAgainstCamera(running, camera).empty());

    // A template only one side holds shows whole.
    json without = camera;
    without["Zones"].erase("3");
    const FieldDifferenceList differences = diffDeviceDocuments(without, camera);
    ASSERT_EQ(paths(differences), std::vector<std::string>{"Zones.3"});
    EXPECT_FALSE(differences[0].actual.has_value());
    EXPECT_EQ(*differences[0].requested, camera["Zones"]["3"]);
}

}  // namespace
}  // namespace hazard_desk
