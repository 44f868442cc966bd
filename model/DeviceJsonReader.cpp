#include "DeviceJsonReader.h"

#include "DeviceJsonKeys.h"
#include "DocumentValidator.h"
#include "JsonFieldReader.h"
#include "ParameterValidationError.h"
#include "RotationConversion.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace hazard_desk {
namespace {

using nlohmann::json;
using namespace json_read;
namespace keys = device_keys;

const std::string kRoot = "$device";
const std::string kRotationPath = "$device.R";
const std::string kTranslationPath = "$device.T";
const std::string kZonesPath = "$device.Zones";

constexpr double kOrthonormalTolerance = 0.001;
constexpr double kDeterminantTolerance = 0.001;
// Danger and warning boxes of a square template must meet exactly (within rounding).
constexpr double kContiguityToleranceMm = 1e-6;

constexpr const char* kSixNumberMessage = "must be a six-number array [minX,maxX,minY,maxY,minZ,maxZ]";
constexpr const char* kSevenNumberMessage =
    "must be a seven-number array [radius,leftSweep,rightSweep,minZ,maxZ,centerX,centerY]";

template <std::size_t N>
std::array<double, N> readFiniteArray(const json& value, const std::string& path, const char* shapeMessage)
{
    if (!value.is_array() || value.size() != N) {
        throwValidationIssue(path, shapeMessage);
    }
    std::array<double, N> numbers{};
    for (std::size_t i = 0; i < N; ++i) {
        const json& entry = value[i];
        if (entry.is_number() && std::isfinite(entry.get<double>())) {
            numbers[i] = entry.get<double>();
        } else {
            numbers[i] = asFiniteNumber(entry, elementPath(path, i), "must be a finite number");
        }
    }
    return numbers;
}

RotationMatrix readRotation(const json& root)
{
    const json& value = required(root, kRoot, keys::kRotation);
    if (!value.is_array() || value.size() != 9) {
        throwValidationIssue(kRotationPath, "must contain nine row-major rotation values");
    }
    RotationMatrix r{};
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (!value[i].is_number()) {
            throwValidationIssue(elementPath(kRotationPath, i), "must be a number");
        }
        r[i] = value[i].get<double>();
    }
    for (const double entry : r) {
        if (!std::isfinite(entry)) {
            throwValidationIssue(kRotationPath, "must contain only finite values");
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const double dot = r[3 * i] * r[3 * j] + r[3 * i + 1] * r[3 * j + 1] + r[3 * i + 2] * r[3 * j + 2];
            const double expected = i == j ? 1.0 : 0.0;
            if (std::fabs(dot - expected) > kOrthonormalTolerance) {
                throwValidationIssue(kRotationPath, "must be an orthonormal rotation matrix");
            }
        }
    }
    const double determinant = r[0] * (r[4] * r[8] - r[5] * r[7]) - r[1] * (r[3] * r[8] - r[5] * r[6])
                               + r[2] * (r[3] * r[7] - r[4] * r[6]);
    if (std::fabs(determinant - 1.0) > kDeterminantTolerance) {
        throwValidationIssue(kRotationPath, "determinant must be +1");
    }
    return r;
}

std::array<double, 3> readTranslation(const json& root)
{
    const json& value = required(root, kRoot, keys::kTranslation);
    if (!value.is_array() || value.size() != 3) {
        throwValidationIssue(kTranslationPath, "must contain three translation values");
    }
    std::array<double, 3> t{};
    for (std::size_t i = 0; i < t.size(); ++i) {
        t[i] = asFiniteNumber(value[i], elementPath(kTranslationPath, i), "must be a number");
    }
    return t;
}

