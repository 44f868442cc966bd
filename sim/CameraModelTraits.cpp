#include "CameraModelTraits.h"

namespace zrsim {

CameraModelTraits traitsOf(int32_t t) {
    CameraModelTraits traits;
    if (t == 2109) {
        traits.v2 = true;
    } else if (t >= 2001 && t <= 2999) {
        traits.v1 = true;
        traits.maskTemplates = t == 2002 || t == 2101 || t == 2108 || t == 2110 || t == 2201 || t == 2301;
    } else if (t >= 1001 && t <= 1999) {
        traits.v2 = true;
    }
    return traits;
}

}  // namespace zrsim
