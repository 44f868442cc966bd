#include "ModelTestDocuments.h"

#include "DocumentValidator.h"
#include "IssueListFormatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <algorithm>
#include <string>

namespace hazard_desk {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// The validator's messages that several rules share.
const char* const kNotFinite = "all values must be finite";
const char* const kAngleRange = "roll, pitch, and yaw must stay within [-180, 180]";
const char* const kIndexRange = "must be an integer from 0 to 19";
const char* const kDistanceOrder = "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper";
const char* const kSectorNotFinite = "all sector values must be finite";
const char* const kResolution = "is too large for the configured distance, width, or thickness";
const char* const kNearFar = "must satisfy 0 <= nearDistance < farDistance";

const char* const kAngles = "must stay within [-180, 180] degrees";
const char* const kBelowDanger = "lowerLimit must be less than the danger radius";
const char* const kNonNegative = "must be finite and non-negative";

SquareZones& square(WorkstationDocument& d, std::size_t slot) { return std::get<SquareZones>(d.templates[slot].body); }
FreeBoxZones& freeBox(WorkstationDocument& d, std::size_t i) { return std::get<FreeBoxZones>(d.templates[i].body); }
SectorZones& sector(WorkstationDocument& d, std::size_t slot) { return std::get<SectorZones>(d.templates[slot].body); }
GroundVoidOptions& ground(WorkstationDocument& d, std::size_t slot) { return d.templates[slot].options.groundVoid; }
SemanticOptions& semantic(WorkstationDocument& d, std::size_t slot) { return d.templates[slot].options.semantic; }

struct RuleCase {
    const char* name;
    std::function<void(WorkstationDocument&)> mutate;
    ValidationIssueList expected;
};

// The mixed document: slot 0 square, 1 squareFree, 2 sector with notify, 3 sector without;
// the options of slot 0 are enabled, those of slot 1 disabled.
void runCases(const std::vector<RuleCase>& cases)
{
    for (const RuleCase& c : cases) {
        WorkstationDocument document = test::mixedDocument();
        c.mutate(document);
        EXPECT_EQ(validateWorkstationDocument(document), c.expected) << c.name;
    }
}

TEST(DocumentValidator, DocumentRules)
{
    runCases({
        {"NaN roll", [](auto& d) { d.extrinsics.roll = kNan; }, {{"extrinsics", kNotFinite}}},
        {"infinite yaw", [](auto& d) { d.extrinsics.yaw = -kInf; },
         {{"extrinsics", kNotFinite}, {"extrinsics", kAngleRange}}},
        {"pitch 180.5", [](auto& d) { d.extrinsics.pitch = 180.5; }, {{"extrinsics", kAngleRange}}},
        {"limits pass", [](auto& d) { d.extrinsics = Extrinsics{-180, 180, -180, -1e9, 1e9, 0}; }, {}},
        {"active -1", [](auto& d) { d.activeIndex = -1; }, {{"activeIndex", kIndexRange}}},
        {"active 20", [](auto& d) { d.activeIndex = 20; }, {{"activeIndex", kIndexRange}}},
        {"active 0 and 19 pass", [](auto& d) { d.activeIndex = d.activeIndex == 0 ? 19 : 0; }, {}},
        {"index mismatch", [](auto& d) { d.templates[5].index = 6; },
         {{"templates[5].index", "must match its 0..19 array position"}}},
    });
}

TEST(DocumentValidator, BoxRules)
{
    runCases({
        {"NaN plus broken order still one", [](auto& d) { square(d, 0) = SquareZones{-5, 1, 2, 3, 4, 5, kInf}; },
         {{"templates[0]", "all square parameters must be finite"}}},
        {"0 0 10", [](auto& d) { square(d, 0) = SquareZones{0, 0, 10, -1, 1, 0, 1}; },
         {{"templates[0].distance", kDistanceOrder}}},
        {"negative lowerLimit", [](auto& d) { square(d, 0).lowerLimit = -0.5; },
         {{"templates[0].distance", kDistanceOrder}}},
        {"deceleration equal", [](auto& d) { square(d, 4).decelerationUpper = square(d, 4).emergencyStopUpper; },
         {{"templates[4].distance", kDistanceOrder}}},
        {"three independent", [](auto& d) { square(d, 8) = SquareZones{5, 4, 3, 2, 1, 9, 9}; },
         {{"templates[8].distance", kDistanceOrder},
          {"templates[8].range", "rangeLeft must be less than rangeRight"},
          {"templates[8].height", "heightLower must be less than heightUpper"}}},
        {"NaN in warning box", [](auto& d) { freeBox(d, 1).warning.maxY = kNan; },
         {{"templates[1].zones.warning", "all bounds must be finite"}}},
        {"every axis of notify", [](auto& d) { freeBox(d, 1).notify = BoxZone{1, 1, 2, 1, 3, -3}; },
         {{"templates[1].zones.notify.x", "minX must be less than maxX"},
          {"templates[1].zones.notify.y", "minY must be less than maxY"},
          {"templates[1].zones.notify.z", "minZ must be less than maxZ"}}},
    });
}

TEST(DocumentValidator, SectorRules)
{
    runCases({
        {"equal radii pass", [](auto& d) { sector(d, 3).warning.radius = sector(d, 3).danger.radius; }, {}},
        {"lowerLimit equals danger radius", [](auto& d) { sector(d, 2).lowerLimit = sector(d, 2).danger.radius; },
         {{"templates[2].distance", kBelowDanger}}},
        {"negative lowerLimit", [](auto& d) { sector(d, 3).lowerLimit = -1.0; },
         {{"templates[3].lowerLimit", kNonNegative}}},
        {"warning smaller than danger", [](auto& d) { sector(d, 3).warning.radius = 1000.0; },
         {{"templates[3].distance", "danger radius must not exceed warning radius"}}},
        {"notify smaller than warning", [](auto& d) { sector(d, 2).notify->radius = 1000.0; },
         {{"templates[2].distance", "warning radius must not exceed notify radius"}}},
        {"record rules in order", [](auto& d) { sector(d, 3).danger = SectorZone{0, -190, -200, 5, 5, 0, 0}; },
         {{"templates[3].zones.danger.radius", "must be greater than zero"},
          {"templates[3].zones.danger.angles", kAngles},
          {"templates[3].zones.danger.angles", "leftAngle must be less than rightAngle"},
          {"templates[3].zones.danger.z", "minZ must be less than maxZ"},
          {"templates[3].distance", kBelowDanger}}},
        {"right angle above 180", [](auto& d) { sector(d, 7).warning.rightAngle = 181.0; },
         {{"templates[7].zones.warning.angles", kAngles}}},
        {"full circle passes", [](auto& d) { sector(d, 7).danger = SectorZone{1200, -180, 180, 50, 1000, 0, 0}; }, {}},
        {"NaN danger radius: no radius order", [](auto& d) { sector(d, 3).danger.radius = kNan; },
         {{"templates[3].zones.danger", kSectorNotFinite}}},
        {"NaN notify", [](auto& d) { sector(d, 2).notify->centerX = kNan; },
         {{"templates[2].zones.notify", kSectorNotFinite}}},
    });
}

TEST(DocumentValidator, OptionRules)
{
    runCases({
        {"disabled far 20000", [](auto& d) { ground(d, 1).farDistance = 20000.0; }, {}},
        {"disabled NaN", [](auto& d) { ground(d, 1).minPoints = kNan; }, {{"templates[1].v2.groundVoid", kNotFinite}}},
        {"resolution beyond width", [](auto& d) { ground(d, 0) = GroundVoidOptions{true, 0, 100, 20, 50, 50, 10}; },
         {{"templates[0].v2.groundVoid.resolution", kResolution}}},
        {"everything broken", [](auto& d) { ground(d, 2) = GroundVoidOptions{true, 20000, -1, 6000, 0, -1, 0}; },
         {{"templates[2].v2.groundVoid.distance", kNearFar},
          {"templates[2].v2.groundVoid", "halfWidth, resolution, halfThickness, and minPoints must be positive"},
          {"templates[2].v2.groundVoid.resolution", kResolution},
          {"templates[2].v2.groundVoid", "far/near distance must be <= 10000 and halfWidth <= 5000"}}},
        {"limits themselves pass", [](auto& d) { ground(d, 0) = GroundVoidOptions{true, 0, 10000, 5000, 50, 50, 1}; },
         {}},
        {"near equals far", [](auto& d) { ground(d, 0).nearDistance = ground(d, 0).farDistance; },
         {{"templates[0].v2.groundVoid.distance", kNearFar}, {"templates[0].v2.groundVoid.resolution", kResolution}}},
        {"semantic disabled NaN", [](auto& d) { semantic(d, 1).maxY = kInf; },
         {{"templates[1].v2.semantic", "all bounds must be finite"}}},
        {"semantic enabled inverted", [](auto& d) { semantic(d, 0).minY = 401.0; },
         {{"templates[0].v2.semantic", "minimum bounds cannot be greater than maximum bounds"}}},
        {"semantic disabled inverted passes", [](auto& d) { semantic(d, 1).minX = 1e6; }, {}},
        {"semantic enabled equal bounds pass", [](auto& d) { semantic(d, 0) = SemanticOptions{true}; }, {}},
    });
}

TEST(ParameterValidationError, TextHasOneLinePerIssueAndNeverNone)
{
    const ValidationIssueList issues{{"$.extrinsics.roll", "missing required field"},
                                     {"", "a message without a place"}};
    const ParameterValidationError error(issues);
    EXPECT_STREQ(error.what(), "$.extrinsics.roll: missing required field\na message without a place");

    const ParameterValidationError empty(ValidationIssueList{});
    ASSERT_EQ(empty.issues().size(), 1U);
    EXPECT_FALSE(empty.issues()[0].message.empty());
    EXPECT_STRNE(empty.what(), "");
}

TEST(FormatIssueList, ShowsTwelveLinesAndCountsTheRest)
{
    ValidationIssueList issues;
    for (int i = 0; i < 40; ++i) {
        issues.push_back({"templates[" + std::to_string(i) + "].distance", "message"});
    }
    const std::string text = formatIssueList(issues);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12);
    EXPECT_NE(text.find("templates[11].distance：message\n另有 28 项错误"), std::string::npos) << text;
}

}  // namespace
}  // namespace hazard_desk
