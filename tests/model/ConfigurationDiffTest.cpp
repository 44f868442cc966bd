// The diff of two configurations shown before an apply: each field family
// with its read-back path and both values, in document order, and nothing
// for forms the camera treats as the same.
#include "ConfigurationDiff.h"

#include "DeviceJsonWriter.h"

#include <gtest/gtest.h>

#include <functional>
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

SquareZones& square(WorkstationDocument& document, int index)
{
    return std::get<SquareZones>(document.templates[static_cast<std::size_t>(index)].body);
}

TEST(ConfigurationDiff, EqualDocumentsWithinTheToleranceHaveNoDifferences)
{
    const WorkstationDocument document;
    WorkstationDocument noisy = document;
    square(noisy, 3).emergencyStopUpper += 0.000001;
    noisy.extrinsics.z += 0.000001;
    EXPECT_TRUE(diffWorkstationDocuments(document, noisy).empty());

    // A camera that stores floats and drops empty notify zones and types.
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
        {"pose angle", [](WorkstationDocument& d) { d.extrinsics.roll = 80.0; }, {"R"}},
        {"pose position", [](WorkstationDocument& d) { d.extrinsics.z = 600.0; }, {"T"}},
        {"running template", [](WorkstationDocument& d) { d.activeIndex = 4; }, {"ZoneIndex"}},
        {"danger boundary", [](WorkstationDocument& d) { square(d, 5).emergencyStopUpper = 1100.0; },
         {"Zones.5.DangerZone", "Zones.5.WarningZone"}},
        {"warning only", [](WorkstationDocument& d) { square(d, 5).decelerationUpper = 2000.0; },
         {"Zones.5.WarningZone"}},
        {"template type",
         [](WorkstationDocument& d) { d.templates[7] = defaultZoneTemplate(7, TemplateType::Sector); },
         {"Zones.7.DangerZone", "Zones.7.WarningZone", "Zones.7.ZoneType"}},
        {"free-box notify",
         [](WorkstationDocument& d) { d.templates[2] = defaultZoneTemplate(2, TemplateType::SquareFree); },
         {"Zones.2.DangerZone", "Zones.2.WarningZone", "Zones.2.ZoneType", "Zones.2.NotifyZone"}},
        {"debug flag", [](WorkstationDocument& d) { activeTemplate(d).options.debug = true; }, {"debug"}},
        {"semantic flag and window",
         [](WorkstationDocument& d) {
             activeTemplate(d).options.semantic.enabled = true;
             activeTemplate(d).options.semantic.maxX = 500.0;
         },
         {"semantics", "forklift_2d_enhance"}},
        {"ground holes on",
         [](WorkstationDocument& d) { activeTemplate(d).options.groundVoid.enabled = true; },
         {"ground_hole_detection"}},
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
         },
         {"R", "Zones.0.DangerZone", "Zones.0.WarningZone", "Zones.9.DangerZone", "Zones.9.WarningZone", "debug"}},
    };
    const WorkstationDocument before;
    for (const FamilyCase& c : cases) {
        WorkstationDocument after = before;
        c.change(after);
        EXPECT_EQ(paths(diffWorkstationDocuments(before, after)), c.paths) << c.name;
    }
}

TEST(ConfigurationDiff, DifferencesCarryBothValues)
{
    WorkstationDocument before;
    WorkstationDocument after = before;
    square(after, 1).decelerationUpper = 2000.0;
    after.algorithmVersion = AlgorithmVersion::V1;
    const FieldDifferenceList differences = diffWorkstationDocuments(before, after);
    ASSERT_GE(differences.size(), 2U);
    EXPECT_EQ(differences[0].path, "Zones.1.WarningZone");
    EXPECT_EQ(*differences[0].actual, json::parse("[1200.0, 1300.0, -500.0, 500.0, 50.0, 1000.0]"));
    EXPECT_EQ(*differences[0].requested, json::parse("[1200.0, 2000.0, -500.0, 500.0, 50.0, 1000.0]"));
    EXPECT_EQ(differences[1].path, "semantics");
    EXPECT_EQ(*differences[1].actual, false);
    EXPECT_FALSE(differences[1].requested.has_value()) << "V1 writes no V2 flags";
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
