// The workstation's own parameter file: reading it (structure first, then the
// validator, older and aliased forms, defaults), writing it, and the document
// equality every round trip relies on.
#include "ModelTestDocuments.h"

#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <gtest/gtest.h>

#include <cmath>
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

SectorZones& sectorBody(WorkstationDocument& document, std::size_t slot)
{
    return std::get<SectorZones>(document.templates[slot].body);
}

// The older name of a template's index.
void renameIndex(json& entry, json value)
{
    entry.erase("index");
    entry["obstacleIndex"] = std::move(value);
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
    const char* missing = "missing required field";
    const char* notNumber = "must be a finite JSON number";
    const char* outOfRange = "is outside the supported integer range";
    const char* notCovering = "must uniquely cover every index from 0 to 19";
    const char* notTwenty = "must contain exactly 20 templates";
    const char* notObject = "must be an object";
    const StructuralCase cases[] = {
        {"root array", [](json& j) { j = json::array(); }, "$", "workstation parameter document must be an object"},
        {"no version", [](json& j) { j.erase("version"); }, "$.version", missing},
        {"version 2", [](json& j) { j["version"] = 2; }, "$.version", "unsupported workstation JSON version"},
        {"version float", [](json& j) { j["version"] = 1.0; }, "$.version", "unsupported workstation JSON version"},
        {"algorithm v3", [](json& j) { j["algorithmVersion"] = "v3"; }, "$.algorithmVersion", "must be v1 or v2"},
        {"active float", [](json& j) { j["activeIndex"] = 1.0; }, "$.activeIndex", "must be an integer"},
        {"active 2^31", [](json& j) { j["activeIndex"] = 2147483648LL; }, "$.activeIndex", outOfRange},
        {"active 2^64-1", [](json& j) { j["activeIndex"] = 18446744073709551615ULL; }, "$.activeIndex", outOfRange},
        {"active below int32", [](json& j) { j["activeIndex"] = -2147483649LL; }, "$.activeIndex", outOfRange},
        {"no roll", [](json& j) { j["extrinsics"].erase("roll"); }, "$.extrinsics.roll", missing},
        {"yaw text", [](json& j) { j["extrinsics"]["yaw"] = "90"; }, "$.extrinsics.yaw", notNumber},
        {"pitch infinite", [inf](json& j) { j["extrinsics"]["pitch"] = inf; }, "$.extrinsics.pitch", "must be finite"},
        {"no x nor posX", [](json& j) { j["extrinsics"].erase("x"); }, "$.extrinsics.posX", missing},
        {"templates object", [](json& j) { j["templates"] = json::object(); }, "$.templates", notTwenty},
        {"19 templates", [](json& j) { j["templates"].erase(19); }, "$.templates", notTwenty},
        {"21 templates", [](json& j) { j["templates"].push_back(j["templates"][0]); }, "$.templates", notTwenty},
        {"entry number", [](json& j) { j["templates"][3] = 5; }, "$.templates[3]", notObject},
        {"no index", [](json& j) { j["templates"][3].erase("index"); }, "$.templates[3].obstacleIndex", missing},
        {"index 20", [](json& j) { j["templates"][3]["index"] = 20; }, "$.templates[3].index", notCovering},
        {"index -1", [](json& j) { j["templates"][3]["index"] = -1; }, "$.templates[3].index", notCovering},
        {"index 4 twice", [](json& j) { j["templates"][5]["index"] = 4; }, "$.templates[5].index", notCovering},
        {"type number", [](json& j) { j["templates"][3]["type"] = 2; }, "$.templates[3].type", "must be a string"},
        {"type Fan", [](json& j) { j["templates"][3]["type"] = "Fan"; }, "$.templates[3].type",
         "must be square, squareFree, or sector"},
        {"free no warning", [](json& j) { j["templates"][1]["zones"].erase("warning"); },
         "$.templates[1].zones.warning", missing},
        {"sector only danger", [](json& j) { j["templates"][2]["sector"].erase("warning"); }, "$.templates[2].sector",
         "danger and warning must either both be present or both be omitted"},
        {"sector radius bool", [](json& j) { j["templates"][2]["sector"]["warning"]["radius"] = true; },
         "$.templates[2].sector.warning.radius", notNumber},
        {"notify array", [](json& j) { j["templates"][2]["sector"]["notify"] = json::array(); },
         "$.templates[2].sector.notify", notObject},
        {"older form no leftAngle", [](json& j) { j["templates"][2]["sector"] = json{{"rightAngle", 30.0}}; },
         "$.templates[2].sector.leftAngle", missing},
        {"debug text", [](json& j) { j["templates"][0]["debug"] = "yes"; }, "$.templates[0].debug", "must be a boolean"},
        {"groundVoid number", [](json& j) { j["templates"][0]["v2"]["groundVoid"] = 1; }, "$.templates[0].v2.groundVoid",
         notObject},
        {"first bad template wins",
         [](json& j) {
             j["templates"][6]["type"] = "hexagon";
             j["templates"][4].erase("lowerLimit");
         },
         "$.templates[4].lowerLimit", missing},
    };
    for (const StructuralCase& c : cases) {
        json j = mixedJson();
        c.mutate(j);
        const ValidationIssueList issues = issuesOf([&] { (void)parseWorkstationDocument(j); });
        ASSERT_EQ(issues.size(), 1U) << c.name;
        EXPECT_EQ(issues[0], (ValidationIssue{c.path, c.message})) << c.name;
    }
}

