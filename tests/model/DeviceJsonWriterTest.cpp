#include "ModelTestDocuments.h"

#include "DeviceRoundTrip.h"

#include "DeviceJsonKeys.h"
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "RotationConversion.h"

#include <gtest/gtest.h>

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

TEST(BuildDeviceDocument, WritesTheCameraLayout)
{
    const WorkstationDocument document = mixedV2();
    const json out = buildDeviceDocument(document, json::object());

    const RotationMatrix r = rotationFromEulerDegrees(12.5, -30.25, 170.0);
    ASSERT_EQ(out["R"].size(), 9U);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(out["R"][i].get<double>(), r[i]);
    }
    EXPECT_EQ(out["T"], json::array({101.0, -22.0, 1430.0}));
    EXPECT_TRUE(out["T"][0].is_number_float());
    EXPECT_EQ(out["ZoneIndex"], 7);
    EXPECT_TRUE(out["ZoneIndex"].is_number_integer());
    ASSERT_EQ(out["Zones"].size(), 20U);
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(out["Zones"].contains(std::to_string(i)));
    }
    const json& square = out["Zones"]["0"];
    EXPECT_EQ(square["ZoneType"], "square");
    EXPECT_EQ(square["DangerZone"], json::array({0.0, 1200.0, -500.0, 500.0, 50.0, 1000.0}));
    EXPECT_EQ(square["WarningZone"], json::array({1200.0, 1300.0, -500.0, 500.0, 50.0, 1000.0}));
    EXPECT_EQ(square["NotifyZone"], json::array());
    const json& free = out["Zones"]["1"];
    EXPECT_EQ(free["ZoneType"], "squareFree");
    EXPECT_EQ(free["NotifyZone"], json::array({3000.0, 6001.5, -1500.0, 1500.0, 100.0, 2000.0}));
    const json& sector = out["Zones"]["2"];
    EXPECT_EQ(sector["ZoneType"], "sector");
    EXPECT_EQ(sector["DangerZone"], json::array({900.0, 35.0, 45.0, 10.0, 800.0, 12.0, -3.5}));
    EXPECT_EQ(sector["NotifyZone"], json::array({2500.0, 60.0, 60.0, 30.0, 950.0, 12.0, -3.5}));
    EXPECT_EQ(out["Zones"]["3"]["NotifyZone"], json::array());

    // Flags come from the active template (7): debug false, ground void off, semantic off.
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
    const json before = base;
    const json v2 = buildDeviceDocument(mixedV2(), base);
    EXPECT_EQ(base, before);
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
    EXPECT_EQ(issuesOf([] { (void)buildDeviceDocument(WorkstationDocument{}, json::array()); }),
              (ValidationIssueList{{"$baseDeviceJson", "must be an object"}}));
    WorkstationDocument invalid;
    invalid.activeIndex = 30;
    std::get<SquareZones>(invalid.templates[2].body).rangeLeft = 600.0;
    EXPECT_EQ(issuesOf([&] { (void)buildDeviceDocument(invalid, json::array()); }),
              (ValidationIssueList{{"activeIndex", "must be an integer from 0 to 19"},
                                   {"templates[2].range", "rangeLeft must be less than rangeRight"}}));
    EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(invalid, json::object(), DeviceMergeOptions{}); }).size(),
              2U);

    // A hostile base nested far deeper than any camera JSON is refused, not copied.
    json deep = json::array();
    for (int level = 0; level < 50000; ++level) {
        json outer = json::array();
        outer.push_back(std::move(deep));
        deep = std::move(outer);
    }
    json hostile = json::object();
    hostile["x"] = std::move(deep);
    const ValidationIssueList issues = issuesOf([&] { (void)buildDeviceDocument(WorkstationDocument{}, hostile); });
    ASSERT_EQ(issues.size(), 1U);
    EXPECT_EQ(issues[0].path, "$baseDeviceJson");
    EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(WorkstationDocument{}, hostile, {}); }), issues);
}

TEST(BuildDeviceDocument, ParsesBackToTheSameConfiguration)
{
    WorkstationDocument gimbal = mixedV2();
    gimbal.extrinsics.pitch = 90.0;
    for (const WorkstationDocument& document : {WorkstationDocument{}, mixedV2(), test::mixedDocument(), gimbal}) {
        const json device = buildDeviceDocument(document, cameraBase());
        const WorkstationDocument back = parseDeviceDocument(device, document.algorithmVersion, true);
        EXPECT_EQ(test::deviceRoundTripDifference(document, back, 1e-12), "");
        const WorkstationDocument fromText =
            parseDeviceDocumentText(device.dump(), document.algorithmVersion, true);
        EXPECT_EQ(fromText, back);
    }
}

