// The read-back comparison: which fields of a written camera JSON the camera
// must hold, with the float tolerance and the allowances for what it drops.
#include "ReadbackComparison.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace hazard_desk {
namespace {

using nlohmann::json;

// A written template 3 and camera-wide flags, as an apply sends them.
json requestedDocument()
{
    return json::parse(R"({
      "ZoneIndex": 3,
      "Zones": {"3": {"ZoneType": "square",
                      "DangerZone": [300.0, 1500.0, -700.0, 700.0, 50.0, 1800.0],
                      "WarningZone": [1500.0, 2500.0, -700.0, 700.0, 50.0, 1800.0],
                      "NotifyZone": []}},
      "debug": false,
      "semantics": true,
      "forklift_2d_enhance": [0.0, 0.0, 0.0, 0.0],
      "ground_hole_detection": true,
      "ground_hole_param": [850.0, 186.0, 608.0, 50.0, 50.0, 10.0]
    })");
}

TEST(ReadbackComparison, NumbersAreEqualWithinTheFloatTolerance)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double a;
        double b;
        bool equal;
    };
    const std::vector<Case> cases = {
        {1500.0, 1500.000001, true},      // 1e-6 apart
        {1500.0, 1500.0015, true},        // 1500 * 1e-6 + 1e-5 = 0.00151
        {1500.0, 1500.0016, false},
        {1500.0, 1500.1, false},
        {0.0, 0.00001, true},             // the absolute floor
        {0.0, 0.00002, false},
        {-700.0, -700.0005, true},
        {nan, nan, false},
        {inf, inf, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(numbersEqual(c.a, c.b), c.equal) << c.a << " vs " << c.b;
        EXPECT_EQ(numbersEqual(c.b, c.a), c.equal) << c.b << " vs " << c.a;
    }
}

TEST(ReadbackComparison, ValuesCompareByTypeLengthAndRequestedKeys)
{
    struct Case {
        const char* requested;
        const char* actual;
        bool equal;
    };
    const std::vector<Case> cases = {
        {"5", "5.000001", true},                        // integer against the camera's float
        {"[1, 2]", "[1.0, 2.0]", true},
        {"[1, 2]", "[1.0, 2.0, 3.0]", false},
        {R"({"a": 1})", R"({"a": 1.0, "extra": true})", true},   // extra read-back keys are fine
        {R"({"a": 1, "b": 2})", R"({"a": 1.0})", false},
        {"true", "true", true},
        {"false", "0", false},                          // no truthiness
        {"0", "false", false},
        {R"("square")", R"("square")", true},
        {R"("square")", R"("Square")", false},
        {"null", "null", true},
        {"null", "[]", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readbackValuesEqual(json::parse(c.requested), json::parse(c.actual)), c.equal)
            << c.requested << " vs " << c.actual;
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
        {"float noise", [](json& r) { r["Zones"]["3"]["DangerZone"][1] = 1500.000001; }, noChange, {}},
        {"moved boundary", [](json& r) { r["Zones"]["3"]["DangerZone"][1] = 1500.1; }, noChange,
         {"Zones.3.DangerZone"}},
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
        {"empty NotifyZone different", [](json& r) { r["Zones"]["3"]["NotifyZone"] = json::array({1, 2}); }, noChange,
         {}},
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
        {"sector implied by seven-number boxes",
         [](json& r) { r["Zones"]["3"]["ZoneType"] = "fan"; },
         [](json& q) {
             q["Zones"]["3"]["ZoneType"] = "sector";
             q["Zones"]["3"]["DangerZone"] = json::array({1000.0, 30.0, 30.0, 0.0, 1000.0, 0.0, 0.0});
             q["Zones"]["3"]["WarningZone"] = json::array({1500.0, 30.0, 30.0, 0.0, 1000.0, 0.0, 0.0});
         },
         {}},
        {"squareFree has no allowance", [](json& r) { r["Zones"]["3"].erase("ZoneType"); },
         [](json& q) { q["Zones"]["3"]["ZoneType"] = "squareFree"; }, {"Zones.3.ZoneType"}},
        {"flag lost", [](json& r) { r.erase("semantics"); }, noChange, {"semantics"}},
        {"flag differs", [](json& r) { r["debug"] = true; }, noChange, {"debug"}},
        {"forklift false may be absent", [](json& r) { r.erase("forklift_2d_enhance"); },
         [](json& q) { q["forklift_2d_enhance"] = false; }, {}},
        {"forklift array may not", [](json& r) { r.erase("forklift_2d_enhance"); }, noChange,
         {"forklift_2d_enhance"}},
        {"hole parameters ignored while detection is off", [](json& r) { r["ground_hole_param"][0] = 999.0; },
         [](json& q) { q["ground_hole_detection"] = false; }, {}},
        {"hole parameters compared while detection is on", [](json& r) { r["ground_hole_param"][0] = 999.0; },
         noChange, {"ground_hole_param"}},
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
        std::vector<std::string> paths;
        for (const FieldDifference& difference : compareReadback(request, readBack, 3)) {
            paths.push_back(difference.path);
        }
        EXPECT_EQ(paths, c.differingPaths) << c.name;
    }
}

TEST(ReadbackComparison, DescribesEachFieldWithBothValues)
{
    json readBack = requestedDocument();
    readBack["Zones"]["3"]["DangerZone"][1] = 1500.1;
    readBack.erase("semantics");
    const FieldDifferenceList differences = compareReadback(requestedDocument(), readBack, 3);
    EXPECT_EQ(describeDifferences(differences),
              "Zones.3.DangerZone：请求 [300.0,1500.0,-700.0,700.0,50.0,1800.0]，"
              "回读 [300.0,1500.1,-700.0,700.0,50.0,1800.0]；"
              "semantics：请求 true，回读 字段缺失");
    EXPECT_EQ(describeDifferences({}), "");
    EXPECT_EQ(describeDifferences({{"Zones.3", std::nullopt, json::object()}}), "Zones.3：请求 字段缺失，回读 {}");
}

TEST(ReadbackComparison, CameraTextWithBrokenUtf8IsDescribedNotThrown)
{
    json readBack = requestedDocument();
    readBack["debug"] = std::string("on\xff");
    const std::string text = describeDifferences(compareReadback(requestedDocument(), readBack, 3));
    EXPECT_EQ(text, "debug：请求 false，回读 \"on\xef\xbf\xbd\"");
}

}  // namespace
}  // namespace hazard_desk
