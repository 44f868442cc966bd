#include "FuzzChecks.h"

#include "DeviceRoundTrip.h"
#include "DocumentValidator.h"
#include "IssueListFormatter.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

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
    const std::string difference = test::deviceRoundTripDifference(original, back, kPoseTolerance);
    if (!difference.empty()) {
        fail(difference);
    }
}

}  // namespace hazard_desk::fuzz
