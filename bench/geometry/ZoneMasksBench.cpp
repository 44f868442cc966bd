// V1 zone masks of one template, as the apply transaction computes them:
// the reference loop over every (triangle, pixel) pair against the fast
// path, on 640x480 fisheye rays and a 1 degree sector of 120 degrees, and
// the fast path on 1280x960 pinhole rays. The 640x480 fast benchmark reports
// "xReference": the median time of the reference runs before it divided by
// its own time. Times are wall clock (the fast path uses every core); the CPU
// column is the whole process's.
#include "CameraRays.h"
#include "ZoneMasks.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace {

std::vector<double>& referenceSeconds()
{
    static std::vector<double> seconds;
    return seconds;
}

cv::Mat raysOf(int width, int height, double focal, bool fisheye)
{
    zavov::RayIntrinsics in;
    in.width = width;
    in.height = height;
    in.pinholeRead = true;
    in.fx = static_cast<float>(focal);
    in.fy = static_cast<float>(focal);
    in.cx = static_cast<float>(width) / 2.0f - 0.5f;
    in.cy = static_cast<float>(height) / 2.0f - 0.5f;
    in.distortion = {0.02f, -0.004f, fisheye ? 0.0005f : 0.001f, fisheye ? -0.0001f : -0.0005f};
    in.fisheye = fisheye;
    const zavov::CameraRays rays = zavov::computeCameraRays(in);
    if (!rays.ok()) {
        std::cerr << "rays failed: " << rays.error << "\n";
        std::abort();
    }
    return rays.rays;
}

hazard_desk::ZoneTemplate sectorTemplate()
{
    hazard_desk::ZoneTemplate zone = hazard_desk::defaultZoneTemplate(3, hazard_desk::TemplateType::Sector);
    auto& sector = std::get<hazard_desk::SectorZones>(zone.body);
    sector.danger.leftAngle = sector.warning.leftAngle = -60.0;
    sector.danger.rightAngle = sector.warning.rightAngle = 60.0;
    return zone;
}

hazard_desk::Extrinsics benchMount()
{
    hazard_desk::Extrinsics mount;
    mount.roll = 70.0;
    mount.pitch = -180.0;
    mount.yaw = 90.0;
    mount.z = 600.0;
    return mount;
}

enum class Baseline { Record, CompareWith, None };

void runMasks(benchmark::State& state, const cv::Mat& rays, zavov::MaskProjection projection, Baseline baseline)
{
    zavov::MaskOptions options;
    options.projection = projection;
    const hazard_desk::ZoneTemplate zone = sectorTemplate();
    const hazard_desk::Extrinsics mount = benchMount();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        zavov::TemplateMasks masks = zavov::generateTemplateMasks(rays, mount, zone, options);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!masks.ok()) {
            state.SkipWithError(masks.error.c_str());
            return;
        }
        benchmark::DoNotOptimize(masks);
        if (baseline == Baseline::Record) {
            referenceSeconds().push_back(seconds);
        } else if (baseline == Baseline::CompareWith && !referenceSeconds().empty()) {
            std::vector<double> sorted = referenceSeconds();
            std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2),
                             sorted.end());
            state.counters["xReference"] = sorted[sorted.size() / 2] / seconds;
        }
    }
}

void BM_MasksFisheye640x480Reference(benchmark::State& state)
{
    static const cv::Mat rays = raysOf(640, 480, 300.0, true);
    runMasks(state, rays, zavov::MaskProjection::Reference, Baseline::Record);
}

void BM_MasksFisheye640x480Fast(benchmark::State& state)
{
    static const cv::Mat rays = raysOf(640, 480, 300.0, true);
    runMasks(state, rays, zavov::MaskProjection::Fast, Baseline::CompareWith);
}

void BM_MasksPinhole1280x960Fast(benchmark::State& state)
{
    static const cv::Mat rays = raysOf(1280, 960, 600.0, false);
    runMasks(state, rays, zavov::MaskProjection::Fast, Baseline::None);
}

void BM_RaysFisheye640x480(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(raysOf(640, 480, 300.0, true));
    }
}

}  // namespace

BENCHMARK(BM_MasksFisheye640x480Reference)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_MasksFisheye640x480Fast)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_MasksPinhole1280x960Fast)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_RaysFisheye640x480)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();
