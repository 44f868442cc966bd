#include "ClipSpaceProjector.h"

#include <algorithm>
#include <array>

namespace hazard_desk {

ClipSpaceProjector::ClipSpaceProjector(const QMatrix4x4& mvp, int width, int height)
    : mvp_(mvp), width_(width), height_(height) {}

ClipSpaceProjector::Clip ClipSpaceProjector::toClip(const QVector3D& p) const {
    Clip c{0.0, 0.0, 0.0, 0.0};
    double* out[4] = {&c.x, &c.y, &c.z, &c.w};
    for (int row = 0; row < 4; ++row) {
        *out[row] = static_cast<double>(mvp_(row, 0)) * p.x() + static_cast<double>(mvp_(row, 1)) * p.y() +
                    static_cast<double>(mvp_(row, 2)) * p.z() + static_cast<double>(mvp_(row, 3));
    }
    return c;
}

QPointF ClipSpaceProjector::toPixel(const Clip& c) const {
    return {width_ * (c.x / c.w + 1.0) / 2.0, height_ * (1.0 - c.y / c.w) / 2.0};
}

std::optional<QLineF> ClipSpaceProjector::segment(const QVector3D& a, const QVector3D& b) const {
    const Clip ca = toClip(a);
    const Clip cb = toClip(b);
    // Signed distances to the six planes; inside where all are >= 0.
    auto distances = [](const Clip& c) {
        return std::array<double, 6>{c.w + c.x, c.w - c.x, c.w + c.y, c.w - c.y, c.w + c.z, c.w - c.z};
    };
    const std::array<double, 6> da = distances(ca);
    const std::array<double, 6> db = distances(cb);
    double enter = 0.0;
    double leave = 1.0;
    for (std::size_t plane = 0; plane < da.size(); ++plane) {
        if (da[plane] < 0.0 && db[plane] < 0.0) {
            return std::nullopt;
        }
        if (da[plane] < 0.0) {
            enter = std::max(enter, da[plane] / (da[plane] - db[plane]));
        } else if (db[plane] < 0.0) {
            leave = std::min(leave, da[plane] / (da[plane] - db[plane]));
        }
    }
    if (enter > leave) {
        return std::nullopt;
    }
    auto at = [&](double t) {
        return Clip{ca.x + (cb.x - ca.x) * t, ca.y + (cb.y - ca.y) * t, ca.z + (cb.z - ca.z) * t,
                    ca.w + (cb.w - ca.w) * t};
    };
    const Clip from = at(enter);
    const Clip to = at(leave);
    if (!(from.w > 0.0) || !(to.w > 0.0)) {
        return std::nullopt;   // only the camera's own position, or not a number
    }
    return QLineF(toPixel(from), toPixel(to));
}

std::optional<QPointF> ClipSpaceProjector::pointInFront(const QVector3D& p) const {
    const Clip c = toClip(p);
    if (!(c.w > kMinimumFrontW && c.z >= -c.w)) {
        return std::nullopt;
    }
    return toPixel(c);
}

}  // namespace hazard_desk
