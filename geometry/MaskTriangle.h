#pragma once
// A zone triangle in the camera frame as the mask projection uses it, and the
// one evaluation of a (triangle, pixel ray) pair that both projection loops
// share, so the fast loop computes every value with the same operations, in
// the same order, as the reference.
#include "Extrinsics.h"
#include "ZoneVolumeMesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zavov {

struct MaskTriangle {
    Point3 p0;
    Point3 e1;          // p1 - p0
    Point3 e2;          // p2 - p0
    Point3 normal;      // (e1 x e2) / |e1 x e2|, outward
    double planeOffset = 0.0;   // normal . p0
    // Inverse of the Gram matrix [[e1.e1, e1.e2], [e1.e2, e2.e2]] (symmetric).
    double inverseGram00 = 0.0;
    double inverseGram01 = 0.0;
    double inverseGram11 = 0.0;
};

inline constexpr double kDegenerateCrossLength = 1e-10;
inline constexpr double kDegenerateGramDeterminant = 1e-12;
inline constexpr double kParallelRayDenominator = 1e-12;
inline constexpr double kCameraInsideTolerance = 1e-7;

// Mounting frame to camera frame (p -> R^T (p - T), R = Rz(yaw) Ry(pitch) Rx(roll)),
// dropping triangles with |e1 x e2| <= 1e-10 or |Gram determinant| <= 1e-12.
std::vector<MaskTriangle> cameraFrameTriangles(const std::vector<MeshTriangle>& mesh,
                                               const hazard_desk::Extrinsics& extrinsics);

// The camera (the origin) lies inside the closed volume when normal . p0 >= -1e-7
// for every triangle.
bool cameraInsideVolume(const std::vector<MaskTriangle>& triangles);

// Length of the ray (u, v, 1): the range of a hit at ray parameter t is t times this.
inline double rayLength(float u, float v)
{
    const double du = u;
    const double dv = v;
    return std::sqrt(du * du + dv * dv + 1.0);
}

// The mask value of the ray (u, v, 1) through triangle, when it hits: the
// range limited to 65535 and truncated, 0 when not positive. A hit needs a
// non-parallel ray, t >= 0 and finite, and barycentric coordinates a >= -eps,
// b >= -eps, a + b <= 1 + eps.
inline bool evaluateRayHit(const MaskTriangle& tri, float u, float v, double epsilon, std::uint16_t& value)
{
    const double du = u;
    const double dv = v;
    const double denominator = tri.normal[0] * du + tri.normal[1] * dv + tri.normal[2];
    if (std::abs(denominator) <= kParallelRayDenominator) {
        return false;
    }
    const double t = tri.planeOffset / denominator;
    if (t < 0.0 || !std::isfinite(t)) {
        return false;
    }
    const double wx = t * du - tri.p0[0];
    const double wy = t * dv - tri.p0[1];
    const double wz = t - tri.p0[2];
    const double along1 = tri.e1[0] * wx + tri.e1[1] * wy + tri.e1[2] * wz;
    const double along2 = tri.e2[0] * wx + tri.e2[1] * wy + tri.e2[2] * wz;
    const double a = tri.inverseGram00 * along1 + tri.inverseGram01 * along2;
    const double b = tri.inverseGram01 * along1 + tri.inverseGram11 * along2;
    if (!(a >= -epsilon && b >= -epsilon && a + b <= 1.0 + epsilon)) {
        return false;
    }
    const double range = t * rayLength(u, v);
    value = range > 0.0 ? static_cast<std::uint16_t>(std::min(range, 65535.0)) : std::uint16_t{0};
    return true;
}

}  // namespace zavov
