#include "CameraState.h"

#include "DeviceJson.h"
#include "MaskFiles.h"
#include "SimLog.h"
#include "StateStore.h"
#include "ZrCameraParams.h"

namespace zrsim {

namespace {

nlohmann::json initialParameters(const CameraSetup& setup, const CameraModelTraits& traits) {
    if (setup.algorithmParams) return *setup.algorithmParams;
    return factoryParameters(traits.v2);
}

}  // namespace

CameraState::CameraState(const CameraSetup& cameraSetup, uint32_t cameraIndex)
    : setup(cameraSetup),
      traits(traitsOf(cameraSetup.deviceType)),
      index(cameraIndex),
      faults(cameraSetup.faults),
      parameters(cameraSetup),
      algorithmParams(initialParameters(cameraSetup, traits)) {
    const DepthSensorSpec& d = setup.depth;
    depthIntrinsics = {static_cast<float>(d.fx), static_cast<float>(d.fy), static_cast<float>(d.cx),
                       static_cast<float>(d.cy), {}};
    pinhole.fx = depthIntrinsics.fx;
    pinhole.fy = depthIntrinsics.fy;
    pinhole.cx = depthIntrinsics.cx;
    pinhole.cy = depthIntrinsics.cy;
    depthModel.width = d.width;
    depthModel.height = d.height;
    depthModel.fx = depthIntrinsics.fx;
    depthModel.fy = depthIntrinsics.fy;
    depthModel.cx = depthIntrinsics.cx;
    depthModel.cy = depthIntrinsics.cy;
    depthModel.lensModel = d.fisheye ? ZR_LENS_FISHEYE : ZR_LENS_PINHOLE;
    for (int i = 0; i < 5; ++i) {
        const float k = static_cast<float>(d.distortion[i]);
        depthIntrinsics.distortion[i] = k;
        depthModel.distortion[i] = k;
        if (!d.fisheye || i < 4) pinhole.distortion[i] = k;
    }
    // Binning keeps every second pixel: the same lens at half the focal length.
    binnedDepthIntrinsics = depthIntrinsics;
    binnedDepthIntrinsics.fx /= 2.0f;
    binnedDepthIntrinsics.fy /= 2.0f;
    binnedDepthIntrinsics.cx /= 2.0f;
    binnedDepthIntrinsics.cy /= 2.0f;
    if (setup.color) {
        // The colour image is registered to the depth sensor and scaled to its size.
        const float sx = static_cast<float>(setup.color->width) / d.width;
        const float sy = static_cast<float>(setup.color->height) / d.height;
        colorIntrinsics = depthIntrinsics;
        colorIntrinsics.fx *= sx;
        colorIntrinsics.fy *= sy;
        colorIntrinsics.cx = (depthIntrinsics.cx + 0.5f) * sx - 0.5f;
        colorIntrinsics.cy = (depthIntrinsics.cy + 0.5f) * sy - 0.5f;
        colorModel = depthModel;
        colorModel.width = setup.color->width;
        colorModel.height = setup.color->height;
        colorModel.fx = colorIntrinsics.fx;
        colorModel.fy = colorIntrinsics.fy;
        colorModel.cx = colorIntrinsics.cx;
        colorModel.cy = colorIntrinsics.cy;
    }
    algorithmMode = setup.algorithmMode.value_or(traits.nativeMode());
    if (!traits.modeAllowed(algorithmMode)) algorithmMode = 0;
    previousMode = algorithmMode;
    if (IntParameter* mode = parameters.intParameter(ZR_INT_ALGORITHM_MODE)) {
        mode->current = algorithmMode;
        mode->maximum = traits.v2 ? 4 : (traits.v1 ? 1 : 0);
    }
    const int zoneIndex = zoneIndexOf(algorithmParams.current(Clock::now()));
    obstacleIndex = previousIndex = zoneIndex >= 0 ? zoneIndex : 1;
    algorithmParams.takeSettledChange();
}

void CameraState::persist() {
    if (!store) return;
    nlohmann::json state;
    state["algorithmParams"] = algorithmParams.latest();
    state["algorithmMode"] = algorithmMode;
    state["obstacleIndex"] = obstacleIndex;
    state["ioWorkMode"] = parameters.intValue(ZR_INT_IO_WORK_MODE, 0);
    state["ioHardwareMode"] = parameters.intValue(ZR_INT_IO_HARDWARE_WORK_MODE, 0);
    nlohmann::json maskNames = nlohmann::json::array();
    for (const auto& [templateIndex, set] : masks) {
        for (int level = 0; level < 3; ++level) {
            if (!set->levels[level]) continue;
            maskNames.push_back(maskFileName(level, true, templateIndex));
            maskNames.push_back(maskFileName(level, false, templateIndex));
        }
    }
    state["masks"] = maskNames;
    std::string error;
    if (!store->saveState(setup.ip, state, error)) logError("state of camera " + setup.ip + " not saved: " + error);
}

void CameraState::restore(const nlohmann::json& saved) {
    std::string error;
    if (saved.contains("algorithmParams") && checkParameterWrite(saved["algorithmParams"], error)) {
        algorithmParams = AlgorithmParamStore(saved["algorithmParams"]);
        algorithmParams.takeSettledChange();
    }
    if (saved.contains("algorithmMode") && saved["algorithmMode"].is_number_integer() &&
        traits.modeAllowed(saved["algorithmMode"].get<int>())) {
        algorithmMode = previousMode = saved["algorithmMode"].get<int>();
        parameters.intParameter(ZR_INT_ALGORITHM_MODE)->current = algorithmMode;
    }
    if (saved.contains("obstacleIndex") && saved["obstacleIndex"].is_number_integer()) {
        const int index = saved["obstacleIndex"].get<int>();
        if (index >= 0 && index <= 19) obstacleIndex = previousIndex = index;
    }
    for (auto [key, id] : {std::pair{"ioWorkMode", ZR_INT_IO_WORK_MODE},
                           std::pair{"ioHardwareMode", ZR_INT_IO_HARDWARE_WORK_MODE}}) {
        if (saved.contains(key) && saved[key].is_number_integer()) parameters.setInt(id, saved[key].get<int>());
    }
    if (!store || !saved.contains("masks") || !saved["masks"].is_array()) return;
    std::map<int, TemplateMasks> loaded;
    for (const nlohmann::json& name : saved["masks"]) {
        MaskFileName parsed;
        if (!name.is_string() || !parseMaskFileName(name.get<std::string>(), parsed)) continue;
        int w = 0, h = 0;
        std::vector<uint16_t> pixels;
        if (!readPgm16(store->maskPath(setup.ip, name.get<std::string>()), w, h, pixels, error) ||
            w != setup.depth.width || h != setup.depth.height) {
            logWarning("stored mask " + name.get<std::string>() + " of camera " + setup.ip + " skipped: " + error);
            continue;
        }
        auto& pair = loaded[parsed.templateIndex].levels[parsed.level];
        if (!pair) pair = MaskPair{};
        (parsed.far ? pair->far : pair->near) = std::move(pixels);
    }
    for (auto& [templateIndex, set] : loaded) {
        for (auto& level : set.levels) {
            if (level && (level->far.empty() || level->near.empty())) level.reset();
        }
        masks[templateIndex] = std::make_shared<const TemplateMasks>(std::move(set));
    }
}

bool CameraState::depthBinned() const { return parameters.intValue(ZR_INT_3D_BINNING_MODE, 0) == 1; }

}  // namespace zrsim
