#pragma once
// Takes points and segments of the scene to the pixels of the 3D view with
// the view's own camera matrix, so 2D lines drawn over the GL image meet the
// points the view draws. Segments are clipped to the view volume first.
// Pure geometry, GUI thread.
#include <QLineF>
#include <QMatrix4x4>
#include <QPointF>
#include <QVector3D>

#include <optional>

namespace hazard_desk {

class ClipSpaceProjector {
public:
    static constexpr double kMinimumFrontW = 0.001;

    // mvp: projection x view; width and height of the view in pixels.
    ClipSpaceProjector(const QMatrix4x4& mvp, int width, int height);

    // The part of a..b inside -w <= x, y, z <= w, in pixels; nothing when the
    // segment lies entirely outside.
    std::optional<QLineF> segment(const QVector3D& a, const QVector3D& b) const;

    // The pixel of p when it lies in front of the camera (w > 0.001 and z >= -w).
    std::optional<QPointF> pointInFront(const QVector3D& p) const;

private:
    struct Clip {
        double x, y, z, w;
    };
    Clip toClip(const QVector3D& p) const;
    QPointF toPixel(const Clip& c) const;

    QMatrix4x4 mvp_;
    int width_;
    int height_;
};

}  // namespace hazard_desk
