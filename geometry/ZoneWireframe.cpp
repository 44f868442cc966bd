#include "ZoneWireframe.h"

#include "RotationConversion.h"

#include <algorithm>
#include <cmath>

namespace zavov {
namespace {

constexpr int kMinimumSteps = 2;
constexpr int kVerticalEdgesPerArc = 6;

bool isFinite(const Point3& p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// max(ceil(extent / step), 2), bounded; extent is finite and not negative.
int stepsFor(double extent, double step)
{
    const double steps = std::ceil(extent / step);
    return static_cast<int>(std::clamp(steps, static_cast<double>(kMinimumSteps), static_cast<double>(kWireframeMaxSteps)));
}

}  // namespace

void appendSegmentSamples(const Point3& a, const Point3& b, std::vector<Point3>& out)
{
    if (!isFinite(a) || !isFinite(b)) {
        return;
    }
    const double dx = b[0] - a[0];
    const double dy = b[1] - a[1];
    const double dz = b[2] - a[2];
    const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!std::isfinite(length)) {
        return;   // both ends finite, the difference overflowed
    }
    const int n = stepsFor(length, kWireframeStepMm);
    for (int i = 0; i <= n; ++i) {
        const double t = static_cast<double>(i) / n;
        out.push_back({a[0] + dx * t, a[1] + dy * t, a[2] + dz * t});
    }
}

std::vector<Point3> boxWireframe(const hazard_desk::BoxZone& box)
{
    const double xs[2] = {box.minX, box.maxX};
    const double ys[2] = {box.minY, box.maxY};
    const double zs[2] = {box.minZ, box.maxZ};
    auto corner = [&](int ix, int iy, int iz) { return Point3{xs[ix], ys[iy], zs[iz]}; };
    std::vector<Point3> points;
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            appendSegmentSamples(corner(0, a, b), corner(1, a, b), points);   // along X
            appendSegmentSamples(corner(a, 0, b), corner(a, 1, b), points);   // along Y
            appendSegmentSamples(corner(a, b, 0), corner(a, b, 1), points);   // along Z
        }
    }
    return points;
}

std::vector<Point3> sectorWireframe(const hazard_desk::SectorZone& sector)
{
    const double span = sector.rightAngle - sector.leftAngle;
    if (!std::isfinite(span) || !std::isfinite(sector.radius)) {
        return {};
    }
    const int s = stepsFor(std::abs(span), kWireframeArcStepDeg);
    const int k = std::max(s / kVerticalEdgesPerArc, 1);
    auto arcVertex = [&](int j, double z) {
        const double angle = (sector.leftAngle + span * j / s) / hazard_desk::kDegreesPerRadian;
        return Point3{sector.centerX + sector.radius * std::cos(angle), sector.centerY + sector.radius * std::sin(angle), z};
    };
    std::vector<Point3> points;
    for (const double z : {sector.minZ, sector.maxZ}) {
        for (int j = 0; j < s; ++j) {
            appendSegmentSamples(arcVertex(j, z), arcVertex(j + 1, z), points);
        }
        const Point3 centre{sector.centerX, sector.centerY, z};
        appendSegmentSamples(centre, arcVertex(0, z), points);
        appendSegmentSamples(centre, arcVertex(s, z), points);
    }
    for (int j = 0; j <= s; ++j) {
        if (j % k == 0 || j == s) {
            appendSegmentSamples(arcVertex(j, sector.minZ), arcVertex(j, sector.maxZ), points);
        }
    }
    return points;
}

std::vector<Point3> volumeWireframe(const ZoneVolume& volume)
{
    if (const auto* box = std::get_if<hazard_desk::BoxZone>(&volume.shape)) {
        return boxWireframe(*box);
    }
    return sectorWireframe(std::get<hazard_desk::SectorZone>(volume.shape));
}

}  // namespace zavov
