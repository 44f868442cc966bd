#pragma once
// Renders what one camera sees: per pixel the viewing ray cast against the
// floor (z = 0) and the scene's boxes, giving depth, amplitude, XYZ and, when
// the camera has one, a shaded colour image. Deterministic for a seed and a
// frame sequence number. Used on the camera's stream thread only.

#include <array>
#include <cstdint>
#include <vector>

#include "CameraRays.h"
#include "FrameRenderer.h"
#include "RenderedFrame.h"
#include "SimGeometry.h"
#include "SimScene.h"

namespace zrsim {

class SceneRenderer : public FrameRenderer {
public:
    SceneRenderer(const CameraSetup& camera, std::vector<SceneObject> objects);

    /// Renders the scene at `sceneTimeS` seconds into frame (buffers resized).
    /// xyzToMm is 1 for millimetres, 1000 for metres.
    void render(double sceneTimeS, uint64_t sequence, bool withColor, float xyzToMm, RenderedFrame& frame) const;
    void renderFrame(double sceneTimeS, uint64_t sequence, bool withColor, float xyzToMm,
                     RenderedFrame& frame) override {
        render(sceneTimeS, sequence, withColor, xyzToMm, frame);
    }

    const CameraRays& rays() const { return rays_; }

private:
    struct Box {
        float min[3];
        float max[3];
    };
    struct Hit {
        float t;
        int16_t object;  ///< -1 nothing, 0 floor, k+1 scene object k
        int8_t axis;     ///< axis of the face hit
    };
    Box boxAt(size_t object, double sceneTimeS) const;
    /// Nearest hit of a ray (inverse direction given) against one box, updating hit when nearer.
    void intersect(const Box& box, int16_t object, const float inverse[3], Hit& hit) const;

    CameraSetup camera_;
    std::vector<SceneObject> objects_;
    CameraRays rays_;
    Pose mount_;
    std::vector<float> uv_;                 ///< u, v per pixel (NaN: no ray)
    float rotation_[9];                     ///< R row-major, float
    float origin_[3];                       ///< T, float
    std::vector<Hit> staticHits_;           ///< floor and boxes that never move, per pixel
    std::vector<size_t> movingObjects_;
    std::vector<std::array<uint8_t, 3>> objectColors_;
    std::vector<float> objectReflectivity_;
    std::vector<float> gaussian_;           ///< standard normal samples from the seed
};

}  // namespace zrsim
