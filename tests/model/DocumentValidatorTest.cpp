#include "ModelTestDocuments.h"

#include "DocumentValidator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace hazard_desk {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

SquareZones& square(WorkstationDocument& d, std::size_t slot) { return std::get<SquareZones>(d.templates[slot].body); }
FreeBoxZones& freeBox(WorkstationDocument& d, std::size_t slot)
{
    return std::get<FreeBoxZones>(d.templates[slot].body);
}
SectorZones& sector(WorkstationDocument& d, std::size_t slot) { return std::get<SectorZones>(d.templates[slot].body); }

struct RuleCase {
    const char* name;
    std::function<void(WorkstationDocument&)> mutate;
    ValidationIssueList expected;
};

// The mixed document: slot 0 square, 1 squareFree, 2 sector with notify, 3 sector without.
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
        {"NaN roll", [](auto& d) { d.extrinsics.roll = kNan; }, {{"extrinsics", "all values must be finite"}}},
        {"infinite z", [](auto& d) { d.extrinsics.z = kInf; }, {{"extrinsics", "all values must be finite"}}},
        {"infinite yaw breaks both", [](auto& d) { d.extrinsics.yaw = -kInf; },
         {{"extrinsics", "all values must be finite"},
          {"extrinsics", "roll, pitch, and yaw must stay within [-180, 180]"}}},
        {"pitch 180.5", [](auto& d) { d.extrinsics.pitch = 180.5; },
         {{"extrinsics", "roll, pitch, and yaw must stay within [-180, 180]"}}},
        {"limits pass", [](auto& d) { d.extrinsics = Extrinsics{-180, 180, -180, -1e9, 1e9, 0}; }, {}},
        {"x out of angle range is fine", [](auto& d) { d.extrinsics.x = 5000.0; }, {}},
        {"active -1", [](auto& d) { d.activeIndex = -1; }, {{"activeIndex", "must be an integer from 0 to 19"}}},
        {"active 20", [](auto& d) { d.activeIndex = 20; }, {{"activeIndex", "must be an integer from 0 to 19"}}},
        {"active 0 and 19 pass", [](auto& d) { d.activeIndex = d.activeIndex == 0 ? 19 : 0; }, {}},
        {"index mismatch", [](auto& d) { d.templates[5].index = 6; },
         {{"templates[5].index", "must match its 0..19 array position"}}},
    });
}

TEST(DocumentValidator, SquareRules)
{
    runCases({
        {"one NaN is one issue", [](auto& d) { square(d, 0).rangeLeft = kNan; },
         {{"templates[0]", "all square parameters must be finite"}}},
        {"NaN plus broken order still one", [](auto& d) {
             square(d, 0).heightUpper = kInf;
             square(d, 0).lowerLimit = -5.0;
         },
         {{"templates[0]", "all square parameters must be finite"}}},
        {"0 0 10", [](auto& d) { square(d, 0) = SquareZones{0, 0, 10, -1, 1, 0, 1}; },
         {{"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"}}},
        {"lowerLimit 0 allowed", [](auto& d) { square(d, 0).lowerLimit = 0.0; }, {}},
        {"negative lowerLimit", [](auto& d) { square(d, 0).lowerLimit = -0.5; },
         {{"templates[0].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"}}},
        {"deceleration equal", [](auto& d) { square(d, 4).decelerationUpper = square(d, 4).emergencyStopUpper; },
         {{"templates[4].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"}}},
        {"three independent", [](auto& d) { square(d, 8) = SquareZones{5, 4, 3, 2, 1, 9, 9}; },
         {{"templates[8].distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper"},
          {"templates[8].range", "rangeLeft must be less than rangeRight"},
          {"templates[8].height", "heightLower must be less than heightUpper"}}},
    });
}

