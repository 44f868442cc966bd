#pragma once
// What produces a virtual camera's frame images: the scene renderer, or the
// player of a recording. Used on the camera's stream thread only.
#include <cstdint>

#include "RenderedFrame.h"

namespace zrsim {

class FrameRenderer {
public:
    virtual ~FrameRenderer() = default;
    /// Fills depth, amplitude, XYZ (in the unit of xyzToMm: 1 mm, 1000 m),
    /// hit objects and, when withColor, the colour image of frame.
    virtual void renderFrame(double sceneTimeS, uint64_t sequence, bool withColor, float xyzToMm,
                        RenderedFrame& frame) = 0;
};

}  // namespace zrsim