// The camera holds one option set for all templates.
AdvancedOptions readOptions(const json& root, AlgorithmVersion algorithmVersion)
{
    AdvancedOptions options;
    readOptionalBoolean(root, kRoot, keys::kDebug, options.debug);
    if (algorithmVersion != AlgorithmVersion::V2) {
        return options;
    }
    SemanticOptions& s = options.semantic;
    GroundVoidOptions& g = options.groundVoid;
    readOptionalBoolean(root, kRoot, keys::kSemantics, s.enabled);
    readOptionalBoolean(root, kRoot, keys::kSemanticsOutput, s.pointCloudOutput);
    readOptionalBoolean(root, kRoot, keys::kEnhancedDetection, s.enhancement);
    readOptionalBoolean(root, kRoot, keys::kSimpleOutput, s.pointCloudCompact);
    readOptionalBoolean(root, kRoot, keys::kNoneSemanticClusterOutput, s.nonSemanticBox);
    readOptionalBoolean(root, kRoot, keys::kGroundHoleDetection, g.enabled);
    if (const json* window = find(root, keys::kForklift2dEnhance)) {
        const auto v = readFiniteArray<4>(*window, keyPath(kRoot, keys::kForklift2dEnhance),
                                          "must be [minX,minY,maxX,maxY]");
        s.minX = v[0];
        s.minY = v[1];
        s.maxX = v[2];
        s.maxY = v[3];
    }
    if (const json* param = find(root, keys::kGroundHoleParam)) {
        const auto v =
            readFiniteArray<6>(*param, keyPath(kRoot, keys::kGroundHoleParam),
                               "must be [farDistance,nearDistance,halfWidth,resolution,halfThickness,minPoints]");
        g.farDistance = v[0];
        g.nearDistance = v[1];
        g.halfWidth = v[2];
        g.resolution = v[3];
        g.halfThickness = v[4];
        g.minPoints = v[5];
    }
    return options;
}

// A key is a whole base-10 integer 0..19; leading white space and a sign are
// accepted (as the camera's own conversion does), nothing after the digits.
bool templateKeyNumber(const std::string& key, long& number)
{
    errno = 0;
    char* end = nullptr;
    number = std::strtol(key.c_str(), &end, 10);
    return end != key.c_str() && end == key.c_str() + key.size() && errno != ERANGE && number >= 0
           && number <= kMaxTemplateIndex;
}

BoxZone boxFrom(const std::array<double, 6>& v)
{
    return BoxZone{v[0], v[1], v[2], v[3], v[4], v[5]};
}

// Device sweeps count away from X on either side: leftSweep is the right angle.
SectorZone sectorFrom(const std::array<double, 7>& v)
{
    return SectorZone{v[0], -v[2], v[1], v[3], v[4], v[5], v[6]};
}

bool contiguous(const BoxZone& danger, const BoxZone& warning)
{
    return std::fabs(danger.maxX - warning.minX) <= kContiguityToleranceMm
           && std::fabs(danger.minY - warning.minY) <= kContiguityToleranceMm
           && std::fabs(danger.maxY - warning.maxY) <= kContiguityToleranceMm
           && std::fabs(danger.minZ - warning.minZ) <= kContiguityToleranceMm
           && std::fabs(danger.maxZ - warning.maxZ) <= kContiguityToleranceMm;
}

TemplateType zoneType(const json& zone, const std::string& zonePath)
{
    if (const json* typeValue = find(zone, keys::kZoneType)) {
        const std::string path = keyPath(zonePath, keys::kZoneType);
        const auto type = templateTypeFromWord(asString(*typeValue, path));
        if (!type) {
            throwValidationIssue(path, "must be square, squareFree, or sector");
        }
        return *type;
    }
    const json* danger = find(zone, keys::kDangerZone);
    return danger != nullptr && danger->is_array() && danger->size() == 7 ? TemplateType::Sector
                                                                          : TemplateType::Square;
}

ZoneBody readZoneBody(const json& zone, const std::string& zonePath)
{
    const TemplateType type = zoneType(zone, zonePath);
    const json& dangerValue = required(zone, zonePath, keys::kDangerZone);
    const json& warningValue = required(zone, zonePath, keys::kWarningZone);
    const std::string dangerPath = keyPath(zonePath, keys::kDangerZone);
    const std::string warningPath = keyPath(zonePath, keys::kWarningZone);

    if (type == TemplateType::Sector) {
        SectorZones sector;
        sector.lowerLimit = 0.0;
        sector.danger = sectorFrom(readFiniteArray<7>(dangerValue, dangerPath, kSevenNumberMessage));
        sector.warning = sectorFrom(readFiniteArray<7>(warningValue, warningPath, kSevenNumberMessage));
        const json* notify = find(zone, keys::kNotifyZone);
        if (notify != nullptr && notify->is_array() && !notify->empty()) {
            sector.notify = sectorFrom(
                readFiniteArray<7>(*notify, keyPath(zonePath, keys::kNotifyZone), kSevenNumberMessage));
        }
        return sector;
    }

    const BoxZone danger = boxFrom(readFiniteArray<6>(dangerValue, dangerPath, kSixNumberMessage));
    const BoxZone warning = boxFrom(readFiniteArray<6>(warningValue, warningPath, kSixNumberMessage));
    if (type == TemplateType::SquareFree) {
        const json& notifyValue = required(zone, zonePath, keys::kNotifyZone);
        const BoxZone notify =
            boxFrom(readFiniteArray<6>(notifyValue, keyPath(zonePath, keys::kNotifyZone), kSixNumberMessage));
        return FreeBoxZones{danger, warning, notify};
    }
    if (!contiguous(danger, warning)) {
        throwValidationIssue(zonePath, "square danger/warning zones must be contiguous and share Y/Z bounds");
    }
    return SquareZones{danger.minX, danger.maxX, warning.maxX, danger.minY, danger.maxY, danger.minZ, danger.maxZ};
}

