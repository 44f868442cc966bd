#pragma once
// What differs between two obstacle configurations, in the terms of the
// read-back comparison: the same field paths, the same numeric tolerance and
// the same reading of fields a camera may leave out. Shown before an apply so
// the engineer sees exactly what the write will change. No Qt.

#include "ReadbackComparison.h"
#include "WorkstationDocument.h"

#include <nlohmann/json.hpp>

namespace hazard_desk {

// Every field of two camera parameter JSONs that differs, in document order:
// "R", "T", "ZoneIndex", then each template 0..19 held by either side
// ("Zones.n" when one side lacks it, else its "DangerZone", "WarningZone",
// "ZoneType", "NotifyZone"), then "debug" and the V2 flags. In each entry
// `actual` is before's value and `requested` after's. Equivalent forms do not
// count: an empty and an absent "NotifyZone", an absent "ZoneType" and the one
// its boxes imply, an absent and a false "forklift_2d_enhance", and
// "ground_hole_param" while neither side detects ground holes.
FieldDifferenceList diffDeviceDocuments(const nlohmann::json& before, const nlohmann::json& after);

// What an apply of draft changes on a camera whose parameters are running:
// the draft merged into them as the apply merges it (mergeActiveTemplate),
// compared with them. Throws ParameterValidationError for an invalid draft
// or a running JSON that is not an object.
FieldDifferenceList diffApplyAgainstCamera(const WorkstationDocument& draft, const nlohmann::json& running);

// Two workstation documents, each as the full camera JSON it makes.
// Throws ParameterValidationError for an invalid document.
FieldDifferenceList diffWorkstationDocuments(const WorkstationDocument& before, const WorkstationDocument& after);

}  // namespace hazard_desk