TEST(DocumentValidator, FreeBoxRules)
{
    runCases({
        {"NaN in warning box", [](auto& d) { freeBox(d, 1).warning.maxY = kNan; },
         {{"templates[1].zones.warning", "all bounds must be finite"}}},
        {"every axis of notify", [](auto& d) { freeBox(d, 1).notify = BoxZone{1, 1, 2, 1, 3, -3}; },
         {{"templates[1].zones.notify.x", "minX must be less than maxX"},
          {"templates[1].zones.notify.y", "minY must be less than maxY"},
          {"templates[1].zones.notify.z", "minZ must be less than maxZ"}}},
        {"danger before warning", [](auto& d) {
             freeBox(d, 5).warning.minZ = 5000.0;
             freeBox(d, 5).danger.minY = 1e9;
         },
         {{"templates[5].zones.danger.y", "minY must be less than maxY"},
          {"templates[5].zones.warning.z", "minZ must be less than maxZ"}}},
    });
}

TEST(DocumentValidator, SectorRules)
{
    runCases({
        {"equal radii pass", [](auto& d) { sector(d, 3).warning.radius = sector(d, 3).danger.radius; }, {}},
        {"equal notify radius passes", [](auto& d) { sector(d, 2).notify->radius = sector(d, 2).warning.radius; }, {}},
        {"lowerLimit equals danger radius", [](auto& d) { sector(d, 2).lowerLimit = sector(d, 2).danger.radius; },
         {{"templates[2].distance", "lowerLimit must be less than the danger radius"}}},
        {"negative lowerLimit", [](auto& d) { sector(d, 3).lowerLimit = -1.0; },
         {{"templates[3].lowerLimit", "must be finite and non-negative"}}},
        {"NaN lowerLimit skips the order rule", [](auto& d) { sector(d, 3).lowerLimit = kNan; },
         {{"templates[3].lowerLimit", "must be finite and non-negative"}}},
        {"warning smaller than danger", [](auto& d) { sector(d, 3).warning.radius = 1000.0; },
         {{"templates[3].distance", "danger radius must not exceed warning radius"}}},
        {"notify smaller than warning", [](auto& d) { sector(d, 2).notify->radius = 1000.0; },
         {{"templates[2].distance", "warning radius must not exceed notify radius"}}},
        {"record rules in order", [](auto& d) { sector(d, 3).danger = SectorZone{0, -190, -200, 5, 5, 0, 0}; },
         {{"templates[3].zones.danger.radius", "must be greater than zero"},
          {"templates[3].zones.danger.angles", "must stay within [-180, 180] degrees"},
          {"templates[3].zones.danger.angles", "leftAngle must be less than rightAngle"},
          {"templates[3].zones.danger.z", "minZ must be less than maxZ"},
          {"templates[3].distance", "lowerLimit must be less than the danger radius"}}},
        {"right angle above 180", [](auto& d) { sector(d, 7).warning.rightAngle = 181.0; },
         {{"templates[7].zones.warning.angles", "must stay within [-180, 180] degrees"}}},
        {"full circle passes", [](auto& d) {
             sector(d, 7).danger.leftAngle = -180.0;
             sector(d, 7).danger.rightAngle = 180.0;
         },
         {}},
        {"NaN danger radius: one record issue, no radius order", [](auto& d) { sector(d, 3).danger.radius = kNan; },
         {{"templates[3].zones.danger", "all sector values must be finite"}}},
        {"NaN notify", [](auto& d) { sector(d, 2).notify->centerX = kNan; },
         {{"templates[2].zones.notify", "all sector values must be finite"}}},
        {"absent notify is not checked", [](auto& d) { sector(d, 3).notify.reset(); }, {}},
    });
}

