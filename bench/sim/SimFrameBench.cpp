// What one camera frame costs the virtual camera: a VGA frame of the built-in
// K7 (depth, amplitude, XYZ, colour) with the obstacle algorithm evaluated,
// on one core. The camera must stay well under its 50 ms frame period so it
// is never what limits the workstation's 20 fps.

#include <benchmark/benchmark.h>

#include "DefaultScene.h"
#include "DeviceJson.h"
#include "ObstacleAlgorithm.h"
#include "SceneRenderer.h"
#include "SimScene.h"

namespace {

using namespace zrsim;

// Scene time at which the pallet is deepest in the K7's danger zone, so the
// clustering has the most points to work on.
constexpr double kPalletInDangerS = 6.0;

struct K7Fixture {
    Scene scene;
    CameraSetup camera;
    AlgorithmConfig config;
    K7Fixture() {
        std::string error;
        if (!parseScene(defaultSceneText(), scene, error)) throw std::runtime_error(error);
        camera = scene.cameras.front();
        const nlohmann::json& params = *camera.algorithmParams;
        config.pose = *poseOf(params);
        config.zoneIndex = zoneIndexOf(params);
        config.zones = zonesOf(params, config.zoneIndex);
        for (const SceneObject& object : scene.objects) config.objectLabels.push_back(object.label);
    }
};

void BM_RenderFrameOnly(benchmark::State& state) {
    K7Fixture k7;
    const SceneRenderer renderer(k7.camera, k7.scene.objects);
    uint64_t sequence = 0;
    RenderedFrame frame;  // the camera reuses its frame buffers the same way
    for (auto _ : state) {
        renderer.render(kPalletInDangerS, ++sequence, true, 1.0f, frame);
        benchmark::DoNotOptimize(frame.depth.data());
    }
}

void BM_VgaFrameWithColorXyzAndAlgorithm(benchmark::State& state) {
    K7Fixture k7;
    const SceneRenderer renderer(k7.camera, k7.scene.objects);
    uint64_t sequence = 0;
    int verdict = 0;
    RenderedFrame frame;  // the camera reuses its frame buffers the same way
    for (auto _ : state) {
        renderer.render(kPalletInDangerS, ++sequence, true, 1.0f, frame);
        evaluateObstacles(k7.config, frame);
        frame.bindRecord(ZR_FRAME_TYPE_ALGORITHM_V2);
        verdict = frame.ioStatus;
        benchmark::DoNotOptimize(frame.record);
    }
    state.counters["verdict"] = verdict;
    state.counters["pixels"] = k7.camera.depth.width * k7.camera.depth.height;
}

BENCHMARK(BM_RenderFrameOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VgaFrameWithColorXyzAndAlgorithm)->Unit(benchmark::kMillisecond);

}  // namespace
