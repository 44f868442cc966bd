#include "DocumentValidator.h"

#include "ParameterValidationError.h"

#include <cmath>
#include <string>
#include <utility>

namespace hazard_desk {
namespace {

constexpr double kMaxAngleDeg = 180.0;
constexpr double kMaxGroundVoidDistanceMm = 10000.0;
constexpr double kMaxGroundVoidHalfWidthMm = 5000.0;

bool finite(double v) { return std::isfinite(v); }

template <typename... Values>
bool allFinite(Values... values)
{
    return (finite(values) && ...);
}

class IssueCollector {
public:
    void add(std::string path, const char* message) { issues_.push_back({std::move(path), message}); }
    ValidationIssueList take() { return std::move(issues_); }

private:
    ValidationIssueList issues_;
};

void checkDocumentRules(const WorkstationDocument& document, IssueCollector& issues)
{
    const Extrinsics& e = document.extrinsics;
    if (!allFinite(e.roll, e.pitch, e.yaw, e.x, e.y, e.z)) {
        issues.add("extrinsics", "all values must be finite");
    }
    // NaN compares false both ways, so it never trips this rule.
    const auto outOfRange = [](double angle) { return angle < -kMaxAngleDeg || angle > kMaxAngleDeg; };
    if (outOfRange(e.roll) || outOfRange(e.pitch) || outOfRange(e.yaw)) {
        issues.add("extrinsics", "roll, pitch, and yaw must stay within [-180, 180]");
    }
    if (static_cast<std::uint32_t>(document.activeIndex) > static_cast<std::uint32_t>(kMaxTemplateIndex)) {
        issues.add("activeIndex", "must be an integer from 0 to 19");
    }
}

void checkSquare(const SquareZones& s, const std::string& t, IssueCollector& issues)
{
    if (!allFinite(s.lowerLimit, s.emergencyStopUpper, s.decelerationUpper, s.rangeLeft, s.rangeRight,
                   s.heightLower, s.heightUpper)) {
        issues.add(t, "all square parameters must be finite");
        return;
    }
    if (!(0.0 <= s.lowerLimit && s.lowerLimit < s.emergencyStopUpper
          && s.emergencyStopUpper < s.decelerationUpper)) {
        issues.add(t + ".distance", "must satisfy 0 <= lowerLimit < emergencyStopUpper < decelerationUpper");
    }
    if (!(s.rangeLeft < s.rangeRight)) {
        issues.add(t + ".range", "rangeLeft must be less than rangeRight");
    }
    if (!(s.heightLower < s.heightUpper)) {
        issues.add(t + ".height", "heightLower must be less than heightUpper");
    }
}

void checkBox(const BoxZone& b, const std::string& z, IssueCollector& issues)
{
    if (!allFinite(b.minX, b.maxX, b.minY, b.maxY, b.minZ, b.maxZ)) {
        issues.add(z, "all bounds must be finite");
        return;
    }
    if (!(b.minX < b.maxX)) {
        issues.add(z + ".x", "minX must be less than maxX");
    }
    if (!(b.minY < b.maxY)) {
        issues.add(z + ".y", "minY must be less than maxY");
    }
    if (!(b.minZ < b.maxZ)) {
        issues.add(z + ".z", "minZ must be less than maxZ");
    }
}

void checkFreeBox(const FreeBoxZones& f, const std::string& t, IssueCollector& issues)
{
    checkBox(f.danger, t + ".zones.danger", issues);
    checkBox(f.warning, t + ".zones.warning", issues);
    checkBox(f.notify, t + ".zones.notify", issues);
}

void checkSectorRecord(const SectorZone& s, const std::string& z, IssueCollector& issues)
{
    if (!allFinite(s.radius, s.leftAngle, s.rightAngle, s.minZ, s.maxZ, s.centerX, s.centerY)) {
        issues.add(z, "all sector values must be finite");
        return;
    }
    if (!(s.radius > 0.0)) {
        issues.add(z + ".radius", "must be greater than zero");
    }
    if (s.leftAngle < -kMaxAngleDeg || s.rightAngle > kMaxAngleDeg) {
        issues.add(z + ".angles", "must stay within [-180, 180] degrees");
    }
    if (!(s.leftAngle < s.rightAngle)) {
        issues.add(z + ".angles", "leftAngle must be less than rightAngle");
    }
    if (!(s.minZ < s.maxZ)) {
        issues.add(z + ".z", "minZ must be less than maxZ");
    }
}

void checkSector(const SectorZones& s, const std::string& t, IssueCollector& issues)
{
    if (!finite(s.lowerLimit) || s.lowerLimit < 0.0) {
        issues.add(t + ".lowerLimit", "must be finite and non-negative");
    }
    checkSectorRecord(s.danger, t + ".zones.danger", issues);
    checkSectorRecord(s.warning, t + ".zones.warning", issues);
    if (s.notify) {
        checkSectorRecord(*s.notify, t + ".zones.notify", issues);
    }
    if (allFinite(s.lowerLimit, s.danger.radius) && !(s.lowerLimit < s.danger.radius)) {
        issues.add(t + ".distance", "lowerLimit must be less than the danger radius");
    }
    if (allFinite(s.danger.radius, s.warning.radius) && s.warning.radius < s.danger.radius) {
        issues.add(t + ".distance", "danger radius must not exceed warning radius");
    }
    if (s.notify && allFinite(s.notify->radius, s.warning.radius) && s.notify->radius < s.warning.radius) {
        issues.add(t + ".distance", "warning radius must not exceed notify radius");
    }
}

void checkGroundVoid(const GroundVoidOptions& g, const std::string& t, IssueCollector& issues)
{
    const std::string p = t + ".v2.groundVoid";
    if (!allFinite(g.nearDistance, g.farDistance, g.halfWidth, g.resolution, g.halfThickness, g.minPoints)) {
        issues.add(p, "all values must be finite");
        return;
    }
    if (!g.enabled) {
        return;
    }
    if (!(0.0 <= g.nearDistance && g.nearDistance < g.farDistance)) {
        issues.add(p + ".distance", "must satisfy 0 <= nearDistance < farDistance");
    }
    if (!(g.halfWidth > 0.0 && g.resolution > 0.0 && g.halfThickness > 0.0 && g.minPoints > 0.0)) {
        issues.add(p, "halfWidth, resolution, halfThickness, and minPoints must be positive");
    }
    if (g.resolution > g.farDistance - g.nearDistance || g.resolution > 2.0 * g.halfWidth
        || g.resolution > 2.0 * g.halfThickness) {
        issues.add(p + ".resolution", "is too large for the configured distance, width, or thickness");
    }
    if (g.farDistance > kMaxGroundVoidDistanceMm || g.nearDistance > kMaxGroundVoidDistanceMm
        || g.halfWidth > kMaxGroundVoidHalfWidthMm) {
        issues.add(p, "far/near distance must be <= 10000 and halfWidth <= 5000");
    }
}

void checkSemantic(const SemanticOptions& s, const std::string& t, IssueCollector& issues)
{
    const std::string p = t + ".v2.semantic";
    if (!allFinite(s.minX, s.maxX, s.minY, s.maxY)) {
        issues.add(p, "all bounds must be finite");
        return;
    }
    if (s.enabled && (s.minX > s.maxX || s.minY > s.maxY)) {
        issues.add(p, "minimum bounds cannot be greater than maximum bounds");
    }
}

void checkTemplate(const ZoneTemplate& zoneTemplate, std::size_t slot, IssueCollector& issues)
{
    const std::string t = "templates[" + std::to_string(slot) + "]";
    if (zoneTemplate.index < 0 || static_cast<std::size_t>(zoneTemplate.index) != slot) {
        issues.add(t + ".index", "must match its 0..19 array position");
    }
    if (const auto* square = std::get_if<SquareZones>(&zoneTemplate.body)) {
        checkSquare(*square, t, issues);
    } else if (const auto* freeBox = std::get_if<FreeBoxZones>(&zoneTemplate.body)) {
        checkFreeBox(*freeBox, t, issues);
    } else if (const auto* sector = std::get_if<SectorZones>(&zoneTemplate.body)) {
        checkSector(*sector, t, issues);
    }
    checkGroundVoid(zoneTemplate.options.groundVoid, t, issues);
    checkSemantic(zoneTemplate.options.semantic, t, issues);
}

}  // namespace

ValidationIssueList validateWorkstationDocument(const WorkstationDocument& document)
{
    IssueCollector issues;
    checkDocumentRules(document, issues);
    for (std::size_t slot = 0; slot < document.templates.size(); ++slot) {
        checkTemplate(document.templates[slot], slot, issues);
    }
    return issues.take();
}

void requireValidDocument(const WorkstationDocument& document)
{
    ValidationIssueList issues = validateWorkstationDocument(document);
    if (!issues.empty()) {
        throw ParameterValidationError(std::move(issues));
    }
}

}  // namespace hazard_desk
