#include "ShownSceneConfiguration.h"

#include <gtest/gtest.h>

#include <vector>

namespace hazard_desk {
namespace {

using Source = ShownSceneConfiguration::Source;

TEST(ShownSceneConfiguration, DraftWhileEditingOrEditedOfflineElseTheRunningOne) {
    WorkstationDocument draft;
    draft.activeIndex = 3;
    draft.extrinsics.z = 700.0;
    draft.templates[3] = defaultZoneTemplate(3, TemplateType::Sector);
    WorkstationDocument running;
    running.activeIndex = 5;
    running.extrinsics.z = 600.0;
    running.templates[5] = defaultZoneTemplate(5, TemplateType::SquareFree);

    struct Case {
        const char* name;
        SceneConfigurationState state;
        bool runningKnown;
        Source source;
    };
    const std::vector<Case> cases = {
        {"window just opened", {false, false, false}, false, Source::None},
        {"edited offline", {false, false, true}, false, Source::Draft},
        {"editing offline", {true, false, false}, false, Source::Draft},
        {"connected, running known", {false, true, false}, true, Source::Running},
        {"connected, running known, edited offline before", {false, true, true}, true, Source::Running},
        {"connected, running unknown", {false, true, false}, false, Source::None},
        {"connected, running unknown, edited offline before", {false, true, true}, false, Source::None},
        {"disconnected with a stale running configuration", {false, false, false}, true, Source::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ShownSceneConfiguration shown = ShownSceneConfiguration::choose(
            c.state, draft, c.runningKnown ? std::optional<WorkstationDocument>(running) : std::nullopt);
        EXPECT_EQ(shown.source, c.source);
        // Without zones to show the cloud still stands on the draft's pose.
        EXPECT_EQ(shown.extrinsics.z, c.source == Source::Running ? 600.0 : 700.0);
        ASSERT_EQ(shown.zones.has_value(), c.source != Source::None);
        if (shown.zones) {
            EXPECT_EQ(shown.zones->type(), c.source == Source::Draft ? TemplateType::Sector : TemplateType::SquareFree);
        }
    }
}

TEST(ShownSceneConfiguration, AnActiveIndexOutsideTheTemplatesShowsNoZones) {
    WorkstationDocument running;
    running.activeIndex = 20;
    const ShownSceneConfiguration shown =
        ShownSceneConfiguration::choose({false, true, false}, WorkstationDocument(), running);
    EXPECT_EQ(shown.source, Source::Running);
    EXPECT_FALSE(shown.zones.has_value());
}

}  // namespace
}  // namespace hazard_desk
