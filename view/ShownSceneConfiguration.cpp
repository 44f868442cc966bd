#include "ShownSceneConfiguration.h"

namespace hazard_desk {
namespace {

std::optional<ZoneTemplate> activeOf(const WorkstationDocument& document) {
    if (document.activeIndex < 0 || document.activeIndex > kMaxTemplateIndex) {
        return std::nullopt;
    }
    return document.templates[static_cast<std::size_t>(document.activeIndex)];
}

}  // namespace

ShownSceneConfiguration ShownSceneConfiguration::choose(const SceneConfigurationState& state,
                                                        const WorkstationDocument& draft,
                                                        const std::optional<WorkstationDocument>& running) {
    ShownSceneConfiguration shown;
    if (state.editMode || (!state.connected && state.offlineEdit)) {
        shown.source = Source::Draft;
        shown.extrinsics = draft.extrinsics;
        shown.zones = activeOf(draft);
    } else if (state.connected && running.has_value()) {
        shown.source = Source::Running;
        shown.extrinsics = running->extrinsics;
        shown.zones = activeOf(*running);
    } else {
        shown.extrinsics = draft.extrinsics;
    }
    return shown;
}

}  // namespace hazard_desk
