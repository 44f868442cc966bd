#include "MaskProjection.h"

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>

#include <array>
#include <cmath>
#include <limits>

// Why the fast loop gives the reference's bits
// --------------------------------------------
// Every pixel's far is the maximum and its near the minimum of the values of
// the (triangle, pixel) pairs that hit. Max and min do not depend on order, so
// a loop that evaluates every pair that can change a pixel, with the same
// arithmetic, and any number of other pairs, gives the same masks. Both loops
// call the one evaluateRayHit (this file is compiled without contraction into
// fused multiply-adds and without -ffast-math, so each operation is rounded
// as written), and each pixel is written by one thread only. The fast loop
// leaves a pair out in three ways:
//
// 1. Cone culling. The hits of a triangle with barycentric tolerance eps are
//    the rays through the triangle grown to the corners (-eps, -eps),
//    (1 + 2 eps, -eps), (-eps, 1 + 2 eps). The rays through a triangle q0 q1 q2
//    whose plane misses the camera (also one that crosses z = 0) are exactly
//    the directions d = a q0 + b q1 + c q2 with a, b, c >= 0, that is
//    s (q1 x q2) . d >= 0, s (q2 x q0) . d >= 0 and s (q0 x q1) . d >= 0 with s
//    the sign of q0 . (q1 x q2). These are linear in (u, v) for d = (u, v, 1),
//    so over a block of pixels their largest value sits at a corner of the
//    block's u/v bounds. The triangle is grown by kCullSlack = 1e-4 more than
//    eps. The reference's rounding moves a hit by far less: its hit point lies
//    within 3 ulp of its range of the plane, so it can slide along a grazing
//    ray by up to 3u R^2 / |n . p0| (R the range), plus the rounding of the Gram
//    solve. Both are bounded per triangle; a triangle whose bound exceeds
//    1e-6, or whose sign s is not certain, is not cone-culled. The tests'
//    own rounding is covered by a margin of 64 ulp of the terms they add.
// 2. No hit at all. When the plane passes so close to the camera that every
//    ray meets it within tMax = |n . p0| / 1e-12 of the camera, every computed
//    hit lies within a bounded distance of the camera's foot on the plane; a
//    foot clearly outside the grown triangle means no pixel can hit.
// 3. Pairs that cannot change the pixel. Triangles that are neither culled
//    nor ruled out are evaluated after the others of their band. A pair whose
//    ray is parallel to the plane or meets it behind the camera is skipped
//    on the same tests the reference makes. When near is settled (already 0,
//    or the camera is inside and far is set, so the inside rule will clear
//    near), a pair matters only if its value exceeds far, which it cannot when
//    |n . p0| * rayLength < (far + 1) |denominator| with a relative margin.

