#include "ClipSpaceProjector.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace hazard_desk {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 200;

// A camera at the origin looking along +X, Z up, 90 degrees vertically, near
// plane 10, far plane 10000.
QMatrix4x4 lookAlongX() {
    QMatrix4x4 projection;
    projection.perspective(90.0f, static_cast<float>(kWidth) / kHeight, 10.0f, 10000.0f);
    QMatrix4x4 view;
    view.lookAt({0, 0, 0}, {1, 0, 0}, {0, 0, 1});
    return projection * view;
}

TEST(ClipSpaceProjector, SegmentsAreClippedToTheViewVolume) {
    const ClipSpaceProjector projector(lookAlongX(), kWidth, kHeight);
    struct Case {
        const char* name;
        QVector3D a, b;
        std::optional<QLineF> expected;
    };
    // At distance 1000 the view spans Y -2000..2000 (wide) and Z -1000..1000.
    const std::vector<Case> cases = {
        {"inside: centre to the top edge", {1000, 0, 0}, {1000, 0, 1000}, QLineF(200, 100, 200, 0)},
        {"to the left and right edges", {1000, 2000, 0}, {1000, -2000, 0}, QLineF(0, 100, 400, 100)},
        {"past the top is cut at the edge", {1000, 0, 0}, {1000, 0, 3000}, QLineF(200, 100, 200, 0)},
        {"from behind the camera is cut at the near plane", {-1000, 0, 0}, {1000, 0, 0}, QLineF(200, 100, 200, 100)},
        {"entirely behind", {-1000, 0, 0}, {-10, 0, 0}, std::nullopt},
        {"entirely above", {1000, 0, 1100}, {2000, 0, 2500}, std::nullopt},
        {"beyond the far plane", {20000, 0, 0}, {30000, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QLineF> line = projector.segment(c.a, c.b);
        ASSERT_EQ(line.has_value(), c.expected.has_value());
        if (!line) {
            continue;
        }
        EXPECT_NEAR(line->x1(), c.expected->x1(), 0.01);
        EXPECT_NEAR(line->y1(), c.expected->y1(), 0.01);
        EXPECT_NEAR(line->x2(), c.expected->x2(), 0.01);
        EXPECT_NEAR(line->y2(), c.expected->y2(), 0.01);
    }
}

TEST(ClipSpaceProjector, PointsCountOnlyInFrontOfTheCamera) {
    const ClipSpaceProjector projector(lookAlongX(), kWidth, kHeight);
    EXPECT_EQ(projector.pointInFront({1000, -1000, 500}), QPointF(300, 50));
    EXPECT_TRUE(projector.pointInFront({1000, 5000, 0}).has_value()) << "beside the view, but in front";
    for (const QVector3D& p : {QVector3D(-1000, 0, 0), QVector3D(0, 0, 0), QVector3D(5, 0, 0)}) {
        EXPECT_FALSE(projector.pointInFront(p).has_value()) << p.x() << ": behind, at or too close to the camera";
    }
}

}  // namespace
}  // namespace hazard_desk
