#include "ModelTestDocuments.h"

#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace hazard_desk {
namespace {

using nlohmann::json;
using test::issuesOf;

// Serialized mixed document: slot 0 square, 1 squareFree, 2 sector with notify, 3 default sector.
json mixedJson()
{
    return serializeWorkstationDocument(test::mixedDocument());
}

struct StructuralCase {
    const char* name;
    std::function<void(json&)> mutate;
    const char* path;
    const char* message;
};

TEST(WorkstationJsonReader, StructuralErrorsStopAtTheFirstWithOneIssue)
{
    const double inf = std::numeric_limits<double>::infinity();
    const StructuralCase cases[] = {
        {"root array", [](json& j) { j = json::array(); }, "$", "workstation parameter document must be an object"},
        {"no version", [](json& j) { j.erase("version"); }, "$.version", "missing required field"},
        {"version 2", [](json& j) { j["version"] = 2; }, "$.version", "unsupported workstation JSON version"},
        {"version float", [](json& j) { j["version"] = 1.0; }, "$.version", "unsupported workstation JSON version"},
        {"algorithm number", [](json& j) { j["algorithmVersion"] = 2; }, "$.algorithmVersion", "must be a string"},
        {"algorithm lower v3", [](json& j) { j["algorithmVersion"] = "v3"; }, "$.algorithmVersion", "must be v1 or v2"},
        {"active float", [](json& j) { j["activeIndex"] = 1.0; }, "$.activeIndex", "must be an integer"},
        {"active 2^31", [](json& j) { j["activeIndex"] = 2147483648LL; }, "$.activeIndex",
         "is outside the supported integer range"},
        {"active unsigned huge", [](json& j) { j["activeIndex"] = 18446744073709551615ULL; }, "$.activeIndex",
         "is outside the supported integer range"},
        {"active below int32", [](json& j) { j["activeIndex"] = -2147483649LL; }, "$.activeIndex",
         "is outside the supported integer range"},
        {"no extrinsics", [](json& j) { j.erase("extrinsics"); }, "$.extrinsics", "missing required field"},
        {"extrinsics array", [](json& j) { j["extrinsics"] = json::array(); }, "$.extrinsics", "must be an object"},
        {"no roll", [](json& j) { j["extrinsics"].erase("roll"); }, "$.extrinsics.roll", "missing required field"},
        {"yaw text", [](json& j) { j["extrinsics"]["yaw"] = "90"; }, "$.extrinsics.yaw", "must be a finite JSON number"},
        {"pitch infinite", [inf](json& j) { j["extrinsics"]["pitch"] = inf; }, "$.extrinsics.pitch", "must be finite"},
        {"no x nor posX", [](json& j) { j["extrinsics"].erase("x"); }, "$.extrinsics.posX", "missing required field"},
        {"x null", [](json& j) { j["extrinsics"]["x"] = nullptr; }, "$.extrinsics.x", "must be a finite JSON number"},
        {"posY text", [](json& j) { j["extrinsics"].erase("y"); j["extrinsics"]["posY"] = "1"; }, "$.extrinsics.posY",
         "must be a finite JSON number"},
        {"no templates", [](json& j) { j.erase("templates"); }, "$.templates", "missing required field"},
        {"templates object", [](json& j) { j["templates"] = json::object(); }, "$.templates",
         "must contain exactly 20 templates"},
        {"19 templates", [](json& j) { j["templates"].erase(19); }, "$.templates", "must contain exactly 20 templates"},
        {"21 templates", [](json& j) { j["templates"].push_back(j["templates"][0]); }, "$.templates",
         "must contain exactly 20 templates"},
        {"entry number", [](json& j) { j["templates"][3] = 5; }, "$.templates[3]", "must be an object"},
        {"no index nor obstacleIndex", [](json& j) { j["templates"][3].erase("index"); }, "$.templates[3].obstacleIndex",
         "missing required field"},
        {"index text", [](json& j) { j["templates"][3]["index"] = "3"; }, "$.templates[3].index", "must be an integer"},
        {"obstacleIndex float",
         [](json& j) {
             j["templates"][3].erase("index");
             j["templates"][3]["obstacleIndex"] = 3.0;
         },
         "$.templates[3].obstacleIndex", "must be an integer"},
        {"index huge", [](json& j) { j["templates"][3]["index"] = 10000000000LL; }, "$.templates[3].index",
         "is outside the supported integer range"},
        {"index 20", [](json& j) { j["templates"][3]["index"] = 20; }, "$.templates[3].index",
         "must uniquely cover every index from 0 to 19"},
        {"index -1", [](json& j) { j["templates"][3]["index"] = -1; }, "$.templates[3].index",
         "must uniquely cover every index from 0 to 19"},
        {"index 4 twice", [](json& j) { j["templates"][5]["index"] = 4; }, "$.templates[5].index",
         "must uniquely cover every index from 0 to 19"},
        {"obstacleIndex 20 reported at .index",
         [](json& j) {
             j["templates"][3].erase("index");
             j["templates"][3]["obstacleIndex"] = 20;
         },
         "$.templates[3].index", "must uniquely cover every index from 0 to 19"},
        {"no type", [](json& j) { j["templates"][3].erase("type"); }, "$.templates[3].type", "missing required field"},
        {"type number", [](json& j) { j["templates"][3]["type"] = 2; }, "$.templates[3].type", "must be a string"},
        {"type Fan", [](json& j) { j["templates"][3]["type"] = "Fan"; }, "$.templates[3].type",
         "must be square, squareFree, or sector"},
        {"square no lowerLimit", [](json& j) { j["templates"][0].erase("lowerLimit"); }, "$.templates[0].lowerLimit",
         "missing required field"},
        {"square rangeRight text", [](json& j) { j["templates"][0]["rangeRight"] = "500"; },
         "$.templates[0].rangeRight", "must be a finite JSON number"},
        {"free no zones", [](json& j) { j["templates"][1].erase("zones"); }, "$.templates[1].zones",
         "missing required field"},
        {"free zones array", [](json& j) { j["templates"][1]["zones"] = json::array(); }, "$.templates[1].zones",
         "must be an object"},
        {"free no warning", [](json& j) { j["templates"][1]["zones"].erase("warning"); },
         "$.templates[1].zones.warning", "missing required field"},
        {"free danger no maxZ", [](json& j) { j["templates"][1]["zones"]["danger"].erase("maxZ"); },
         "$.templates[1].zones.danger.maxZ", "missing required field"},
        {"sector no sector", [](json& j) { j["templates"][2].erase("sector"); }, "$.templates[2].sector",
         "missing required field"},
        {"sector text", [](json& j) { j["templates"][2]["sector"] = "x"; }, "$.templates[2].sector",
         "must be an object"},
        {"sector only danger", [](json& j) { j["templates"][2]["sector"].erase("warning"); }, "$.templates[2].sector",
         "danger and warning must either both be present or both be omitted"},
        {"sector only warning", [](json& j) { j["templates"][2]["sector"].erase("danger"); }, "$.templates[2].sector",
         "danger and warning must either both be present or both be omitted"},
        {"sector danger number", [](json& j) { j["templates"][2]["sector"]["danger"] = 3; },
         "$.templates[2].sector.danger", "must be an object"},
        {"sector warning radius bool", [](json& j) { j["templates"][2]["sector"]["warning"]["radius"] = true; },
         "$.templates[2].sector.warning.radius", "must be a finite JSON number"},
        {"sector notify array", [](json& j) { j["templates"][2]["sector"]["notify"] = json::array(); },
         "$.templates[2].sector.notify", "must be an object"},
        {"older form no leftAngle",
         [](json& j) {
             auto& s = j["templates"][2]["sector"];
             s.erase("danger");
             s.erase("warning");
             s.erase("leftAngle");
         },
         "$.templates[2].sector.leftAngle", "missing required field"},
        {"older form no emergencyStopUpper",
         [](json& j) {
             auto& s = j["templates"][2]["sector"];
             s.erase("danger");
             s.erase("warning");
             j["templates"][2].erase("emergencyStopUpper");
         },
         "$.templates[2].emergencyStopUpper", "missing required field"},
        {"debug text", [](json& j) { j["templates"][0]["debug"] = "yes"; }, "$.templates[0].debug", "must be a boolean"},
        {"v1 bool", [](json& j) { j["templates"][0]["v1"] = true; }, "$.templates[0].v1", "must be an object"},
        {"v1 debug number", [](json& j) { j["templates"][0]["v1"]["debug"] = 1; }, "$.templates[0].v1.debug",
         "must be a boolean"},
        {"v2 array", [](json& j) { j["templates"][0]["v2"] = json::array(); }, "$.templates[0].v2", "must be an object"},
        {"groundVoid number", [](json& j) { j["templates"][0]["v2"]["groundVoid"] = 1; }, "$.templates[0].v2.groundVoid",
         "must be an object"},
        {"groundVoid enabled text", [](json& j) { j["templates"][0]["v2"]["groundVoid"]["enabled"] = "true"; },
         "$.templates[0].v2.groundVoid.enabled", "must be a boolean"},
        {"semantic null", [](json& j) { j["templates"][0]["v2"]["semantic"] = nullptr; }, "$.templates[0].v2.semantic",
         "must be an object"},
        {"first bad template wins",
         [](json& j) {
             j["templates"][6]["type"] = "hexagon";
             j["templates"][4].erase("lowerLimit");
         },
         "$.templates[4].lowerLimit", "missing required field"},
    };
    for (const StructuralCase& c : cases) {
        json j = mixedJson();
        c.mutate(j);
        const ValidationIssueList issues = issuesOf([&] { (void)parseWorkstationDocument(j); });
        ASSERT_EQ(issues.size(), 1U) << c.name;
        EXPECT_EQ(issues[0].path, c.path) << c.name;
        EXPECT_EQ(issues[0].message, c.message) << c.name;
    }
}

TEST(WorkstationJsonReader, TextThatIsNotJsonGivesOneSyntaxIssue)
{
    const char* texts[] = {"{", "", "   ", "{\"version\": 1,}", "/* note */ {\"version\": 1}", "[1, 2",
                           "{\"version\": 1} trailing", "\xff\xfe"};
    for (const char* text : texts) {
        const ValidationIssueList issues = issuesOf([&] { (void)parseWorkstationDocumentText(text); });
        ASSERT_EQ(issues.size(), 1U) << text;
        EXPECT_EQ(issues[0], (ValidationIssue{"$", "invalid JSON syntax"})) << text;
    }
}

TEST(WorkstationJsonReader, HugeNumberInTextIsNotFinite)
{
    json j = mixedJson();
    j["extrinsics"]["roll"] = 7.0;
    std::string text = j.dump();
    const auto at = text.find("7.0");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 3, "1e999");
    const ValidationIssueList issues = issuesOf([&] { (void)parseWorkstationDocumentText(text); });
    ASSERT_EQ(issues.size(), 1U);
    // Either the JSON reader refuses the overflow or it arrives as infinity; both are clean refusals.
    EXPECT_TRUE(issues[0] == (ValidationIssue{"$.extrinsics.roll", "must be finite"})
                || issues[0] == (ValidationIssue{"$", "invalid JSON syntax"}))
        << issues[0];
}

