#pragma once
// The misbehaviours a virtual camera can be told to show, from the scene's
// "faults" object or at run time through ZrSim_SetFault.

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

namespace zrsim {

struct FaultSet {
    int32_t openStatus = 0;            ///< openFails: DcOpenDevice answers this (0 = opens)
    int32_t reconnectAfterFrames = -1; ///< frames delivered before the link drops once (-1 never)
    int32_t reconnectMs = 1000;        ///< how long frame commands answer -5
    int32_t frameStatus = 0;           ///< status of a delivered frame (0, -28, -29)
    bool colorUnavailable = false;     ///< enabling the 2D stream answers -4
    std::map<int32_t, int32_t> unsupported;  ///< id -> status answered for it
    std::set<int32_t> nullTexts;       ///< string ids DcGetStringValue answers with success and no text
    int32_t saveDelayMs = 150;         ///< algorithm parameter text settles after this
    bool neverSaves = false;           ///< writes are acknowledged but never stored
    double readbackRounding = 0.0;     ///< stored numbers rounded to this step (0 = exact)
    int32_t templateSwitchReads = 0;   ///< GetObstacleIndex answers the old index this many times
    int32_t modeConfirmReads = 0;      ///< algorithm mode reads give the old mode this many times
    int32_t uploadStatus = 0;          ///< uploadFails: DcUpLoadFiles answers this (0 = works)
    int32_t algorithmState = 0;        ///< state field of the algorithm output
    bool framesStopAfterWrite = false; ///< an accepted parameter write stalls the stream until cleared
    bool ioHardwareModeIgnored = false; ///< hardware I/O mode writes are acknowledged, the mode stays
    int32_t streamStartStatus = 0;     ///< streamStartFails: DcStartStream answers this, no stream starts
    int32_t streamStopStatus = 0;      ///< streamStopFails: DcStopStream answers this, the stream runs on
    int32_t callbackRegisterStatus = 0;  ///< callbackRegisterFails: DcRegisterFrameCallback answers this
    int32_t closeStatus = 0;           ///< closeFails: DcCloseDevice answers this, the handle stays open
    int32_t gpuEnableStatus = 0;       ///< gpuEnableFails: DcSetGpuEnable answers this (library-wide)
    int32_t frameHandleReadStatus = 0; ///< frameHandleReadFails: DcGetPtrValue with a frame's handle
};

/// Merges the keys of a faults object into faults. A null value restores that
/// key's default. Unknown keys or wrong types give false with an error text
/// and leave faults unchanged.
bool mergeFaults(const nlohmann::json& object, FaultSet& faults, std::string& error);

}  // namespace zrsim
