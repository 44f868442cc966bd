// What a frame costs the workstation above the camera library itself:
// getNewFrameSet with cloud at 640x480, with every SDK call it makes timed
// through thin wrappers, so the library's own time is measured in the same
// iteration and subtracted. Also the library's bare frame fetch as baseline.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include "ZrCameraApi.h"
#include "ZrCameraK7.h"
#include "ZrSimControl.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<std::int64_t> gLibraryNs{0};

template <typename Fn>
Fn realFunction(const char* name)
{
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "bench_camera: %s not found in the camera library\n", name);
        std::abort();
    }
    return reinterpret_cast<Fn>(symbol);
}

class LibraryTimer {
public:
    LibraryTimer() : start_(Clock::now()) {}
    ~LibraryTimer()
    {
        gLibraryNs += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start_).count();
    }

private:
    Clock::time_point start_;
};

}  // namespace

// Timing wrappers: the camera layer's calls bind to these first.
extern "C" int32_t DcSetCmd(ZrHandle handle, int32_t command)
{
    static const auto real = realFunction<int32_t (*)(ZrHandle, int32_t)>("DcSetCmd");
    LibraryTimer timer;
    return real(handle, command);
}

extern "C" int32_t DcGetPtrValue(ZrHandle handle, int32_t id, void** value)
{
    static const auto real = realFunction<int32_t (*)(ZrHandle, int32_t, void**)>("DcGetPtrValue");
    LibraryTimer timer;
    return real(handle, id, value);
}

namespace {

constexpr const char* kBenchScene = R"({"cameras": [
  {"ip": "127.0.10.1", "id": "bench-k7", "name": "K7 bench", "deviceType": 1005,
   "depth": {"width": 640, "height": 480, "fx": 460, "fy": 460, "cx": 320, "cy": 240, "maxDepthMm": 8000, "fps": 30},
   "color": {"width": 640, "height": 480},
   "mount": {"roll": 90, "pitch": -165, "yaw": 90, "x": 0, "y": 0, "z": 600}}],
  "objects": [{"label": "pallet", "minX": 1500, "maxX": 2700, "minY": -600, "maxY": 600, "minZ": 0, "maxZ": 150}]})";

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Camera {
    Camera()
    {
        ZrSim_Reset();
        if (ZrSim_LoadSceneText(kBenchScene) != 0) {
            std::fprintf(stderr, "bench_camera: scene refused: %s\n", ZrSim_LastError());
            std::abort();
        }
        algPlatform::DeviceInfo info;
        info.ip = "127.0.10.1";
        camera = std::make_unique<algPlatform::ZrCameraK7>(info);
        if (camera->open() != 0 || camera->initialize("{}") != 0 || camera->startStream() != 0) {
            std::fprintf(stderr, "bench_camera: the virtual camera did not start\n");
            std::abort();
        }
    }
    std::unique_ptr<algPlatform::ZrCameraK7> camera;
};

// The library's own frame fetch: the frame command and the data pointers the
// camera reads, without any copy.
void BM_LibraryFrameFetch(benchmark::State& state)
{
    Camera rig;
    const ZrHandle handle = rig.camera->deviceInfo().handle;
    std::vector<double> totalMs;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        void* data = nullptr;
        DcSetCmd(handle, ZR_CMD_GET_NEW_FRAME);
        for (int32_t id : {ZR_PTR_FRAME_DATA, ZR_PTR_2D_IMAGE_DATA, ZR_PTR_3D_DEPTH_DATA, ZR_PTR_XYZ_DATA}) {
            DcGetPtrValue(handle, id, &data);
            benchmark::DoNotOptimize(data);
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        totalMs.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["libraryMsMedian"] = median(totalMs);
}

// getNewFrameSet with colour, depth and the full cloud; the reported time is
// the part spent outside the library.
void BM_GetNewFrameSetWithCloud(benchmark::State& state)
{
    Camera rig;
    std::vector<double> aboveMs;
    std::vector<double> libraryMs;
    std::vector<double> totalMs;
    algPlatform::FrameSet frame;
    std::int64_t failures = 0;
    for (auto _ : state) {
        gLibraryNs = 0;
        const Clock::time_point start = Clock::now();
        const std::int32_t code = rig.camera->getNewFrameSet(frame, true);
        const double total = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double library = static_cast<double>(gLibraryNs.load()) / 1e6;
        // Only delivered frames count: a timed-out frame command copies nothing.
        if (code != 0) {
            ++failures;
        } else {
            totalMs.push_back(total);
            libraryMs.push_back(library);
            aboveMs.push_back(total - library);
        }
        state.SetIterationTime((total - library) / 1000.0);
    }
    state.counters["aboveLibraryMsMedian"] = median(aboveMs);
    state.counters["libraryMsMedian"] = median(libraryMs);
    state.counters["totalMsMedian"] = median(totalMs);
    state.counters["points"] = frame.cloud.cloud ? static_cast<double>(frame.cloud.cloud->size()) : 0.0;
    state.counters["failures"] = static_cast<double>(failures);
}

BENCHMARK(BM_LibraryFrameFetch)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(120);
BENCHMARK(BM_GetNewFrameSetWithCloud)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(120);

}  // namespace