TEST(WorkstationJsonReader, DeeplyNestedTextIsRefusedWithoutCrashing)
{
    const std::size_t depth = 50000;   // far beyond what a recursive reader survives
    const std::string unbalanced(depth, '[');
    EXPECT_EQ(issuesOf([&] { (void)parseWorkstationDocumentText(unbalanced); }).at(0).message,
              "invalid JSON syntax");
    const std::string balanced = std::string(depth, '[') + std::string(depth, ']');
    EXPECT_EQ(issuesOf([&] { (void)parseWorkstationDocumentText(balanced); }).at(0).message,
              "workstation parameter document must be an object");
    json j = mixedJson();
    std::string text = j.dump();
    text.insert(1, "\"junk\": " + std::string(depth, '[') + std::string(depth, ']') + ", ");
    EXPECT_EQ(parseWorkstationDocumentText(text), test::mixedDocument());
}

TEST(WorkstationJsonReader, ValidationIssuesComeTogetherAfterTheStructure)
{
    json j = mixedJson();
    j["activeIndex"] = 25;
    j["templates"][0]["lowerLimit"] = -1.0;
    j["templates"][3]["sector"]["warning"]["radius"] = 1.0;
    const ValidationIssueList issues = issuesOf([&] { (void)parseWorkstationDocument(j); });
    const ValidationIssueList expected{
        {"activeIndex", "must be an integer from 0 to 19"},
        {"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"templates[3].distance", "danger radius must not exceed warning radius"},
    };
    EXPECT_EQ(issues, expected);
}

TEST(WorkstationJsonReader, ReadsOlderAndAliasedForms)
{
    const WorkstationDocument reference = test::mixedDocument();

    json withBoth = mixedJson();
    withBoth["extrinsics"]["posX"] = 5555.0;
    EXPECT_EQ(parseWorkstationDocument(withBoth).extrinsics.x, reference.extrinsics.x);

    json onlyPos = mixedJson();
    for (const char* axis : {"x", "y", "z"}) {
        onlyPos["extrinsics"].erase(axis);
    }
    onlyPos["extrinsics"]["posX"] = 1.5;
    onlyPos["extrinsics"]["posY"] = -2;
    onlyPos["extrinsics"]["posZ"] = 3;
    const Extrinsics e = parseWorkstationDocument(onlyPos).extrinsics;
    EXPECT_EQ(e.x, 1.5);
    EXPECT_EQ(e.y, -2.0);
    EXPECT_EQ(e.z, 3.0);

    json reversed = mixedJson();
    std::reverse(reversed["templates"].begin(), reversed["templates"].end());
    EXPECT_EQ(parseWorkstationDocument(reversed), reference);

    json aliases = mixedJson();
    aliases["templates"][0]["type"] = "方形";
    aliases["templates"][4]["type"] = "box";
    aliases["templates"][1]["type"] = "square_free";
    aliases["templates"][5]["type"] = "自由矩形";
    aliases["templates"][9]["type"] = "freeBox";
    aliases["templates"][2]["type"] = "fan";
    aliases["templates"][3]["type"] = "扇形";
    for (auto& entry : aliases["templates"]) {
        entry["obstacleIndex"] = entry["index"];
        entry.erase("index");
    }
    EXPECT_EQ(parseWorkstationDocument(aliases), reference);

    json unknownKeys = mixedJson();
    unknownKeys["comment"] = "written by hand";
    unknownKeys["templates"][2]["sector"]["colour"] = "red";
    unknownKeys["templates"][2]["rangeLeft"] = "ignored for sectors";
    EXPECT_EQ(parseWorkstationDocument(unknownKeys), reference);
}

TEST(WorkstationJsonReader, OptionalFieldsTakeTheirDefaults)
{
    struct VersionCase {
        std::optional<json> value;
        AlgorithmVersion expected;
    };
    const VersionCase versions[] = {{std::nullopt, AlgorithmVersion::V2}, {json("2.0"), AlgorithmVersion::V2},
                                    {json("V2"), AlgorithmVersion::V2},   {json("1"), AlgorithmVersion::V1},
                                    {json("1.0"), AlgorithmVersion::V1}, {json("V1"), AlgorithmVersion::V1}};
    for (const VersionCase& c : versions) {
        json j = mixedJson();
        j.erase("algorithmVersion");
        if (c.value) {
            j["algorithmVersion"] = *c.value;
        }
        EXPECT_EQ(parseWorkstationDocument(j).algorithmVersion, c.expected) << (c.value ? c.value->dump() : "absent");
    }

    json noActive = mixedJson();
    noActive.erase("activeIndex");
    EXPECT_EQ(parseWorkstationDocument(noActive).activeIndex, 1);

    json sparseOptions = mixedJson();
    auto& entry = sparseOptions["templates"][0];
    entry.erase("v1");
    entry["debug"] = true;
    entry["v2"] = json{{"groundVoid", {{"enabled", true}, {"farDistance", 700.5}}}};
    const ZoneTemplate t = parseWorkstationDocument(sparseOptions).templates[0];
    EXPECT_TRUE(t.options.debug);
    GroundVoidOptions expectedGround;
    expectedGround.enabled = true;
    expectedGround.farDistance = 700.5;
    EXPECT_EQ(t.options.groundVoid, expectedGround);
    EXPECT_EQ(t.options.semantic, SemanticOptions{});

    json v1Overrides = mixedJson();
    v1Overrides["templates"][0]["debug"] = true;
    v1Overrides["templates"][0]["v1"]["debug"] = false;
    EXPECT_FALSE(parseWorkstationDocument(v1Overrides).templates[0].options.debug);
}

TEST(WorkstationJsonReader, SectorFormsAndNotifyDefaults)
{
    json older = mixedJson();
    auto& t2 = older["templates"][2];
    t2["sector"] = json{{"leftAngle", -20.0}, {"rightAngle", 25.0}};
    t2["emergencyStopUpper"] = 800.0;
    t2["decelerationUpper"] = 1800.0;
    t2["heightLower"] = 5.0;
    t2["heightUpper"] = 700.0;
    t2.erase("lowerLimit");
    const SectorZones oldSector = std::get<SectorZones>(parseWorkstationDocument(older).templates[2].body);
    EXPECT_EQ(oldSector.lowerLimit, 0.0);
    EXPECT_EQ(oldSector.danger, (SectorZone{800, -20, 25, 5, 700, 0, 0}));
    EXPECT_EQ(oldSector.warning, (SectorZone{1800, -20, 25, 5, 700, 0, 0}));
    EXPECT_FALSE(oldSector.notify.has_value());

    json emptyNotify = mixedJson();
    emptyNotify["templates"][3]["sector"]["notify"] = json::object();
    const SectorZones withNotify = std::get<SectorZones>(parseWorkstationDocument(emptyNotify).templates[3].body);
    ASSERT_TRUE(withNotify.notify.has_value());
    EXPECT_EQ(*withNotify.notify, (SectorZone{2300, -30, 30, 50, 1000, 0, 0}));

    json partialNotify = mixedJson();
    partialNotify["templates"][2]["sector"]["notify"] = json{{"maxZ", 990.0}};
    const SectorZones partial = std::get<SectorZones>(parseWorkstationDocument(partialNotify).templates[2].body);
    ASSERT_TRUE(partial.notify.has_value());
    EXPECT_EQ(*partial.notify, (SectorZone{2500, -50, 40, 20, 990, 12, -3.5}));

    json nullNotify = mixedJson();
    nullNotify["templates"][2]["sector"]["notify"] = nullptr;
    EXPECT_FALSE(std::get<SectorZones>(parseWorkstationDocument(nullNotify).templates[2].body).notify.has_value());

    json partialRecords = mixedJson();
    partialRecords["templates"][3]["sector"] = json{{"danger", {{"radius", 500.0}}}, {"warning", json::object()}};
    const SectorZones partialSector = std::get<SectorZones>(parseWorkstationDocument(partialRecords).templates[3].body);
    EXPECT_EQ(partialSector.danger, (SectorZone{500, -30, 30, 50, 1000, 0, 0}));
    EXPECT_EQ(partialSector.warning, (SectorZone{1300, -30, 30, 50, 1000, 0, 0}));
}

}  // namespace
}  // namespace hazard_desk
