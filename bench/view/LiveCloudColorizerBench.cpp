// What the scene's per-frame colouring costs: a 640x480 frame of a K7 (a
// pallet 1.2 m ahead in front of a far wall, camera frame, with its depth
// pixels) coloured from the depth image, moved into the vehicle frame and
// tested against the danger and warning boxes of the commissioned K7; then
// the same without zones, and coloured by distance. The baseline is the plain
// copy of the cloud that any colouring needs.
#include "FrameHeapPolicy.h"
#include "LiveCloudColorizer.h"
#include "ZoneContainment.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using hazard_desk::LiveCloudColorizer;
using hazard_desk::LiveCloudStyle;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr float kFocal = 520.0f;

const bool kHeapPolicyApplied = hazard_desk::FrameHeapPolicy::apply();

struct Frame {
    corVane::ColorCloud cloud;
    QVector<int> depthPixels;
    QImage depth;
};

const Frame& k7Frame() {
    static const Frame frame = [] {
        Frame f;
        f.depth = QImage(kWidth, kHeight, QImage::Format_RGB888);
        f.cloud.points.reserve(kWidth * kHeight);
        for (int v = 0; v < kHeight; ++v) {
            for (int u = 0; u < kWidth; ++u) {
                const bool pallet = std::abs(u - kWidth / 2) < 120 && v > kHeight / 3;
                const float depth = pallet ? 1200.0f : 4000.0f + 2.0f * v;
                pcl::PointXYZRGB p;
                p.x = (u - kWidth / 2.0f) / kFocal * depth;
                p.y = (v - kHeight / 2.0f) / kFocal * depth;
                p.z = depth;
                p.r = p.g = p.b = 128;
                f.cloud.points.push_back(p);
                f.depthPixels.push_back(v * kWidth + u);
                f.depth.setPixel(u, v, qRgb(pallet ? 255 : 0, 180, pallet ? 0 : 220));
            }
        }
        return f;
    }();
    return frame;
}

LiveCloudStyle k7Style(bool withZones) {
    LiveCloudStyle style;
    style.maxDepthMm = 8000.0;
    style.extrinsics = {75.0, -180.0, 90.0, 0.0, 0.0, 600.0};
    if (withZones) {
        style.zones.danger = zavov::ZoneVolume{hazard_desk::ZoneLevel::Danger,
                                               hazard_desk::BoxZone{300, 1500, -700, 700, 50, 1800}};
        style.zones.warning = zavov::ZoneVolume{hazard_desk::ZoneLevel::Warn,
                                                hazard_desk::BoxZone{1500, 2500, -700, 700, 50, 1800}};
    }
    return style;
}

void BM_CopyCloudBaseline(benchmark::State& state) {
    const Frame& frame = k7Frame();
    for (auto _ : state) {
        auto copy = std::make_shared<corVane::ColorCloud>(frame.cloud);
        benchmark::DoNotOptimize(copy->points.data());
    }
    state.counters["heapPolicy"] = kHeapPolicyApplied ? 1 : 0;
}

void runColorize(benchmark::State& state, const LiveCloudStyle& style, bool withPixels) {
    const Frame& frame = k7Frame();
    const QVector<int> noPixels;
    std::size_t danger = 0;
    for (auto _ : state) {
        const hazard_desk::LiveCloudScene scene =
            LiveCloudColorizer::colorize(frame.cloud, withPixels ? frame.depthPixels : noPixels, frame.depth, style);
        danger = scene.dangerPoints;
        benchmark::DoNotOptimize(scene.cloud->points.data());
    }
    state.counters["points"] = static_cast<double>(frame.cloud.points.size());
    state.counters["danger"] = static_cast<double>(danger);
}

void BM_ColorizeWithZones(benchmark::State& state) { runColorize(state, k7Style(true), true); }
void BM_ColorizeWithoutZones(benchmark::State& state) { runColorize(state, k7Style(false), true); }
void BM_ColorizeByDistanceWithZones(benchmark::State& state) { runColorize(state, k7Style(true), false); }

BENCHMARK(BM_CopyCloudBaseline)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ColorizeWithZones)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ColorizeWithoutZones)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_ColorizeByDistanceWithZones)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
