// The camera's parameter JSON from hostile text: parse for both algorithm
// generations, and round-trip every accepted document.
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "FuzzChecks.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace hazard_desk;
using nlohmann::json;

namespace {

// True when every key of "Zones" is written the way the workstation writes it
// ("5", not "05" or " 5"); only then does a merge overwrite the same members.
bool canonicalZoneKeys(const json& root)
{
    for (auto it = root["Zones"].begin(); it != root["Zones"].end(); ++it) {
        const std::string& key = it.key();
        const bool digits = !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || (key.size() > 1 && key[0] == '0')) {
            return false;
        }
    }
    return true;
}

// Building over the input keeps its unknown keys; an input nested beyond what
// the writer copies is refused with one "$baseDeviceJson" issue, which is fine.
bool refusedAsTooDeep(const ParameterValidationError& error)
{
    return error.issues().size() == 1 && error.issues()[0].path == "$baseDeviceJson"
           && error.issues()[0].message.rfind("must not be nested deeper", 0) == 0;
}

// With requireAllTemplates the reader accepts the same document or refuses
// only for the missing templates; never a different document.
void checkRequireAll(const json& root, AlgorithmVersion version, const WorkstationDocument& lenient)
{
    try {
        if (parseDeviceDocument(root, version, true) != lenient) {
            fuzz::fail("requireAllTemplates changed the document");
        }
    } catch (const ParameterValidationError& error) {
        const ValidationIssueList expected{{"$device.Zones", "must contain every template index from 0 to 19"}};
        if (error.issues() != expected) {
            fuzz::fail(std::string("requireAllTemplates refused for another reason: ") + error.what());
        }
    }
}

void checkOneVersion(const json& root, AlgorithmVersion version)
{
    WorkstationDocument document;
    try {
        document = parseDeviceDocument(root, version, false);
    } catch (const ParameterValidationError& error) {
        if (error.issues().empty()) {
            fuzz::fail("a refusal without issues");
        }
        try {
            (void)parseDeviceDocument(root, version, true);
            fuzz::fail("requireAllTemplates accepted what the lenient read refused");
        } catch (const ParameterValidationError&) {
        }
        return;
    }
    if (document.algorithmVersion != version) {
        fuzz::fail("the caller's algorithm version was not kept");
    }
    checkRequireAll(root, version, document);
    fuzz::checkWorkstationRoundTrip(document);

    WorkstationDocument back;
    try {
        back = parseDeviceDocument(buildDeviceDocument(document, root), version, true);
    } catch (const ParameterValidationError& error) {
        if (refusedAsTooDeep(error)) {
            return;
        }
        fuzz::fail(std::string("rebuilt camera JSON does not parse: ") + error.what());
    }
    fuzz::checkDeviceRoundTrip(document, back);

    if (canonicalZoneKeys(root)) {
        DeviceMergeOptions options;
        options.allTemplates = true;
        try {
            back = parseDeviceDocument(mergeIntoDeviceDocument(document, root, options), version, true);
        } catch (const ParameterValidationError& error) {
            fuzz::fail(std::string("merged camera JSON does not parse: ") + error.what());
        }
        fuzz::checkDeviceRoundTrip(document, back);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const json root = json::parse(text.begin(), text.end(), nullptr, false, false);
    if (root.is_discarded()) {
        try {
            (void)parseDeviceDocumentText(text, AlgorithmVersion::V2, false);
            fuzz::fail("text that is not JSON was accepted");
        } catch (const ParameterValidationError& error) {
            if (error.issues() != ValidationIssueList{{"$device", "invalid JSON syntax"}}) {
                fuzz::fail(std::string("text that is not JSON gave another refusal: ") + error.what());
            }
        }
        return 0;
    }
    checkOneVersion(root, AlgorithmVersion::V1);
    checkOneVersion(root, AlgorithmVersion::V2);
    return 0;
}
