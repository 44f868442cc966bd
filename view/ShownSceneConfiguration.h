#pragma once
// Which configuration the scene shows: the draft while it is being edited,
// or when no camera is connected and the draft was edited offline; the
// camera's running configuration when connected, not editing and known;
// otherwise no zones, with the draft's mounting pose for the cloud.
// Pure function, GUI thread.
#include "Extrinsics.h"
#include "WorkstationDocument.h"
#include "ZoneTemplate.h"

#include <optional>

namespace hazard_desk {

struct SceneConfigurationState {
    bool editMode = false;
    bool connected = false;
    bool offlineEdit = false;
};

struct ShownSceneConfiguration {
    enum class Source { Draft, Running, None };

    Source source = Source::None;
    Extrinsics extrinsics;
    // The document's active template; empty without zones or when the
    // active index lies outside 0..19.
    std::optional<ZoneTemplate> zones;

    static ShownSceneConfiguration choose(const SceneConfigurationState& state, const WorkstationDocument& draft,
                                          const std::optional<WorkstationDocument>& running);
};

}  // namespace hazard_desk
