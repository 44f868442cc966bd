// What the camera holds against what was written or is about to be: the
// read-back comparison (which fields the camera must hold, with the float
// tolerance and the allowances for what it drops) and the diff shown before
// an apply (each field family with its path and both values, in document
// order, nothing for forms the camera treats as the same).
#include "ConfigurationDiff.h"
#include "DeviceJsonWriter.h"
#include "ReadbackComparison.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace hazard_desk {
namespace {

using nlohmann::json;

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
        {true, true, true},
        {false, 0, false},             // no truthiness
        {"square", "Square", false},
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
        {"identical", noChange, noChange, {}},
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
        {"null and {} NotifyZone count as empty", [](json& r) { r["Zones"]["3"].erase("NotifyZone"); },
         [](json& q) { q["Zones"]["3"]["NotifyZone"] = json::object(); }, {}},
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
    EXPECT_EQ(describeDifferences({{"Zones.3", std::nullopt, json::object()}}), "Zones.3：请求 字段缺失，回读 {}");
}

SquareZones& square(WorkstationDocument& document, int index)
{
    return std::get<SquareZones>(document.templates[static_cast<std::size_t>(index)].body);
}

TEST(ConfigurationDiff, FormsTheCameraTreatsAsTheSameAreNoDifference)
{
    // A camera that stores floats and drops empty notify zones and types.
    const WorkstationDocument document;
    const json written = buildDeviceDocument(document, json::object());
    json stored = written;
    for (auto& zone : stored["Zones"]) {
        zone.erase("NotifyZone");
        zone.erase("ZoneType");
    }
    stored["forklift_2d_enhance"] = json::array({0.0, 0.0, 0.0, 0.0});
    stored["ground_hole_param"][0] = 999.0;   // detection is off on both sides
    EXPECT_EQ(paths(diffDeviceDocuments(stored, written)), std::vector<std::string>{});
    EXPECT_EQ(paths(diffDeviceDocuments(written, stored)), std::vector<std::string>{});
}

struct FamilyCase {
    const char* name;
    std::function<void(WorkstationDocument&)> change;
    std::vector<std::string> paths;
};

TEST(ConfigurationDiff, EachFieldFamilyShowsWithItsPath)
{
    const std::vector<FamilyCase> cases = {
        {"float noise", [](WorkstationDocument& d) { square(d, 3).emergencyStopUpper += 0.000001; }, {}},
        {"free-box notify",
         [](WorkstationDocument& d) { d.templates[2] = defaultZoneTemplate(2, TemplateType::SquareFree); },
         {"Zones.2.DangerZone", "Zones.2.WarningZone", "Zones.2.ZoneType", "Zones.2.NotifyZone"}},
        {"semantic flag and window",
         [](WorkstationDocument& d) {
             activeTemplate(d).options.semantic.enabled = true;
             activeTemplate(d).options.semantic.maxX = 500.0;
         },
         {"semantics", "forklift_2d_enhance"}},
        {"ground-hole parameters while detecting",
         [](WorkstationDocument& d) {
             activeTemplate(d).options.groundVoid.enabled = true;
             activeTemplate(d).options.groundVoid.halfWidth = 700.0;
         },
         {"ground_hole_detection", "ground_hole_param"}},
        // The ground-hole parameters go too, but count only while holes are detected.
        {"V1 drops the V2 flags", [](WorkstationDocument& d) { d.algorithmVersion = AlgorithmVersion::V1; },
         {"semantics", "semantics_output", "enhanced_detection", "simple_output", "none_semantic_cluster_output",
          "forklift_2d_enhance", "ground_hole_detection"}},
        {"document order",
         [](WorkstationDocument& d) {
             activeTemplate(d).options.debug = true;
             square(d, 9).heightUpper = 1500.0;
             square(d, 0).rangeLeft = -600.0;
             d.extrinsics.yaw = 80.0;
             d.extrinsics.z = 600.0;
         },
         {"R", "T", "Zones.0.DangerZone", "Zones.0.WarningZone", "Zones.9.DangerZone", "Zones.9.WarningZone", "debug"}},
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
    square(running, 8).emergencyStopUpper = 1150.0;
    json camera = buildDeviceDocument(running, json::object());
    camera["cluster_tolerance"] = 150.0;
    camera["Zones"]["1"]["Extra"] = true;
    camera["Zones"].erase("12");

    WorkstationDocument draft;
    draft.activeIndex = 3;
    square(draft, 3).emergencyStopUpper = 1250.0;
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