namespace zavov {

namespace {

constexpr double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2.0;
constexpr double kCullSlack = 1e-4;
constexpr double kMaxHitRoundingBound = 1e-6;
constexpr double kTestMarginUlps = 64.0;
constexpr double kDeterminantCertainUlps = 1000.0;
constexpr double kRoundingBoundUlps = 16.0;
constexpr double kFootRoundingUlps = 64.0;
constexpr double kRangeBoundMargin = 1e-9;
// Below this |n . p0| a quotient n . p0 / denominator could underflow to -0,
// which the reference does not count as behind the camera.
constexpr double kNoUnderflowOffset = 1e-290;

double dot(const Point3& a, const Point3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double norm(const Point3& a)
{
    return std::sqrt(dot(a, a));
}

Point3 crossProduct(const Point3& a, const Point3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Point3 combine(const Point3& p0, const Point3& e1, double a, const Point3& e2, double b)
{
    return {p0[0] + a * e1[0] + b * e2[0], p0[1] + a * e1[1] + b * e2[1], p0[2] + a * e1[2] + b * e2[2]};
}

enum class Handling { Cone, NoHit, Pixelwise };

struct TriangleCull {
    Handling handling = Handling::Pixelwise;
    // Cone: planes through the camera whose non-negative side holds every ray that can hit.
    std::array<Point3, 3> planes{};
    std::array<double, 3> margins{};

    // Whether no ray with u in [minU, maxU] and v in [minV, maxV] can pass
    // (Outside), every one does clearly (Inside: its pixels need no test of their
    // own; evaluating more pixels than needed is always safe), or some may.
    enum class Overlap { Outside, Partial, Inside };
    Overlap overlap(const RayTiles::Bounds& b) const
    {
        bool inside = true;
        for (std::size_t i = 0; i < 3; ++i) {
            const Point3& m = planes[i];
            const double uLow = m[0] * b.minU;
            const double uHigh = m[0] * b.maxU;
            const double vLow = m[1] * b.minV;
            const double vHigh = m[1] * b.maxV;
            if (m[2] + std::max(uLow, uHigh) + std::max(vLow, vHigh) < -margins[i]) {
                return Overlap::Outside;
            }
            inside = inside && m[2] + std::min(uLow, uHigh) + std::min(vLow, vHigh) > margins[i];
        }
        return inside ? Overlap::Inside : Overlap::Partial;
    }

    // Per pixel; all three planes are tested without branching, which the
    // compiler turns into straight-line code.
    bool mayPass(float u, float v) const
    {
        const double du = u;
        const double dv = v;
        const bool pass0 = planes[0][0] * du + planes[0][1] * dv + planes[0][2] >= -margins[0];
        const bool pass1 = planes[1][0] * du + planes[1][1] * dv + planes[1][2] >= -margins[1];
        const bool pass2 = planes[2][0] * du + planes[2][1] * dv + planes[2][2] >= -margins[2];
        return pass0 & pass1 & pass2;
    }
};

// Cone culling when the rounding bounds allow it (way 1).
bool setUpCone(const MaskTriangle& tri, double epsilon, const RayTiles& tiles, TriangleCull& cull)
{
    const double grow = epsilon + kCullSlack;
    const std::array<Point3, 3> q = {combine(tri.p0, tri.e1, -grow, tri.e2, -grow),
                                     combine(tri.p0, tri.e1, 1.0 + 2.0 * grow, tri.e2, -grow),
                                     combine(tri.p0, tri.e1, -grow, tri.e2, 1.0 + 2.0 * grow)};
    const std::array<double, 3> lengths = {norm(q[0]), norm(q[1]), norm(q[2])};
    const double range = std::max({lengths[0], lengths[1], lengths[2]});

    // How far the reference's rounding can move a hit, in barycentric units.
    const double edge1 = norm(tri.e1);
    const double edge2 = norm(tri.e2);
    const Point3 e3{tri.e2[0] - tri.e1[0], tri.e2[1] - tri.e1[1], tri.e2[2] - tri.e1[2]};
    const double longestEdge = std::max({edge1, edge2, norm(e3)});
    const double shortestAltitude = norm(crossProduct(tri.e1, tri.e2)) / longestEdge;
    const double inverseGramScale =
        std::max({std::abs(tri.inverseGram00), std::abs(tri.inverseGram01), std::abs(tri.inverseGram11)});
    const double hitRounding = kRoundingBoundUlps * kUnitRoundoff *
                               (range * range / (std::abs(tri.planeOffset) * shortestAltitude) +
                                (range + norm(tri.p0)) * inverseGramScale * (edge1 + edge2) + 1.0);
    if (!(hitRounding <= kMaxHitRoundingBound)) {
        return false;
    }
    const double determinant = dot(q[0], crossProduct(q[1], q[2]));
    if (!(std::abs(determinant) > kDeterminantCertainUlps * kUnitRoundoff * lengths[0] * lengths[1] * lengths[2])) {
        return false;
    }
    const double sign = determinant > 0.0 ? 1.0 : -1.0;
    const double rayScale = tiles.maxAbsU() + tiles.maxAbsV() + 1.0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t j = (i + 1) % 3;
        const std::size_t k = (i + 2) % 3;
        const Point3 m = crossProduct(q[j], q[k]);
        cull.planes[i] = {sign * m[0], sign * m[1], sign * m[2]};
        cull.margins[i] = kTestMarginUlps * kUnitRoundoff * lengths[j] * lengths[k] * rayScale;
    }
    return true;
}

// Whether no pixel can hit a triangle whose plane passes close to the camera (way 2).
bool provablyMissed(const MaskTriangle& tri, double epsilon, const RayTiles& tiles)
{
    const double tMax = std::abs(tri.planeOffset) / kParallelRayDenominator * (1.0 + 4.0 * kUnitRoundoff);
    const double rayMax = std::sqrt(tiles.maxAbsU() * tiles.maxAbsU() + tiles.maxAbsV() * tiles.maxAbsV() + 1.0);
    const double reach = tMax * rayMax;   // largest |t d| of any counted hit
    const double edge1 = norm(tri.e1);
    const double edge2 = norm(tri.e2);
    const double gainA = std::abs(tri.inverseGram00) * edge1 + std::abs(tri.inverseGram01) * edge2;
    const double gainB = std::abs(tri.inverseGram01) * edge1 + std::abs(tri.inverseGram11) * edge2;
    const double scale = norm(tri.p0) + reach;
    // Barycentric coordinates of the camera's foot: w = -p0.
    const double along1 = -dot(tri.e1, tri.p0);
    const double along2 = -dot(tri.e2, tri.p0);
    const double footA = tri.inverseGram00 * along1 + tri.inverseGram01 * along2;
    const double footB = tri.inverseGram01 * along1 + tri.inverseGram11 * along2;
    const double spreadA =
        gainA * reach * (1.0 + kCullSlack) + kFootRoundingUlps * kUnitRoundoff * (gainA * scale + std::abs(footA) + 1.0);
    const double spreadB =
        gainB * reach * (1.0 + kCullSlack) + kFootRoundingUlps * kUnitRoundoff * (gainB * scale + std::abs(footB) + 1.0);
    if (!std::isfinite(spreadA + spreadB)) {
        return false;
    }
    return footA + spreadA < -epsilon || footB + spreadB < -epsilon ||
           footA + footB - spreadA - spreadB > 1.0 + epsilon;
}

TriangleCull cullFor(const MaskTriangle& tri, double epsilon, const RayTiles& tiles)
{
    TriangleCull cull;
    if (setUpCone(tri, epsilon, tiles, cull)) {
        cull.handling = Handling::Cone;
    } else if (provablyMissed(tri, epsilon, tiles)) {
        cull.handling = Handling::NoHit;
    }
    return cull;
}

// Whether a pair of a pixelwise triangle can change the pixel (way 3).
inline bool mayMatter(const MaskTriangle& tri, float u, float v, std::uint16_t farValue, std::uint16_t nearValue,
                      bool cameraInside)
{
    const double du = u;
    const double dv = v;
    const double denominator = tri.normal[0] * du + tri.normal[1] * dv + tri.normal[2];
    if (std::abs(denominator) <= kParallelRayDenominator) {
        return false;
    }
    const double offset = std::abs(tri.planeOffset);
    if (offset >= kNoUnderflowOffset && (tri.planeOffset < 0.0) != (denominator < 0.0)) {
        return false;   // t < 0
    }
    const bool nearSettled = nearValue == 0 || (cameraInside && farValue != 0);
    if (!nearSettled) {
        return true;
    }
    // offset * rayLength >= (far + 1) |denominator|, squared to spare the root.
    const double scaledOffset = offset * (1.0 + kRangeBoundMargin);
    const double bound = (farValue + 1.0) * denominator;
    return scaledOffset * scaledOffset * (du * du + dv * dv + 1.0) >= bound * bound;
}

inline void mergeHit(std::uint16_t value, std::uint16_t& farValue, std::uint16_t& nearValue)
{
    farValue = std::max(farValue, value);
    nearValue = std::min(nearValue, value);
}

}  // namespace

RayTiles::RayTiles(const cv::Mat& rays) : rays_(rays)
{
    static_assert(kTileRows == kTileCols && kTileRows % kCellSize == 0, "tiles are made of whole cells");
    bandCount_ = (rays.rows + kTileRows - 1) / kTileRows;
    tilesPerBand_ = (rays.cols + kTileCols - 1) / kTileCols;
    groupsPerBand_ = (tilesPerBand_ + kTilesPerGroup - 1) / kTilesPerGroup;
    cellsPerRow_ = tilesPerBand_ * kCellsPerTileSide;
    const float inf = std::numeric_limits<float>::infinity();
    const Bounds empty{inf, -inf, inf, -inf};
    bands_.assign(static_cast<std::size_t>(bandCount_), empty);
    groups_.assign(static_cast<std::size_t>(bandCount_) * static_cast<std::size_t>(groupsPerBand_), empty);
    tiles_.assign(static_cast<std::size_t>(bandCount_) * static_cast<std::size_t>(tilesPerBand_), empty);
    cells_.assign(static_cast<std::size_t>(bandCount_ * kCellsPerTileSide) * static_cast<std::size_t>(cellsPerRow_),
                  empty);
    const auto grow = [](Bounds& b, float u, float v) {
        b.minU = std::min(b.minU, u);
        b.maxU = std::max(b.maxU, u);
        b.minV = std::min(b.minV, v);
        b.maxV = std::max(b.maxV, v);
    };
    const auto merge = [&](Bounds& outer, const Bounds& b) {
        grow(outer, b.minU, b.minV);
        grow(outer, b.maxU, b.maxV);
    };
    for (int y = 0; y < rays.rows; ++y) {
        const auto* ray = rays.ptr<cv::Vec3f>(y);
        Bounds* cellRow = &cells_[index(y / kCellSize, 0, cellsPerRow_)];
        for (int x = 0; x < rays.cols; ++x) {
            const float u = ray[x][0];
            const float v = ray[x][1];
            grow(cellRow[x / kCellSize], u, v);
            maxAbsU_ = std::max(maxAbsU_, static_cast<double>(std::abs(u)));
            maxAbsV_ = std::max(maxAbsV_, static_cast<double>(std::abs(v)));
        }
    }
    for (int row = 0; row < bandCount_ * kCellsPerTileSide; ++row) {
        for (int col = 0; col < cellsPerRow_; ++col) {
            merge(tiles_[index(row / kCellsPerTileSide, col / kCellsPerTileSide, tilesPerBand_)], cell(row, col));
        }
    }
    for (int band = 0; band < bandCount_; ++band) {
        for (int t = 0; t < tilesPerBand_; ++t) {
            merge(groups_[index(band, t / kTilesPerGroup, groupsPerBand_)], tile(band, t));
            merge(bands_[static_cast<std::size_t>(band)], tile(band, t));
        }
    }
}

void projectTrianglesReference(const cv::Mat& rays, const std::vector<MaskTriangle>& triangles, double epsilon,
                               cv::Mat& farMask, cv::Mat& nearMask)
{
    for (const MaskTriangle& tri : triangles) {
        for (int y = 0; y < rays.rows; ++y) {
            const auto* ray = rays.ptr<cv::Vec3f>(y);
            auto* farRow = farMask.ptr<std::uint16_t>(y);
            auto* nearRow = nearMask.ptr<std::uint16_t>(y);
            for (int x = 0; x < rays.cols; ++x) {
                std::uint16_t value = 0;
                if (evaluateRayHit(tri, ray[x][0], ray[x][1], epsilon, value)) {
                    mergeHit(value, farRow[x], nearRow[x]);
                }
            }
        }
    }
}

void projectTrianglesFast(const RayTiles& tiles, const std::vector<MaskTriangle>& triangles, double epsilon,
                          bool cameraInside, cv::Mat& farMask, cv::Mat& nearMask)
{
    std::vector<std::size_t> coneCulled;
    std::vector<std::size_t> pixelwise;
    std::vector<TriangleCull> culls;
    culls.reserve(triangles.size());
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        culls.push_back(cullFor(triangles[t], epsilon, tiles));
        if (culls.back().handling == Handling::Cone) {
            coneCulled.push_back(t);
        } else if (culls.back().handling == Handling::Pixelwise) {
            pixelwise.push_back(t);
        }
    }
    const cv::Mat& rays = tiles.rays();