TEST(MergeIntoDeviceDocument, WritesOnlyTheSelectedTemplate)
{
    const json base = cameraBase();
    const json before = base;
    DeviceMergeOptions options;
    options.selectedIndex = 3;
    options.includeExtrinsics = false;
    options.includeFlags = false;
    const json out = mergeIntoDeviceDocument(mixedV2(), base, options);
    EXPECT_EQ(base, before);

    const json generated = buildDeviceDocument(mixedV2(), json::object());
    EXPECT_EQ(out["Zones"]["3"]["Sensitivity"], 4);
    for (const char* key : {"ZoneType", "DangerZone", "WarningZone", "NotifyZone"}) {
        EXPECT_EQ(out["Zones"]["3"][key], generated["Zones"]["3"][key]) << key;
    }
    EXPECT_EQ(out["Zones"]["5"], base["Zones"]["5"]);
    EXPECT_EQ(out["Zones"]["notes"], "not a template");
    EXPECT_EQ(out["Zones"].size(), base["Zones"].size());
    EXPECT_EQ(out["ZoneIndex"], 3);
    EXPECT_EQ(out["R"], base["R"]);
    EXPECT_EQ(out["T"], base["T"]);
    EXPECT_EQ(out["semantics"], true);
    EXPECT_EQ(out["ground_hole_param"], base["ground_hole_param"]);
    EXPECT_EQ(out["firmware_note"], "keep me");
}

TEST(MergeIntoDeviceDocument, OptionsSelectWhatIsReplaced)
{
    const json base = cameraBase();
    WorkstationDocument document = mixedV2();
    document.templates[5].options.semantic.enabled = false;
    document.templates[5].options.debug = true;

    DeviceMergeOptions all;
    all.allTemplates = true;
    all.selectedIndex = 5;
    const json out = mergeIntoDeviceDocument(document, base, all);
    WorkstationDocument selected = document;
    selected.activeIndex = 5;
    const json generated = buildDeviceDocument(selected, json::object());
    for (int i = 0; i < 20; ++i) {
        const std::string key = std::to_string(i);
        for (const char* zoneKey : {"ZoneType", "DangerZone", "WarningZone", "NotifyZone"}) {
            EXPECT_EQ(out["Zones"][key][zoneKey], generated["Zones"][key][zoneKey]) << key << zoneKey;
        }
    }
    EXPECT_EQ(out["Zones"]["5"]["Custom"], json::array({1}));
    EXPECT_EQ(out["Zones"]["notes"], "not a template");
    EXPECT_EQ(out["R"], generated["R"]);
    EXPECT_EQ(out["T"], generated["T"]);
    EXPECT_EQ(out["ZoneIndex"], 5);
    EXPECT_EQ(out["debug"], true);
    EXPECT_EQ(out["semantics"], false);
    EXPECT_EQ(out["ground_hole_param"], generated["ground_hole_param"]);

    // A V1 document's flags remove the V2 keys from the camera JSON.
    const json v1 = mergeIntoDeviceDocument(test::mixedDocument(), base, DeviceMergeOptions{});
    EXPECT_FALSE(v1.contains("semantics"));
    EXPECT_FALSE(v1.contains("ground_hole_param"));
    EXPECT_EQ(v1["ZoneIndex"], 7);
    EXPECT_TRUE(v1["Zones"].contains("7"));
    EXPECT_EQ(v1["firmware_note"], "keep me");
}

TEST(MergeIntoDeviceDocument, RepairsMissingContainersAndRejectsBadSelection)
{
    json noZones = cameraBase();
    noZones.erase("Zones");
    const json created = mergeIntoDeviceDocument(mixedV2(), noZones, DeviceMergeOptions{});
    ASSERT_TRUE(created["Zones"].is_object());
    EXPECT_EQ(created["Zones"].size(), 1U);
    EXPECT_TRUE(created["Zones"].contains("7"));

    json zonesArray = cameraBase();
    zonesArray["Zones"] = json::array({1, 2});
    EXPECT_TRUE(mergeIntoDeviceDocument(mixedV2(), zonesArray, DeviceMergeOptions{})["Zones"].is_object());

    json zoneText = cameraBase();
    zoneText["Zones"]["7"] = "broken";
    EXPECT_TRUE(mergeIntoDeviceDocument(mixedV2(), zoneText, DeviceMergeOptions{})["Zones"]["7"].is_object());

    for (const std::int32_t bad : {-1, 20, 1000}) {
        DeviceMergeOptions options;
        options.selectedIndex = bad;
        EXPECT_EQ(issuesOf([&] { (void)mergeIntoDeviceDocument(mixedV2(), cameraBase(), options); }),
                  (ValidationIssueList{{"$deviceExport.selectedIndex", "must be an integer from 0 to 19"}}))
            << bad;
    }
    EXPECT_EQ(issuesOf([] { (void)mergeIntoDeviceDocument(WorkstationDocument{}, json(nullptr), {}); }),
              (ValidationIssueList{{"$baseDeviceJson", "must be an object"}}));
}

}  // namespace
}  // namespace hazard_desk
