#include "ZoneVolume.h"

#include <cmath>

namespace zrsim {

bool ZoneVolume::contains(double x, double y, double z) const {
    if (!sector) {
        return x >= box[0] && x <= box[1] && y >= box[2] && y <= box[3] && z >= box[4] && z <= box[5];
    }
    if (z < fan[3] || z > fan[4]) return false;
    const double dx = x - fan[5];
    const double dy = y - fan[6];
    if (dx * dx + dy * dy > fan[0] * fan[0]) return false;
    const double angle = std::atan2(dy, dx) * 57.29577951308232;
    return angle <= fan[1] && angle >= -fan[2];
}

std::array<double, 6> ZoneVolume::bounds() const {
    if (!sector) return box;
    return {fan[5] - fan[0], fan[5] + fan[0], fan[6] - fan[0], fan[6] + fan[0], fan[3], fan[4]};
}

}  // namespace zrsim
