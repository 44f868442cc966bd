#pragma once
// Plays a recording as a virtual camera's frames: each frame of the stream is
// the next recorded frame (depth, amplitude, XYZ and, when the client asked
// for colour and the recording has it, the colour image), from the first
// again after the last. The obstacle algorithm then runs on it with the
// configuration in force, as on a rendered frame.
#include <memory>
#include <string>

#include "FrameRenderer.h"
#include "SimScene.h"

namespace hazard_desk::recording {
class RecordingFrameCursor;
}

namespace zrsim {

class RecordingPlayer : public FrameRenderer {
public:
    explicit RecordingPlayer(const CameraSetup& setup);
    ~RecordingPlayer() override;

    void renderFrame(double sceneTimeS, uint64_t sequence, bool withColor, float xyzToMm,
                     RenderedFrame& frame) override;

    /// Times the recording started again from its first frame.
    uint64_t loops() const { return loops_; }

private:
    CameraSetup setup_;
    std::unique_ptr<hazard_desk::recording::RecordingFrameCursor> cursor_;
    bool usable_ = false;
    uint64_t loops_ = 0;
};

/// Completes a scene camera from its recording: identity, depth sensor
/// (resolution, intrinsics, range, frame rate of the recording), colour, and
/// the algorithm mode and parameters the camera ran when the recording began.
/// Fields the scene sets itself are applied afterwards by the caller.
bool setupFromRecording(const std::string& path, CameraSetup& setup, std::string& error);

}  // namespace zrsim