TEST(DocumentValidator, GroundVoidRules)
{
    const auto ground = [](WorkstationDocument& d, std::size_t slot) -> GroundVoidOptions& {
        return d.templates[slot].options.groundVoid;
    };
    runCases({
        {"disabled far 20000", [&](auto& d) {
             ground(d, 1) = GroundVoidOptions{};
             ground(d, 1).farDistance = 20000.0;
         },
         {}},
        {"disabled NaN", [&](auto& d) {
             ground(d, 1).enabled = false;
             ground(d, 1).minPoints = kNan;
         },
         {{"templates[1].v2.groundVoid", "all values must be finite"}}},
        {"resolution beyond width", [&](auto& d) { ground(d, 0) = GroundVoidOptions{true, 0, 100, 20, 50, 50, 10}; },
         {{"templates[0].v2.groundVoid.resolution", "is too large for the configured distance, width, or thickness"}}},
        {"everything broken", [&](auto& d) { ground(d, 2) = GroundVoidOptions{true, 20000, -1, 6000, 0, -1, 0}; },
         {{"templates[2].v2.groundVoid.distance", "must satisfy 0 <= nearDistance < farDistance"},
          {"templates[2].v2.groundVoid", "halfWidth, resolution, halfThickness, and minPoints must be positive"},
          {"templates[2].v2.groundVoid.resolution", "is too large for the configured distance, width, or thickness"},
          {"templates[2].v2.groundVoid", "far/near distance must be <= 10000 and halfWidth <= 5000"}}},
        {"limits themselves pass", [&](auto& d) { ground(d, 0) = GroundVoidOptions{true, 0, 10000, 5000, 50, 50, 1}; },
         {}},
        {"near equals far", [&](auto& d) { ground(d, 0).nearDistance = ground(d, 0).farDistance; },
         {{"templates[0].v2.groundVoid.distance", "must satisfy 0 <= nearDistance < farDistance"},
          {"templates[0].v2.groundVoid.resolution", "is too large for the configured distance, width, or thickness"}}},
    });
}

TEST(DocumentValidator, SemanticRules)
{
    const auto semantic = [](WorkstationDocument& d, std::size_t slot) -> SemanticOptions& {
        return d.templates[slot].options.semantic;
    };
    runCases({
        {"disabled NaN", [&](auto& d) {
             semantic(d, 1).enabled = false;
             semantic(d, 1).maxY = kInf;
         },
         {{"templates[1].v2.semantic", "all bounds must be finite"}}},
        {"enabled inverted", [&](auto& d) {
             semantic(d, 0).enabled = true;
             semantic(d, 0).minY = 401.0;
         },
         {{"templates[0].v2.semantic", "minimum bounds cannot be greater than maximum bounds"}}},
        {"disabled inverted passes", [&](auto& d) {
             semantic(d, 1).enabled = false;
             semantic(d, 1).minX = 1e6;
         },
         {}},
        {"enabled equal bounds pass", [&](auto& d) {
             semantic(d, 0) = SemanticOptions{};
             semantic(d, 0).enabled = true;
         },
         {}},
    });
}

TEST(DocumentValidator, IssuesFollowRuleAndSlotOrder)
{
    WorkstationDocument document = test::mixedDocument();
    document.templates[19].options.semantic.minX = kNan;
    square(document, 0).rangeRight = -1000.0;
    document.templates[0].options.groundVoid.halfWidth = kNan;
    sector(document, 2).warning.radius = 10.0;
    document.activeIndex = 99;
    document.extrinsics.yaw = 200.0;
    const ValidationIssueList expected{
        {"extrinsics", "roll, pitch, and yaw must stay within [-180, 180]"},
        {"activeIndex", "must be an integer from 0 to 19"},
        {"templates[0].range", "rangeLeft must be less than rangeRight"},
        {"templates[0].v2.groundVoid", "all values must be finite"},
        {"templates[2].distance", "danger radius must not exceed warning radius"},
        {"templates[19].v2.semantic", "all bounds must be finite"},
    };
    EXPECT_EQ(validateWorkstationDocument(document), expected);
    try {
        requireValidDocument(document);
        FAIL() << "requireValidDocument accepted an invalid document";
    } catch (const ParameterValidationError& error) {
        EXPECT_EQ(error.issues(), expected);
    }
}

}  // namespace
}  // namespace hazard_desk
