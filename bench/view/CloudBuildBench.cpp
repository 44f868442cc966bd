// What the 3D view's build thread spends per cloud: a 640x480 camera frame
// (a sloped floor and a wall in millimetres, some invalid pixels) and a
// 1,500,000-point camera-like cloud (1500x1000), with the default grid thinning and with thinning
// off (every point drawn). Medians over repetitions are the figures to read.
#include "CloudVertexBuilder.h"
#include "FrameHeapPolicy.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

using hazard_desk::CloudVertexBuilder;

constexpr int kDefaultThinningCell = 30;

// Memory is recycled the way the workstation and the command-line tool set it up.
const bool kHeapPolicyApplied = hazard_desk::FrameHeapPolicy::apply();

corVane::ColorCloud cameraFrame(int width, int height) {
    corVane::ColorCloud cloud;
    cloud.width = static_cast<std::uint32_t>(width);
    cloud.height = static_cast<std::uint32_t>(height);
    cloud.points.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (int v = 0; v < height; ++v) {
        for (int u = 0; u < width; ++u) {
            auto& p = cloud.points[static_cast<std::size_t>(v) * width + u];
            const float ray = (static_cast<float>(u) - width / 2.0f) / (width / 2.0f);
            const float tilt = (static_cast<float>(v) - height / 2.0f) / (height / 2.0f);
            const float range = tilt > 0.0f ? 1500.0f / (0.2f + tilt) : 6000.0f;  // floor below, wall above
            p.x = ray * range * 0.6f + noise(random);
            p.y = range + noise(random);
            p.z = -tilt * range * 0.45f;
            if ((u * 7 + v * 13) % 29 == 0) {
                p.x = p.y = p.z = std::numeric_limits<float>::quiet_NaN();
            }
            p.r = static_cast<std::uint8_t>(u % 256);
            p.g = static_cast<std::uint8_t>(v % 256);
            p.b = 128;
        }
    }
    return cloud;
}

// Worst case for thinning: points scattered so that nearly every one has a
// grid cell of its own.
corVane::ColorCloud scatteredCloud(std::size_t points) {
    corVane::ColorCloud cloud;
    cloud.points.resize(points);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-8000.0f, 8000.0f);
    for (auto& p : cloud.points) {
        p.x = coordinate(random);
        p.y = coordinate(random) * 0.5f + 8000.0f;
        p.z = coordinate(random) * 0.2f;
        p.r = 200;
        p.g = 40;
        p.b = 10;
    }
    return cloud;
}

void runBuild(benchmark::State& state, const corVane::ColorCloud& cloud, int thinningCell) {
    int vertices = 0;
    for (auto _ : state) {
        const auto built = CloudVertexBuilder::build(cloud, thinningCell);
        vertices = built.vertexCount;
        benchmark::DoNotOptimize(built.vertices.data());
    }
    state.counters["vertices"] = vertices;
    state.counters["heapPolicy"] = kHeapPolicyApplied ? 1 : 0;
    state.counters["points"] = static_cast<double>(cloud.points.size());
}

void BM_Build640x480(benchmark::State& state) {
    static const corVane::ColorCloud cloud = cameraFrame(640, 480);
    runBuild(state, cloud, static_cast<int>(state.range(0)));
}

void BM_Build1500000(benchmark::State& state) {
    static const corVane::ColorCloud cloud = cameraFrame(1500, 1000);
    runBuild(state, cloud, static_cast<int>(state.range(0)));
}

void BM_Build1500000Scattered(benchmark::State& state) {
    static const corVane::ColorCloud cloud = scatteredCloud(1500000);
    runBuild(state, cloud, static_cast<int>(state.range(0)));
}

BENCHMARK(BM_Build640x480)->Arg(kDefaultThinningCell)->Arg(0)->Unit(benchmark::kMillisecond)->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Build1500000)->Arg(kDefaultThinningCell)->Arg(0)->Unit(benchmark::kMillisecond)->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Build1500000Scattered)->Arg(kDefaultThinningCell)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
