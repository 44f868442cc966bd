#pragma once
// Everything one virtual camera remembers, shared by its parameter front
// (VirtualCamera) and its frame side (CameraFrameSource). Every member below
// `mutex` is guarded by it.

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "AlgorithmParamStore.h"
#include "CameraModelTraits.h"
#include "FaultSet.h"
#include "ObstacleAlgorithm.h"
#include "ParameterTable.h"
#include "SimScene.h"
#include "ZrCameraTypes.h"

namespace zrsim {

class StateStore;

struct CameraState {
    using Clock = std::chrono::steady_clock;

    CameraState(const CameraSetup& cameraSetup, uint32_t cameraIndex);

    const CameraSetup setup;
    const CameraModelTraits traits;
    const uint32_t index;        ///< position in the scene (frame handles carry it)
    std::shared_ptr<StateStore> store; ///< persistence, when ZR_SIM_STATE_DIR is set

    // Constant after construction: intrinsics blocks handed out by pointer.
    ZrIntrinsicsBlock depthIntrinsics{};
    ZrIntrinsicsBlock binnedDepthIntrinsics{};  ///< the depth lens at 2x2 binning
    ZrIntrinsicsBlock colorIntrinsics{};
    ZrPinholeBlock pinhole{};
    ZrIntrinsicParameters depthModel{};
    ZrIntrinsicParameters colorModel{};
    float extrinsics2d[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

    std::mutex mutex;
    FaultSet faults;
    ParameterTable parameters;
    AlgorithmParamStore algorithmParams;
    std::map<int, std::shared_ptr<const TemplateMasks>> masks;  ///< per template (V1 mask cameras)
    uint64_t openHandle = 0;    ///< 0 while closed

    int algorithmMode = 0;      ///< the mode the camera runs
    int previousMode = 0;       ///< what slow confirmation still reports
    int modeReadsLeft = 0;
    int obstacleIndex = 1;      ///< running template chosen by special control
    int previousIndex = 1;
    int indexReadsLeft = 0;
    int lastIoStatus = 0;       ///< verdict of the newest evaluated frame
    int outputBits = 0;         ///< OUT1 stop, OUT2 warning (or manual state)
    bool colorStreamEnabled = false;
    bool framesStalled = false; ///< frame commands time out (fault framesStopAfterWrite after a write)
    std::string customId;
    std::string filterParams = "{}";

    /// True while ZR_INT_3D_BINNING_MODE halves the depth image (caller holds mutex).
    bool depthBinned() const;

    /// Persists the camera's current state when a store is set (caller holds mutex).
    void persist();
    /// Applies a persisted state (at start-up, caller holds mutex).
    void restore(const nlohmann::json& saved);
};

}  // namespace zrsim