// Reads "Zones" into the document; returns how many distinct templates it held.
std::size_t readZones(const json& root, const AdvancedOptions& options, WorkstationDocument& document)
{
    const json& zones = asObject(required(root, kRoot, keys::kZones), kZonesPath);
    std::array<bool, kTemplateCount> seen{};
    std::size_t distinct = 0;
    for (auto it = zones.begin(); it != zones.end(); ++it) {
        const std::string& key = it.key();
        if (key.empty()) {
            throwValidationIssue(kZonesPath, "contains an empty template key");
        }
        const std::string zonePath = keyPath(kZonesPath, key);
        long number = 0;
        if (!templateKeyNumber(key, number)) {
            throwValidationIssue(zonePath, "template key must be an integer from 0 to 19");
        }
        const auto slot = static_cast<std::size_t>(number);
        if (seen[slot]) {
            throwValidationIssue(kZonesPath, "contains a duplicate numeric template index");
        }
        seen[slot] = true;
        ++distinct;

        const json& zone = asObject(it.value(), zonePath);
        ZoneTemplate& zoneTemplate = document.templates[slot];
        zoneTemplate.index = static_cast<std::int32_t>(number);
        zoneTemplate.body = readZoneBody(zone, zonePath);
        zoneTemplate.options = options;
    }
    return distinct;
}

}  // namespace

WorkstationDocument parseDeviceDocumentText(std::string_view text, AlgorithmVersion algorithmVersion,
                                            bool requireAllTemplates)
{
    json root;
    if (!parseText(text, root)) {
        throwValidationIssue(kRoot, "invalid JSON syntax");
    }
    return parseDeviceDocument(root, algorithmVersion, requireAllTemplates);
}

WorkstationDocument parseDeviceDocument(const json& root, AlgorithmVersion algorithmVersion,
                                        bool requireAllTemplates)
{
    if (!root.is_object()) {
        throwValidationIssue(kRoot, "device parameter document must be an object");
    }
    const RotationMatrix rotation = readRotation(root);
    const std::array<double, 3> translation = readTranslation(root);

    WorkstationDocument document;
    document.algorithmVersion = algorithmVersion;
    const EulerAnglesDeg angles = eulerDegreesFromRotation(rotation);
    document.extrinsics = Extrinsics{angles.roll, angles.pitch, angles.yaw,
                                     translation[0], translation[1], translation[2]};
    document.activeIndex = asInt32(required(root, kRoot, keys::kZoneIndex), keyPath(kRoot, keys::kZoneIndex));

    const AdvancedOptions options = readOptions(root, algorithmVersion);
    for (ZoneTemplate& zoneTemplate : document.templates) {
        zoneTemplate.options = options;
    }
    const std::size_t distinct = readZones(root, options, document);
    if (requireAllTemplates && distinct != kTemplateCount) {
        throwValidationIssue(kZonesPath, "must contain every template index from 0 to 19");
    }
    if (static_cast<std::uint32_t>(document.activeIndex) > static_cast<std::uint32_t>(kMaxTemplateIndex)) {
        throwValidationIssue(keyPath(kRoot, keys::kZoneIndex), "must be an integer from 0 to 19");
    }

    ValidationIssueList issues = validateWorkstationDocument(document);
    if (!issues.empty()) {
        throw ParameterValidationError(std::move(issues));
    }
    return document;
}

}  // namespace hazard_desk
