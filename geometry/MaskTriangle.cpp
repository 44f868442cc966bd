#include "MaskTriangle.h"

#include "RotationConversion.h"

namespace zavov {

namespace {

double dot(const Point3& a, const Point3& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Point3 minus(const Point3& a, const Point3& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Point3 crossProduct(const Point3& a, const Point3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace

std::vector<MaskTriangle> cameraFrameTriangles(const std::vector<MeshTriangle>& mesh,
                                               const hazard_desk::Extrinsics& extrinsics)
{
    const hazard_desk::RotationMatrix r =
        hazard_desk::rotationFromEulerDegrees(extrinsics.roll, extrinsics.pitch, extrinsics.yaw);
    const Point3 translation{extrinsics.x, extrinsics.y, extrinsics.z};
    const auto toCamera = [&](const Point3& p) {
        const Point3 d = minus(p, translation);
        return Point3{r[0] * d[0] + r[3] * d[1] + r[6] * d[2], r[1] * d[0] + r[4] * d[1] + r[7] * d[2],
                      r[2] * d[0] + r[5] * d[1] + r[8] * d[2]};
    };

    std::vector<MaskTriangle> triangles;
    triangles.reserve(mesh.size());
    for (const MeshTriangle& m : mesh) {
        MaskTriangle tri;
        tri.p0 = toCamera(m.p0);
        tri.e1 = minus(toCamera(m.p1), tri.p0);
        tri.e2 = minus(toCamera(m.p2), tri.p0);
        const Point3 c = crossProduct(tri.e1, tri.e2);
        const double length = std::sqrt(dot(c, c));
        const double g00 = dot(tri.e1, tri.e1);
        const double g01 = dot(tri.e1, tri.e2);
        const double g11 = dot(tri.e2, tri.e2);
        const double determinant = g00 * g11 - g01 * g01;
        if (!(length > kDegenerateCrossLength) || !(std::abs(determinant) > kDegenerateGramDeterminant)) {
            continue;
        }
        tri.normal = {c[0] / length, c[1] / length, c[2] / length};
        tri.planeOffset = dot(tri.normal, tri.p0);
        tri.inverseGram00 = g11 / determinant;
        tri.inverseGram01 = -g01 / determinant;
        tri.inverseGram11 = g00 / determinant;
        triangles.push_back(tri);
    }
    return triangles;
}

bool cameraInsideVolume(const std::vector<MaskTriangle>& triangles)
{
    return std::all_of(triangles.begin(), triangles.end(),
                       [](const MaskTriangle& tri) { return tri.planeOffset >= -kCameraInsideTolerance; });
}

}  // namespace zavov
