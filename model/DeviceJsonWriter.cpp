#include "DeviceJsonWriter.h"

#include "DeviceJsonKeys.h"
#include "DocumentValidator.h"
#include "JsonFieldReader.h"
#include "ParameterValidationError.h"
#include "RotationConversion.h"

#include <string>

namespace hazard_desk {
namespace {

using nlohmann::json;
namespace keys = device_keys;

const std::string kBasePath = "$baseDeviceJson";

json numberArray(std::initializer_list<double> values)
{
    json out = json::array();
    for (const double v : values) {
        out.push_back(v);
    }
    return out;
}

json boxArray(const BoxZone& b)
{
    return numberArray({b.minX, b.maxX, b.minY, b.maxY, b.minZ, b.maxZ});
}

// The camera counts both sweeps as positive angles away from X.
json sectorArray(const SectorZone& s)
{
    return numberArray({s.radius, s.rightAngle, -s.leftAngle, s.minZ, s.maxZ, s.centerX, s.centerY});
}

json zoneObject(const ZoneTemplate& zoneTemplate)
{
    json zone = json::object();
    zone[keys::kZoneType] = templateTypeWord(zoneTemplate.type());
    if (const auto* s = std::get_if<SquareZones>(&zoneTemplate.body)) {
        zone[keys::kDangerZone] = numberArray(
            {s->lowerLimit, s->emergencyStopUpper, s->rangeLeft, s->rangeRight, s->heightLower, s->heightUpper});
        zone[keys::kWarningZone] = numberArray({s->emergencyStopUpper, s->decelerationUpper, s->rangeLeft,
                                                s->rangeRight, s->heightLower, s->heightUpper});
        zone[keys::kNotifyZone] = json::array();
    } else if (const auto* f = std::get_if<FreeBoxZones>(&zoneTemplate.body)) {
        zone[keys::kDangerZone] = boxArray(f->danger);
        zone[keys::kWarningZone] = boxArray(f->warning);
        zone[keys::kNotifyZone] = boxArray(f->notify);
    } else if (const auto* sector = std::get_if<SectorZones>(&zoneTemplate.body)) {
        zone[keys::kDangerZone] = sectorArray(sector->danger);
        zone[keys::kWarningZone] = sectorArray(sector->warning);
        zone[keys::kNotifyZone] = sector->notify ? sectorArray(*sector->notify) : json::array();
    }
    return zone;
}

void requireObjectBase(const json& base)
{
    if (!base.is_object()) {
        throwValidationIssue(kBasePath, "must be an object");
    }
    // Copying and dumping a JSON value recurse; refuse absurd nesting instead of
    // running out of stack on a hostile file.
    if (json_read::nestingDepth(base, kMaxBaseJsonDepth) > kMaxBaseJsonDepth) {
        throwValidationIssue(kBasePath, "must not be nested deeper than "
                                            + std::to_string(kMaxBaseJsonDepth) + " levels");
    }
}

json buildValidated(const WorkstationDocument& document, const json& base)
{
    const Extrinsics& e = document.extrinsics;
    json out = base;
    const RotationMatrix r = rotationFromEulerDegrees(e.roll, e.pitch, e.yaw);
    out[keys::kRotation] = numberArray({r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8]});
    out[keys::kTranslation] = numberArray({e.x, e.y, e.z});
    out[keys::kZoneIndex] = document.activeIndex;
    json zones = json::object();
    for (const ZoneTemplate& zoneTemplate : document.templates) {
        zones[std::to_string(zoneTemplate.index)] = zoneObject(zoneTemplate);
    }
    out[keys::kZones] = std::move(zones);

    const AdvancedOptions& options = activeTemplate(document).options;
    out[keys::kDebug] = options.debug;
    if (document.algorithmVersion != AlgorithmVersion::V2) {
        for (const char* key : keys::kV2OptionKeys) {
            out.erase(key);
        }
        return out;
    }
    const SemanticOptions& s = options.semantic;
    const GroundVoidOptions& g = options.groundVoid;
    out[keys::kSemantics] = s.enabled;
    out[keys::kSemanticsOutput] = s.pointCloudOutput;
    out[keys::kEnhancedDetection] = s.enhancement;
    out[keys::kSimpleOutput] = s.pointCloudCompact;
    out[keys::kNoneSemanticClusterOutput] = s.nonSemanticBox;
    out[keys::kForklift2dEnhance] = numberArray({s.minX, s.minY, s.maxX, s.maxY});
    out[keys::kGroundHoleDetection] = g.enabled;
    out[keys::kGroundHoleParam] =
        numberArray({g.farDistance, g.nearDistance, g.halfWidth, g.resolution, g.halfThickness, g.minPoints});
    return out;
}

}  // namespace

json buildDeviceDocument(const WorkstationDocument& document, const json& base)
{
    requireValidDocument(document);
    requireObjectBase(base);
    return buildValidated(document, base);
}

json mergeIntoDeviceDocument(const WorkstationDocument& document, const json& base,
                             const DeviceMergeOptions& options)
{
    requireValidDocument(document);
    requireObjectBase(base);
    const std::int32_t selected = options.selectedIndex.value_or(document.activeIndex);
    if (selected < 0 || selected > kMaxTemplateIndex) {
        throwValidationIssue("$deviceExport.selectedIndex", "must be an integer from 0 to 19");
    }

    WorkstationDocument selectedDocument = document;
    selectedDocument.activeIndex = selected;
    const json generated = buildValidated(selectedDocument, json::object());
    const json& generatedZones = generated[keys::kZones];

    json out = base;
    json& zones = out[keys::kZones];
    if (!zones.is_object()) {
        zones = json::object();
    }
    const std::int32_t first = options.allTemplates ? 0 : selected;
    const std::int32_t last = options.allTemplates ? kMaxTemplateIndex : selected;
    for (std::int32_t index = first; index <= last; ++index) {
        const std::string key = std::to_string(index);
        json& zone = zones[key];
        if (!zone.is_object()) {
            zone = json::object();
        }
        for (const char* zoneKey : {keys::kZoneType, keys::kDangerZone, keys::kWarningZone, keys::kNotifyZone}) {
            zone[zoneKey] = generatedZones.at(key).at(zoneKey);
        }
    }
    out[keys::kZoneIndex] = selected;
    if (options.includeExtrinsics) {
        out[keys::kRotation] = generated.at(keys::kRotation);
        out[keys::kTranslation] = generated.at(keys::kTranslation);
    }
    if (options.includeFlags) {
        for (const char* key : keys::kFlagKeys) {
            const auto it = generated.find(key);
            if (it != generated.end()) {
                out[key] = *it;
            } else {
                out.erase(key);
            }
        }
    }
    return out;
}

json mergeActiveTemplate(const WorkstationDocument& document, const json& base)
{
    DeviceMergeOptions options;
    options.allTemplates = false;
    options.selectedIndex = document.activeIndex;
    options.includeExtrinsics = true;
    options.includeFlags = true;
    return mergeIntoDeviceDocument(document, base, options);
}

}  // namespace hazard_desk
