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

std::vector<std::string> keysOf(const json& object)
{
    std::vector<std::string> keys;
    for (auto it = object.begin(); it != object.end(); ++it) {
        keys.push_back(it.key());
    }
    return keys;
}

TEST(WorkstationJsonWriter, WritesTheDocumentedLayout)
{
    const json j = serializeWorkstationDocument(test::mixedDocument());
    EXPECT_EQ(keysOf(j), (std::vector<std::string>{"activeIndex", "algorithmVersion", "extrinsics", "templates",
                                                   "version"}));
    EXPECT_EQ(j["version"], 1);
    EXPECT_TRUE(j["version"].is_number_integer());
    EXPECT_EQ(j["algorithmVersion"], "v1");
    EXPECT_TRUE(j["activeIndex"].is_number_integer());
    EXPECT_EQ(keysOf(j["extrinsics"]), (std::vector<std::string>{"pitch", "roll", "x", "y", "yaw", "z"}));
    ASSERT_EQ(j["templates"].size(), 20U);

    const json& square = j["templates"][0];
    EXPECT_EQ(keysOf(square),
              (std::vector<std::string>{"decelerationUpper", "emergencyStopUpper", "heightLower", "heightUpper", "index",
                                        "lowerLimit", "rangeLeft", "rangeRight", "type", "v1", "v2"}));
    EXPECT_EQ(square["type"], "square");
    EXPECT_TRUE(square["index"].is_number_integer());
    EXPECT_TRUE(square["lowerLimit"].is_number_float());
    EXPECT_EQ(square["v1"], (json{{"debug", true}}));
    EXPECT_EQ(keysOf(square["v2"]["groundVoid"]),
              (std::vector<std::string>{"enabled", "farDistance", "halfThickness", "halfWidth", "minPoints",
                                        "nearDistance", "resolution"}));
    EXPECT_TRUE(square["v2"]["groundVoid"]["minPoints"].is_number_float());
    EXPECT_EQ(keysOf(square["v2"]["semantic"]),
              (std::vector<std::string>{"enabled", "enhancement", "maxX", "maxY", "minX", "minY", "nonSemanticBox",
                                        "pointCloudCompact", "pointCloudOutput"}));

    const json& free = j["templates"][1];
    EXPECT_EQ(free["type"], "squareFree");
    EXPECT_EQ(keysOf(free["zones"]), (std::vector<std::string>{"danger", "notify", "warning"}));
    EXPECT_EQ(free["zones"]["danger"],
              (json{{"minX", 0.0}, {"maxX", 500.0}, {"minY", -1500.0}, {"maxY", 1500.0}, {"minZ", 100.0},
                    {"maxZ", 2000.0}}));

    const json& sector = j["templates"][2];
    EXPECT_EQ(sector["type"], "sector");
    EXPECT_FALSE(sector.contains("rangeLeft"));
    // A summary in square terms for older readers, beside the full records.
    EXPECT_EQ(sector["emergencyStopUpper"], 900.0);
    EXPECT_EQ(sector["decelerationUpper"], 1500.0);
    EXPECT_EQ(sector["sector"]["leftAngle"], -45.0);
    EXPECT_EQ(sector["sector"]["notify"],
              (json{{"radius", 2500.0}, {"leftAngle", -60.0}, {"rightAngle", 60.0}, {"minZ", 30.0},
                    {"maxZ", 950.0}, {"centerX", 12.0}, {"centerY", -3.5}}));
    EXPECT_FALSE(j["templates"][3]["sector"].contains("notify"));
}

TEST(WorkstationJsonWriter, RoundTripsThroughTextAndJson)
{
    WorkstationDocument extremes = test::mixedDocument();
    extremes.extrinsics = Extrinsics{-180.0, 180.0, 1e-300, 1.7976931348623157e308, -0.0, 123456789.123456789};
    const WorkstationDocument documents[] = {WorkstationDocument{}, test::mixedDocument(), extremes};
    for (const WorkstationDocument& document : documents) {
        EXPECT_EQ(parseWorkstationDocumentText(dumpWorkstationDocument(document, 2)), document);
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

}  // namespace
}  // namespace hazard_desk