    const auto projectBand = [&](int band) {
        const int firstRow = band * RayTiles::kTileRows;
        const int endRow = std::min(firstRow + RayTiles::kTileRows, rays.rows);
        for (const std::size_t t : coneCulled) {
            const MaskTriangle& tri = triangles[t];
            const TriangleCull& cull = culls[t];
            // Pixels of a block of rays: tested one by one unless the block lies
            // inside the cone as a whole.
            const auto evaluateBlock = [&](int firstY, int endY, int firstX, int endX, bool testPixels) {
                for (int y = firstY; y < endY; ++y) {
                    const auto* ray = rays.ptr<cv::Vec3f>(y);
                    auto* farRow = farMask.ptr<std::uint16_t>(y);
                    auto* nearRow = nearMask.ptr<std::uint16_t>(y);
                    for (int x = firstX; x < endX; ++x) {
                        std::uint16_t value = 0;
                        if ((!testPixels || cull.mayPass(ray[x][0], ray[x][1])) &&
                            evaluateRayHit(tri, ray[x][0], ray[x][1], epsilon, value)) {
                            mergeHit(value, farRow[x], nearRow[x]);
                        }
                    }
                }
            };
            const auto evaluateTile = [&](int tile, bool partial) {
                const int firstCol = tile * RayTiles::kTileCols;
                if (!partial) {
                    evaluateBlock(firstRow, endRow, firstCol, std::min(firstCol + RayTiles::kTileCols, rays.cols),
                                  false);
                    return;
                }
                for (int cellY = 0; cellY < RayTiles::kCellsPerTileSide; ++cellY) {
                    const int cellRow = band * RayTiles::kCellsPerTileSide + cellY;
                    const int firstY = cellRow * RayTiles::kCellSize;
                    const int endY = std::min(firstY + RayTiles::kCellSize, rays.rows);
                    for (int cellX = 0; cellX < RayTiles::kCellsPerTileSide; ++cellX) {
                        const int cellCol = tile * RayTiles::kCellsPerTileSide + cellX;
                        const int firstX = cellCol * RayTiles::kCellSize;
                        const int endX = std::min(firstX + RayTiles::kCellSize, rays.cols);
                        if (firstY >= endY || firstX >= endX) {
                            continue;
                        }
                        const auto cellOverlap = cull.overlap(tiles.cell(cellRow, cellCol));
                        if (cellOverlap != TriangleCull::Overlap::Outside) {
                            evaluateBlock(firstY, endY, firstX, endX, cellOverlap == TriangleCull::Overlap::Partial);
                        }
                    }
                }
            };
            const auto bandOverlap = cull.overlap(tiles.band(band));
            if (bandOverlap == TriangleCull::Overlap::Outside) {
                continue;
            }
            for (int group = 0; group < tiles.groupsPerBand(); ++group) {
                const auto groupOverlap = bandOverlap == TriangleCull::Overlap::Inside
                                              ? bandOverlap
                                              : cull.overlap(tiles.group(band, group));
                if (groupOverlap == TriangleCull::Overlap::Outside) {
                    continue;
                }
                const int firstTile = group * RayTiles::kTilesPerGroup;
                const int endTile = std::min(firstTile + RayTiles::kTilesPerGroup, tiles.tilesPerBand());
                for (int tile = firstTile; tile < endTile; ++tile) {
                    const auto tileOverlap = groupOverlap == TriangleCull::Overlap::Inside
                                                 ? groupOverlap
                                                 : cull.overlap(tiles.tile(band, tile));
                    if (tileOverlap != TriangleCull::Overlap::Outside) {
                        evaluateTile(tile, tileOverlap == TriangleCull::Overlap::Partial);
                    }
                }
            }
        }
        // After every cone-culled triangle, so far and near are as settled as they get.
        for (const std::size_t t : pixelwise) {
            const MaskTriangle& tri = triangles[t];
            for (int y = firstRow; y < endRow; ++y) {
                const auto* ray = rays.ptr<cv::Vec3f>(y);
                auto* farRow = farMask.ptr<std::uint16_t>(y);
                auto* nearRow = nearMask.ptr<std::uint16_t>(y);
                for (int x = 0; x < rays.cols; ++x) {
                    std::uint16_t value = 0;
                    if (mayMatter(tri, ray[x][0], ray[x][1], farRow[x], nearRow[x], cameraInside) &&
                        evaluateRayHit(tri, ray[x][0], ray[x][1], epsilon, value)) {
                        mergeHit(value, farRow[x], nearRow[x]);
                    }
                }
            }
        }
    };
    // Each band of kTileRows pixel rows belongs to one task; tasks share no pixel.
    cv::parallel_for_(
        cv::Range(0, tiles.bandCount()),
        [&](const cv::Range& bands) {
            for (int band = bands.start; band < bands.end; ++band) {
                projectBand(band);
            }
        },
        tiles.bandCount());
}

}  // namespace zavov
