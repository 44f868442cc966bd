#include "ModelTestDocuments.h"

#include "WorkstationDocument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace hazard_desk {
namespace {

TEST(ActiveTemplate, ReturnsTheActiveSlotAndRejectsOutOfRange)
{
    WorkstationDocument document = test::mixedDocument();
    activeTemplate(document).options.debug = true;
    EXPECT_TRUE(document.templates[7].options.debug);

    for (const std::int32_t bad : {-1, 20, std::numeric_limits<std::int32_t>::min()}) {
        document.activeIndex = bad;
        EXPECT_THROW((void)activeTemplate(static_cast<const WorkstationDocument&>(document)), std::out_of_range)
            << bad;
    }
}

// Every round trip of the model compares documents with this equality: a
// field it skipped would let any reader or writer lose that field unseen.
TEST(DocumentEquality, ComparesEveryFieldAndTreatsNanAsEqual)
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

    WorkstationDocument a = base;
    a.extrinsics.roll = std::nan("");
    WorkstationDocument b = a;
    EXPECT_EQ(a, b);
    b.extrinsics.roll = 0.0;
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace hazard_desk
