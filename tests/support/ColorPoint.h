#pragma once
// A coloured cloud point in one expression, for building small test clouds.
#include "camera/ColorCloud.h"

#include <cstdint>

namespace hazard_desk::test {

inline pcl::PointXYZRGB colorPoint(float x, float y, float z, std::uint8_t r = 0, std::uint8_t g = 0,
                                   std::uint8_t b = 0) {
    pcl::PointXYZRGB p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.r = r;
    p.g = g;
    p.b = b;
    return p;
}

}  // namespace hazard_desk::test
