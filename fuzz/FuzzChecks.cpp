#include "FuzzChecks.h"

#include "DocumentValidator.h"
#include "IssueListFormatter.h"
#include "ParameterValidationError.h"
#include "RotationConversion.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace hazard_desk::fuzz {

void fail(std::string_view what)
{
    std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

void checkWorkstationRoundTrip(const WorkstationDocument& document)
{
    const ValidationIssueList issues = validateWorkstationDocument(document);
    if (!issues.empty()) {
        fail("accepted document is not valid: " + formatIssueList(issues));
    }
    const std::string text = dumpWorkstationDocument(document, 2);
    WorkstationDocument again;
    try {
        again = parseWorkstationDocumentText(text);
    } catch (const ParameterValidationError& error) {
        fail(std::string("written document does not parse: ") + error.what());
    }
    if (again != document) {
        fail("workstation round trip changed the document");
    }
    if (dumpWorkstationDocument(again, 2) != text) {
        fail("workstation writing is not stable");
    }
    if (serializeWorkstationDocument(document).dump(2) != text) {
        fail("written text differs from the JSON library's layout");
    }
}

void checkDeviceRoundTrip(const WorkstationDocument& original, const WorkstationDocument& back)
{
    if (back.algorithmVersion != original.algorithmVersion || back.activeIndex != original.activeIndex) {
        fail("device round trip changed the algorithm version or the active index");
    }
    const Extrinsics& a = original.extrinsics;
    const Extrinsics& b = back.extrinsics;
    if (a.x != b.x || a.y != b.y || a.z != b.z) {
        fail("device round trip changed the position");
    }
    const RotationMatrix ra = rotationFromEulerDegrees(a.roll, a.pitch, a.yaw);
    const RotationMatrix rb = rotationFromEulerDegrees(b.roll, b.pitch, b.yaw);
    for (std::size_t i = 0; i < ra.size(); ++i) {
        if (!(std::fabs(ra[i] - rb[i]) <= kPoseTolerance)) {
            fail("device round trip changed the pose");
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
            fail("device round trip changed template " + std::to_string(slot));
        }
    }
}

}  // namespace hazard_desk::fuzz
