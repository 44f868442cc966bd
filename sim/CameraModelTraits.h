#pragma once
// What a camera model does by its SDK device type code: which algorithm
// generations it runs and whether its V1 works from uploaded masks with the
// template chosen by special control. The camera's own view, kept apart from
// the workstation's capability table on purpose.

#include <cstdint>

namespace zrsim {

struct CameraModelTraits {
    bool v1 = false;
    bool v2 = false;
    bool maskTemplates = false;  ///< V1 zones are uploaded masks, template by "SetObstacleMode"

    bool hasAlgorithm() const { return v1 || v2; }
    /// The mode the model runs out of the box: 4, 1 or 0.
    int nativeMode() const { return v2 ? 4 : (v1 ? 1 : 0); }
    bool modeAllowed(int mode) const { return mode == 0 || (mode == 1 && v1) || (mode == 4 && v2); }
};

CameraModelTraits traitsOf(int32_t deviceType);

}  // namespace zrsim
