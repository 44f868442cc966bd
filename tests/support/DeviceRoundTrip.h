#pragma once
// What a trip through the camera's parameter JSON may change in a workstation
// document: one option set (the active template's; for V1 only "debug"), no
// sector lowerLimit (read back as 0), and the pose as a rotation matrix, whose
// Euler triple may come back as another triple of the same pose. Shared by the
// model tests and the fuzzers.
#include "RotationConversion.h"
#include "WorkstationDocument.h"

#include <cmath>
#include <string>

namespace hazard_desk::test {

// The first difference between `back` and `original` beyond those
// reductions, the pose compared as rotation matrices within poseTolerance;
// empty when there is none.
inline std::string deviceRoundTripDifference(const WorkstationDocument& original, const WorkstationDocument& back,
                                             double poseTolerance)
{
    if (back.algorithmVersion != original.algorithmVersion || back.activeIndex != original.activeIndex) {
        return "device round trip changed the algorithm version or the active index";
    }
    const Extrinsics& a = original.extrinsics;
    const Extrinsics& b = back.extrinsics;
    if (a.x != b.x || a.y != b.y || a.z != b.z) {
        return "device round trip changed the position";
    }
    const RotationMatrix ra = rotationFromEulerDegrees(a.roll, a.pitch, a.yaw);
    const RotationMatrix rb = rotationFromEulerDegrees(b.roll, b.pitch, b.yaw);
    for (std::size_t i = 0; i < ra.size(); ++i) {
        if (!(std::fabs(ra[i] - rb[i]) <= poseTolerance)) {
            return "device round trip changed the pose";
        }
    }
    AdvancedOptions shared = activeTemplate(original).options;
    if (original.algorithmVersion != AlgorithmVersion::V2) {
        const bool debug = shared.debug;
        shared = AdvancedOptions{};
        shared.debug = debug;
    }
    for (std::size_t slot = 0; slot < kTemplateCount; ++slot) {
        ZoneTemplate expected = original.templates[slot];
        expected.options = shared;
        if (auto* sector = std::get_if<SectorZones>(&expected.body)) {
            sector->lowerLimit = 0.0;
        }
        if (back.templates[slot] != expected) {
            return "device round trip changed template " + std::to_string(slot);
        }
    }
    return {};
}

}  // namespace hazard_desk::test
