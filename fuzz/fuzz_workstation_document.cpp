// Workstation JSON from hostile text: parse, and round-trip every accepted
// document through workstation JSON and through the camera's JSON.
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "FuzzChecks.h"
#include "IssueListFormatter.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace hazard_desk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    WorkstationDocument document;
    try {
        document = parseWorkstationDocumentText(text);
    } catch (const ParameterValidationError& error) {
        if (error.issues().empty() || formatIssueList(error.issues()).empty()) {
            fuzz::fail("a refusal without issues");
        }
        return 0;
    }
    // Anything else thrown escapes and counts as a crash: the parser throws one type only.
    fuzz::checkWorkstationRoundTrip(document);

    WorkstationDocument back;
    try {
        back = parseDeviceDocument(buildDeviceDocument(document, nlohmann::json::object()),
                                   document.algorithmVersion, true);
    } catch (const ParameterValidationError& error) {
        fuzz::fail(std::string("built camera JSON does not parse: ") + error.what());
    }
    fuzz::checkDeviceRoundTrip(document, back);
    return 0;
}
