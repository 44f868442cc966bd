#include "WorkstationJsonReader.h"

#include "DocumentValidator.h"
#include "JsonFieldReader.h"
#include "ParameterValidationError.h"
#include "WorkstationJsonWriter.h"

#include <array>
#include <string>

namespace hazard_desk {
namespace {

using nlohmann::json;
using namespace json_read;

constexpr double kNotifyRadiusMarginMm = 1000.0;

void readAlgorithmVersion(const json& root, WorkstationDocument& document)
{
    const json* value = find(root, "algorithmVersion");
    if (value == nullptr) {
        return;
    }
    const std::string& word = asString(*value, "$.algorithmVersion");
    const auto version = algorithmVersionFromWord(word);
    if (!version) {
        throwValidationIssue("$.algorithmVersion", "must be v1 or v2");
    }
    document.algorithmVersion = *version;
}

// "x" when present, otherwise the older required "posX" (likewise y, z).
double readPosition(const json& extrinsics, const char* key, const char* olderKey)
{
    const std::string path = "$.extrinsics";
    if (find(extrinsics, key) != nullptr) {
        return requiredNumber(extrinsics, path, key);
    }
    return requiredNumber(extrinsics, path, olderKey);
}

void readExtrinsics(const json& root, Extrinsics& extrinsics)
{
    const std::string path = "$.extrinsics";
    const json& object = asObject(required(root, "$", "extrinsics"), path);
    extrinsics.roll = requiredNumber(object, path, "roll");
    extrinsics.pitch = requiredNumber(object, path, "pitch");
    extrinsics.yaw = requiredNumber(object, path, "yaw");
    extrinsics.x = readPosition(object, "x", "posX");
    extrinsics.y = readPosition(object, "y", "posY");
    extrinsics.z = readPosition(object, "z", "posZ");
}

void readSquare(const json& entry, const std::string& t, SquareZones& square)
{
    square.lowerLimit = requiredNumber(entry, t, "lowerLimit");
    square.emergencyStopUpper = requiredNumber(entry, t, "emergencyStopUpper");
    square.decelerationUpper = requiredNumber(entry, t, "decelerationUpper");
    square.rangeLeft = requiredNumber(entry, t, "rangeLeft");
    square.rangeRight = requiredNumber(entry, t, "rangeRight");
    square.heightLower = requiredNumber(entry, t, "heightLower");
    square.heightUpper = requiredNumber(entry, t, "heightUpper");
}

void readBox(const json& zones, const std::string& zonesPath, const char* level, BoxZone& box)
{
    const std::string path = keyPath(zonesPath, level);
    const json& object = asObject(required(zones, zonesPath, level), path);
    box.minX = requiredNumber(object, path, "minX");
    box.maxX = requiredNumber(object, path, "maxX");
    box.minY = requiredNumber(object, path, "minY");
    box.maxY = requiredNumber(object, path, "maxY");
    box.minZ = requiredNumber(object, path, "minZ");
    box.maxZ = requiredNumber(object, path, "maxZ");
}

void readFreeBox(const json& entry, const std::string& t, FreeBoxZones& freeBox)
{
    const std::string path = t + ".zones";
    const json& zones = asObject(required(entry, t, "zones"), path);
    readBox(zones, path, "danger", freeBox.danger);
    readBox(zones, path, "warning", freeBox.warning);
    readBox(zones, path, "notify", freeBox.notify);
}

// Every key optional: an absent key keeps the value of the record read over.
void readSectorRecord(const json& value, const std::string& path, SectorZone& record)
{
    const json& object = asObject(value, path);
    readOptionalNumber(object, path, "radius", record.radius);
    readOptionalNumber(object, path, "leftAngle", record.leftAngle);
    readOptionalNumber(object, path, "rightAngle", record.rightAngle);
    readOptionalNumber(object, path, "minZ", record.minZ);
    readOptionalNumber(object, path, "maxZ", record.maxZ);
    readOptionalNumber(object, path, "centerX", record.centerX);
    readOptionalNumber(object, path, "centerY", record.centerY);
}

void readSector(const json& entry, const std::string& t, SectorZones& sector)
{
    sector.lowerLimit = 0.0;
    readOptionalNumber(entry, t, "lowerLimit", sector.lowerLimit);
    const std::string path = t + ".sector";
    const json& object = asObject(required(entry, t, "sector"), path);
    const json* danger = find(object, "danger");
    const json* warning = find(object, "warning");
    if (danger != nullptr && warning != nullptr) {
        readSectorRecord(*danger, path + ".danger", sector.danger);
        readSectorRecord(*warning, path + ".warning", sector.warning);
        const json* notify = find(object, "notify");
        if (notify != nullptr && !notify->is_null()) {
            SectorZone record = sector.warning;
            record.radius += kNotifyRadiusMarginMm;
            readSectorRecord(*notify, path + ".notify", record);
            sector.notify = record;
        }
        return;
    }
    if (danger != nullptr || warning != nullptr) {
        throwValidationIssue(path, "danger and warning must either both be present or both be omitted");
    }
    // The older form: one pair of angles, radii and heights from the square keys.
    const double leftAngle = requiredNumber(object, path, "leftAngle");
    const double rightAngle = requiredNumber(object, path, "rightAngle");
    const double emergencyStopUpper = requiredNumber(entry, t, "emergencyStopUpper");
    const double decelerationUpper = requiredNumber(entry, t, "decelerationUpper");
    const double heightLower = requiredNumber(entry, t, "heightLower");
    const double heightUpper = requiredNumber(entry, t, "heightUpper");
    sector.danger = SectorZone{emergencyStopUpper, leftAngle, rightAngle, heightLower, heightUpper, 0.0, 0.0};
    sector.warning = SectorZone{decelerationUpper, leftAngle, rightAngle, heightLower, heightUpper, 0.0, 0.0};
    sector.notify.reset();
}

void readOptions(const json& entry, const std::string& t, AdvancedOptions& options)
{
    readOptionalBoolean(entry, t, "debug", options.debug);
    if (const json* v1 = find(entry, "v1")) {
        const std::string path = t + ".v1";
        readOptionalBoolean(asObject(*v1, path), path, "debug", options.debug);
    }
    const json* v2 = find(entry, "v2");
    if (v2 == nullptr) {
        return;
    }
    const std::string v2Path = t + ".v2";
    const json& v2Object = asObject(*v2, v2Path);
    if (const json* groundVoid = find(v2Object, "groundVoid")) {
        const std::string path = v2Path + ".groundVoid";
        const json& object = asObject(*groundVoid, path);
        GroundVoidOptions& g = options.groundVoid;
        readOptionalBoolean(object, path, "enabled", g.enabled);
        readOptionalNumber(object, path, "nearDistance", g.nearDistance);
        readOptionalNumber(object, path, "farDistance", g.farDistance);
        readOptionalNumber(object, path, "halfWidth", g.halfWidth);
        readOptionalNumber(object, path, "resolution", g.resolution);
        readOptionalNumber(object, path, "halfThickness", g.halfThickness);
        readOptionalNumber(object, path, "minPoints", g.minPoints);
    }
    if (const json* semantic = find(v2Object, "semantic")) {
        const std::string path = v2Path + ".semantic";
        const json& object = asObject(*semantic, path);
        SemanticOptions& s = options.semantic;
        readOptionalBoolean(object, path, "enabled", s.enabled);
        readOptionalBoolean(object, path, "pointCloudCompact", s.pointCloudCompact);
        readOptionalBoolean(object, path, "nonSemanticBox", s.nonSemanticBox);
        readOptionalBoolean(object, path, "enhancement", s.enhancement);
        readOptionalBoolean(object, path, "pointCloudOutput", s.pointCloudOutput);
        readOptionalNumber(object, path, "minX", s.minX);
        readOptionalNumber(object, path, "maxX", s.maxX);
        readOptionalNumber(object, path, "minY", s.minY);
        readOptionalNumber(object, path, "maxY", s.maxY);
    }
}

ZoneTemplate readTemplate(const json& value, std::size_t position, std::array<bool, kTemplateCount>& seen)
{
    const std::string t = "$.templates[" + std::to_string(position) + "]";
    const json& entry = asObject(value, t);

    const json* indexValue = find(entry, "index");
    const std::int32_t index = indexValue != nullptr ? asInt32(*indexValue, t + ".index")
                                                     : asInt32(required(entry, t, "obstacleIndex"),
                                                               t + ".obstacleIndex");
    if (index < 0 || index > kMaxTemplateIndex || seen[static_cast<std::size_t>(index)]) {
        throwValidationIssue(t + ".index", "must uniquely cover every index from 0 to 19");
    }
    seen[static_cast<std::size_t>(index)] = true;

    const std::string typePath = t + ".type";
    const auto type = templateTypeFromWord(asString(required(entry, t, "type"), typePath));
    if (!type) {
        throwValidationIssue(typePath, "must be square, squareFree, or sector");
    }

    ZoneTemplate zoneTemplate = defaultZoneTemplate(index, *type);
    if (auto* square = std::get_if<SquareZones>(&zoneTemplate.body)) {
        readSquare(entry, t, *square);
    } else if (auto* freeBox = std::get_if<FreeBoxZones>(&zoneTemplate.body)) {
        readFreeBox(entry, t, *freeBox);
    } else if (auto* sector = std::get_if<SectorZones>(&zoneTemplate.body)) {
        readSector(entry, t, *sector);
    }
    readOptions(entry, t, zoneTemplate.options);
    return zoneTemplate;
}

}  // namespace

WorkstationDocument parseWorkstationDocumentText(std::string_view text)
{
    json root;
    if (!parseText(text, root)) {
        throwValidationIssue("$", "invalid JSON syntax");
    }
    return parseWorkstationDocument(root);
}

WorkstationDocument parseWorkstationDocument(const json& root)
{
    if (!root.is_object()) {
        throwValidationIssue("$", "workstation parameter document must be an object");
    }
    // Anything but the integer 1 is a format this workstation does not know.
    const json& version = required(root, "$", "version");
    if (!version.is_number_integer() || version != kWorkstationJsonVersion) {
        throwValidationIssue("$.version", "unsupported workstation JSON version");
    }

    WorkstationDocument document;
    readAlgorithmVersion(root, document);
    if (const json* activeIndex = find(root, "activeIndex")) {
        document.activeIndex = asInt32(*activeIndex, "$.activeIndex");
    }
    readExtrinsics(root, document.extrinsics);

    const json& templates = required(root, "$", "templates");
    if (!templates.is_array() || templates.size() != kTemplateCount) {
        throwValidationIssue("$.templates", "must contain exactly 20 templates");
    }
    std::array<bool, kTemplateCount> seen{};
    for (std::size_t position = 0; position < kTemplateCount; ++position) {
        ZoneTemplate zoneTemplate = readTemplate(templates[position], position, seen);
        document.templates[static_cast<std::size_t>(zoneTemplate.index)] = std::move(zoneTemplate);
    }
    for (const bool covered : seen) {
        if (!covered) {
            throwValidationIssue("$.templates", "indexes must uniquely cover every value from 0 to 19");
        }
    }

    requireValidDocument(document);
    return document;
}

}  // namespace hazard_desk