TEST(WorkstationJsonReader, TextThatIsNotJsonGivesOneSyntaxIssue)
{
    const ValidationIssue syntax{"$", "invalid JSON syntax"};
    const std::string deep(50000, '[');   // far beyond what a recursive reader survives
    const std::string balanced = deep + std::string(deep.size(), ']');
    std::string huge = mixedJson().dump();
    huge.replace(huge.find("12.5"), 4, "1e999");
    const std::pair<std::string, ValidationIssue> cases[] = {
        {"{\"version\": 1,}", syntax},
        {"/* note */ {\"version\": 1}", syntax},
        {"{} trailing", syntax},
        {"\xff\xfe", syntax},
        {huge, syntax},   // a number beyond double range
        {deep, syntax},
        {balanced, {"$", "workstation parameter document must be an object"}},
    };
    for (const auto& [text, issue] : cases) {
        EXPECT_EQ(issuesOf([&] { (void)parseWorkstationDocumentText(text); }), ValidationIssueList{issue})
            << text.substr(0, 40);
    }

    std::string nestedJunk = mixedJson().dump();
    nestedJunk.insert(1, "\"junk\": " + balanced + ", ");
    EXPECT_EQ(parseWorkstationDocumentText(nestedJunk), test::mixedDocument());
}

TEST(WorkstationJsonReader, ValidationIssuesComeTogetherAfterTheStructure)
{
    json j = mixedJson();
    j["activeIndex"] = 25;
    j["templates"][0]["lowerLimit"] = -1.0;
    j["templates"][3]["sector"]["warning"]["radius"] = 1.0;
    const ValidationIssueList expected{
        {"activeIndex", "must be an integer from 0 to 19"},
        {"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
        {"templates[3].distance", "danger radius must not exceed warning radius"},
    };
    EXPECT_EQ(issuesOf([&] { (void)parseWorkstationDocument(j); }), expected);
}

struct AcceptedCase {
    const char* name;
    std::function<void(json&)> edit;
    // What the edit means in the document; the rest must read back as written.
    std::function<void(WorkstationDocument&)> meaning;
};

TEST(WorkstationJsonReader, ReadsOlderAliasedAndSparseForms)
{
    const auto nothing = [](WorkstationDocument&) {};
    const AcceptedCase cases[] = {
        {"older position names",
         [](json& j) {
             j["extrinsics"] = json{{"roll", 1}, {"pitch", 2}, {"yaw", 3}, {"posX", 1.5}, {"posY", -2}, {"posZ", 3}};
         },
         [](WorkstationDocument& d) { d.extrinsics = Extrinsics{1, 2, 3, 1.5, -2, 3}; }},
        {"templates in any order", [](json& j) { std::reverse(j["templates"].begin(), j["templates"].end()); },
         nothing},
        {"type 方形", [](json& j) { j["templates"][0]["type"] = "方形"; }, nothing},
        {"type square_free", [](json& j) { j["templates"][1]["type"] = "square_free"; }, nothing},
        {"type fan", [](json& j) { j["templates"][2]["type"] = "fan"; }, nothing},
        {"older index name", [](json& j) { renameIndex(j["templates"][3], 3); }, nothing},
        {"no algorithmVersion", [](json& j) { j.erase("algorithmVersion"); },
         [](WorkstationDocument& d) { d.algorithmVersion = AlgorithmVersion::V2; }},
        {"algorithmVersion 1.0", [](json& j) { j["algorithmVersion"] = "1.0"; }, nothing},
        {"no activeIndex", [](json& j) { j.erase("activeIndex"); }, [](WorkstationDocument& d) { d.activeIndex = 1; }},
        {"older sector form",
         [](json& j) { j["templates"][2]["sector"] = json{{"leftAngle", -20.0}, {"rightAngle", 25.0}}; },
         [](WorkstationDocument& d) {
             d.templates[2].body = SectorZones{100, {900, -20, 25, 10, 800, 0, 0}, {1500, -20, 25, 10, 800, 0, 0}, {}};
         }},
        {"partial notify", [](json& j) { j["templates"][2]["sector"]["notify"] = json{{"maxZ", 990.0}}; },
         [](WorkstationDocument& d) { sectorBody(d, 2).notify = SectorZone{2500, -50, 40, 20, 990, 12, -3.5}; }},
        {"null notify", [](json& j) { j["templates"][2]["sector"]["notify"] = nullptr; },
         [](WorkstationDocument& d) { sectorBody(d, 2).notify.reset(); }},
        {"partial records take the defaults",
         [](json& j) {
             j["templates"][3]["sector"] = json{{"danger", {{"radius", 500.0}}}, {"warning", json::object()}};
         },
         [](WorkstationDocument& d) { sectorBody(d, 3).danger.radius = 500.0; }},
    };
    for (const AcceptedCase& c : cases) {
        json j = mixedJson();
        c.edit(j);
        WorkstationDocument expected = test::mixedDocument();
        c.meaning(expected);
        EXPECT_EQ(parseWorkstationDocument(j), expected) << c.name;
    }
}

TEST(WorkstationJsonWriter, WritesTheDocumentedLayout)
{
    const json j = serializeWorkstationDocument(test::mixedDocument());
    EXPECT_EQ(j.size(), 5U);
    EXPECT_EQ(j["version"], 1);
    EXPECT_EQ(j["algorithmVersion"], "v1");
    EXPECT_EQ(j["activeIndex"], 7);
    EXPECT_EQ(j["extrinsics"],
              (json{{"roll", 12.5}, {"pitch", -30.25}, {"yaw", 170}, {"x", 101}, {"y", -22}, {"z", 1430}}));
    ASSERT_EQ(j["templates"].size(), 20U);

    const json& square = j["templates"][0];
    EXPECT_EQ(square, json::parse(R"({"index": 0, "type": "square", "lowerLimit": 0, "emergencyStopUpper": 1200,
        "decelerationUpper": 1300, "rangeLeft": -500, "rangeRight": 500, "heightLower": 50, "heightUpper": 1000,
        "v1": {"debug": true},
        "v2": {"groundVoid": {"enabled": true, "nearDistance": 200, "farDistance": 900, "halfWidth": 600,
                              "resolution": 40, "halfThickness": 45, "minPoints": 12},
               "semantic": {"enabled": true, "pointCloudCompact": true, "nonSemanticBox": false, "enhancement": true,
                            "pointCloudOutput": false, "minX": -100, "maxX": 200, "minY": -300, "maxY": 400}}})"));
    EXPECT_TRUE(square["lowerLimit"].is_number_float());
    EXPECT_TRUE(square["v2"]["groundVoid"]["minPoints"].is_number_float());

    EXPECT_EQ(j["templates"][1]["type"], "squareFree");

    const json& sector = j["templates"][2];
    EXPECT_EQ(sector["type"], "sector");
    // A summary in square terms for older readers, beside the full records.
    EXPECT_EQ(sector["emergencyStopUpper"], 900.0);
    EXPECT_EQ(sector["decelerationUpper"], 1500.0);
    EXPECT_EQ(sector["sector"]["notify"], (json{{"radius", 2500.0}, {"leftAngle", -60.0}, {"rightAngle", 60.0},
                                                {"minZ", 30.0}, {"maxZ", 950.0}, {"centerX", 12.0}, {"centerY", -3.5}}));
    EXPECT_FALSE(j["templates"][3]["sector"].contains("notify"));
}

TEST(WorkstationJsonWriter, RoundTripsThroughTextAndJson)
{
    WorkstationDocument extremes = test::mixedDocument();
    extremes.extrinsics = Extrinsics{-180.0, 180.0, 1e-300, 1.7976931348623157e308, -0.0, 123456789.123456789};
    for (const WorkstationDocument& document : {WorkstationDocument{}, test::mixedDocument(), extremes}) {
        EXPECT_EQ(parseWorkstationDocumentText(dumpWorkstationDocument(document, 0)), document);
        EXPECT_EQ(parseWorkstationDocument(serializeWorkstationDocument(document)), document);
        // Writing is stable: a parsed document writes the same text again.
        const std::string text = dumpWorkstationDocument(document, 2);
        EXPECT_EQ(dumpWorkstationDocument(parseWorkstationDocumentText(text), 2), text);
    }
}

TEST(WorkstationJsonWriter, TextMatchesTheJsonLibraryLayout)
{
    WorkstationDocument odd = test::mixedDocument();
    odd.extrinsics = Extrinsics{std::nan(""), -std::numeric_limits<double>::infinity(), -0.0, 1e-310, 1e21, 0.1 + 0.2};
    std::get<SquareZones>(odd.templates[0].body).rangeLeft = 123456789012345678.0;
    std::get<SectorZones>(odd.templates[2].body).danger.centerX = 5e-324;
    odd.activeIndex = std::numeric_limits<std::int32_t>::min();
    odd.templates[4].index = std::numeric_limits<std::int32_t>::max();
    for (const WorkstationDocument& document : {WorkstationDocument{}, test::mixedDocument(), odd}) {
        const json tree = serializeWorkstationDocument(document);
        for (const int indent : {-1, 0, 2, 4}) {
            EXPECT_EQ(dumpWorkstationDocument(document, indent), tree.dump(indent)) << indent;
        }
    }
    EXPECT_TRUE(serializeWorkstationDocument(odd)["extrinsics"]["roll"].is_null());
}

// Every round trip of the model compares documents with this equality: a
// field it skipped would let any reader or writer lose that field unseen.
TEST(DocumentEquality, ComparesEveryField)
{
    const WorkstationDocument base = test::mixedDocument();
    const std::function<void(WorkstationDocument&)> changes[] = {
        [](WorkstationDocument& d) { d.algorithmVersion = AlgorithmVersion::V2; },
        [](WorkstationDocument& d) { d.extrinsics.z += 1.0; },
        [](WorkstationDocument& d) { d.activeIndex = 3; },
        [](WorkstationDocument& d) { d.templates[2].index = 5; },
        [](WorkstationDocument& d) { std::get<SectorZones>(d.templates[2].body).notify.reset(); },
        [](WorkstationDocument& d) { std::get<SectorZones>(d.templates[2].body).danger.centerY = 0.0; },
        [](WorkstationDocument& d) { std::get<FreeBoxZones>(d.templates[1].body).warning.minZ = 1.0; },
        [](WorkstationDocument& d) { std::get<SquareZones>(d.templates[0].body).heightUpper = 1.0; },
        [](WorkstationDocument& d) { d.templates[0] = defaultZoneTemplate(0, TemplateType::Sector); },
        [](WorkstationDocument& d) { d.templates[9].options.semantic.pointCloudOutput = true; },
        [](WorkstationDocument& d) { d.templates[9].options.groundVoid.minPoints = 3.0; },
        [](WorkstationDocument& d) { d.templates[9].options.debug = !d.templates[9].options.debug; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        WorkstationDocument changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "change " << i;
    }
}

}  // namespace
}  // namespace hazard_desk
