#include "ZoneVolumeMesh.h"

#include "RotationConversion.h"

#include <algorithm>
#include <cmath>

namespace zavov {

namespace {

constexpr double kSamePointDistance = 1e-9;

double cross(const Point2& o, const Point2& a, const Point2& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Sorted by x then y; a point within kSamePointDistance of a kept one in both
// coordinates is dropped. Kept points near in x sit at the end of the list.
std::vector<Point2> distinctSorted(std::vector<Point2> points)
{
    std::sort(points.begin(), points.end(),
              [](const Point2& a, const Point2& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    std::vector<Point2> kept;
    kept.reserve(points.size());
    for (const Point2& p : points) {
        bool duplicate = false;
        for (auto it = kept.rbegin(); it != kept.rend() && p.x - it->x < kSamePointDistance; ++it) {
            if (std::abs(p.y - it->y) < kSamePointDistance) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate) {
            kept.push_back(p);
        }
    }
    return kept;
}

}  // namespace

std::vector<Point2> zoneOutline(const ZoneVolume& volume, double angularStepDeg)
{
    if (const auto* box = std::get_if<hazard_desk::BoxZone>(&volume.shape)) {
        return {{box->minX, box->minY}, {box->maxX, box->minY}, {box->maxX, box->maxY}, {box->minX, box->maxY}};
    }
    const auto& sector = std::get<hazard_desk::SectorZone>(volume.shape);
    const double span = sector.rightAngle - sector.leftAngle;
    const auto steps = static_cast<long long>(std::ceil(span / angularStepDeg));
    std::vector<Point2> outline;
    outline.reserve(static_cast<std::size_t>(std::max(steps, 0LL)) + 2);
    outline.push_back({sector.centerX, sector.centerY});
    for (long long k = 0; k <= std::max(steps, 0LL); ++k) {
        const double angleDeg =
            steps > 0 ? sector.leftAngle + static_cast<double>(k) / static_cast<double>(steps) * span : sector.leftAngle;
        const double angle = angleDeg / hazard_desk::kDegreesPerRadian;
        outline.push_back({sector.centerX + sector.radius * std::cos(angle),
                           sector.centerY + sector.radius * std::sin(angle)});
    }
    return outline;
}

std::vector<Point2> convexHull(std::vector<Point2> points)
{
    // Andrew's monotone chain. OpenCV's hull works on float or integer points,
    // which would round millimetre outlines; this one stays in double.
    std::vector<Point2> sorted = distinctSorted(std::move(points));
    if (sorted.size() < 3) {
        return sorted;
    }
    std::vector<Point2> hull(2 * sorted.size());
    std::size_t k = 0;
    for (const Point2& p : sorted) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0.0) {
            --k;
        }
        hull[k++] = p;
    }
    const std::size_t lowerSize = k + 1;
    for (auto it = sorted.rbegin() + 1; it != sorted.rend(); ++it) {
        while (k >= lowerSize && cross(hull[k - 2], hull[k - 1], *it) <= 0.0) {
            --k;
        }
        hull[k++] = *it;
    }
    hull.resize(k - 1);   // the last point repeats the first
    return hull;
}

std::vector<MeshTriangle> extrudeHull(const std::vector<Point2>& hull, double minZ, double maxZ)
{
    std::vector<MeshTriangle> triangles;
    const std::size_t n = hull.size();
    if (n < 2) {
        return triangles;
    }
    triangles.reserve(4 * n - 4);
    const auto bottom = [&](std::size_t i) { return Point3{hull[i].x, hull[i].y, minZ}; };
    const auto top = [&](std::size_t i) { return Point3{hull[i].x, hull[i].y, maxZ}; };
    // Counter-clockwise hull: the bottom fan is wound to face -Z, the top +Z,
    // the sides outward.
    for (std::size_t i = 1; i + 1 < n; ++i) {
        triangles.push_back({bottom(0), bottom(i + 1), bottom(i)});
    }
    for (std::size_t i = 1; i + 1 < n; ++i) {
        triangles.push_back({top(0), top(i), top(i + 1)});
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        triangles.push_back({bottom(i), bottom(j), top(j)});
        triangles.push_back({bottom(i), top(j), top(i)});
    }
    return triangles;
}

double volumeMinZ(const ZoneVolume& volume)
{
    if (const auto* box = std::get_if<hazard_desk::BoxZone>(&volume.shape)) {
        return box->minZ;
    }
    return std::get<hazard_desk::SectorZone>(volume.shape).minZ;
}

double volumeMaxZ(const ZoneVolume& volume)
{
    if (const auto* box = std::get_if<hazard_desk::BoxZone>(&volume.shape)) {
        return box->maxZ;
    }
    return std::get<hazard_desk::SectorZone>(volume.shape).maxZ;
}

}  // namespace zavov
