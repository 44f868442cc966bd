// What recordings cost, for a VGA frame of the built-in K7 at 20 fps (depth,
// amplitude, colour and 307,200 XYZ points, the pallet driving through the
// danger zone): writing one frame (the recorder thread's work per frame),
// reading one back as the replaying camera does, and reading and scoring one
// against the K7's configuration. Each on one core; the counters relate the
// cost to the camera's 50 ms frame period.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "DefaultScene.h"
#include "RecordingFrameCursor.h"
#include "RecordingReader.h"
#include "RecordingScorer.h"
#include "RecordingWriter.h"
#include "SceneRenderer.h"
#include "SimScene.h"
#include "WorkstationDocument.h"
#include "RotationConversion.h"

namespace {

using namespace hazard_desk::recording;

constexpr int kFrames = 40;               // two seconds of the stream
constexpr double kFramePeriodS = 0.05;    // 20 fps

struct K7Frames {
    std::vector<std::unique_ptr<zrsim::RenderedFrame>> frames;
    std::string path;

    K7Frames() {
        zrsim::Scene scene;
        std::string error;
        if (!zrsim::parseScene(zrsim::defaultSceneText(), scene, error)) throw std::runtime_error(error);
        const zrsim::SceneRenderer renderer(scene.cameras.front(), scene.objects);
        for (int k = 0; k < kFrames; ++k) {
            auto frame = std::make_unique<zrsim::RenderedFrame>();
            // From 5 s on the pallet drives into the danger zone and out again.
            renderer.render(5.0 + k * kFramePeriodS, static_cast<std::uint64_t>(k + 1), true, 1.0f, *frame);
            frames.push_back(std::move(frame));
        }
        path = "/tmp/hd_bench_recording_" + std::to_string(::getpid()) + ".mcap";
        RecordingWriter writer;
        writer.open(path);
        for (int k = 0; k < kFrames; ++k) writer.writeFrame(record(k));
        writer.close();
    }
    ~K7Frames() { std::remove(path.c_str()); }

    FrameRecord record(int k) const {
        const zrsim::RenderedFrame& f = *frames[static_cast<std::size_t>(k)];
        FrameRecord r;
        r.sequence = static_cast<std::uint32_t>(k + 1);
        r.timeNs = static_cast<std::uint64_t>(k) * 50000000ULL;
        auto plane = [](const void* data, int w, int h, int bytes, const char* encoding) {
            ImagePlane p;
            p.width = w;
            p.height = h;
            p.step = static_cast<std::uint32_t>(w * bytes);
            p.encoding = encoding;
            p.data = static_cast<const std::uint8_t*>(data);
            return p;
        };
        r.depth = plane(f.depth.data(), f.width, f.height, 2, "16UC1");
        r.amplitude = plane(f.amplitude.data(), f.width, f.height, 2, "16UC1");
        r.color = plane(f.color.data(), f.colorWidth, f.colorHeight, 3, "bgr8");
        r.points.data = reinterpret_cast<const std::uint8_t*>(f.xyz.data());
        r.points.count = static_cast<std::size_t>(f.width) * f.height;
        return r;
    }
};

K7Frames& k7() {
    static K7Frames frames;
    return frames;
}

void budgetCounters(benchmark::State& state, std::size_t frames) {
    state.counters["framesPerSecond"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    // Multiples of the camera's 20 fps one core keeps up with (1 = exactly real time).
    state.counters["realTimeFactor"] =
        benchmark::Counter(static_cast<double>(frames) * kFramePeriodS, benchmark::Counter::kIsRate);
}

void BM_WriteFrame(benchmark::State& state) {
    K7Frames& data = k7();
    const std::string path = data.path + ".write";
    RecordingWriter writer;
    writer.open(path);
    std::size_t frames = 0;
    for (auto _ : state) {
        writer.writeFrame(data.record(static_cast<int>(frames % kFrames)));
        ++frames;
    }
    writer.close();
    state.counters["bytesPerFrame"] = static_cast<double>(writer.bytesWritten()) / static_cast<double>(frames);
    state.counters["MBPerMinuteAt20fps"] =
        static_cast<double>(writer.bytesWritten()) / static_cast<double>(frames) * 1200.0 / 1.0e6;
    budgetCounters(state, frames);
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteFrame)->Unit(benchmark::kMillisecond);

void BM_ReplayFrame(benchmark::State& state) {
    RecordingFrameCursor cursor;
    cursor.open(k7().path);
    RecordedFrame frame;
    std::size_t frames = 0;
    for (auto _ : state) {
        if (!cursor.next(frame)) {
            cursor.rewind();
            cursor.next(frame);
        }
        ++frames;
    }
    budgetCounters(state, frames);
}
BENCHMARK(BM_ReplayFrame)->Unit(benchmark::kMillisecond);

hazard_desk::WorkstationDocument k7Configuration() {
    // The K7's commissioned mount and template 1 zones, as its stored parameters say.
    hazard_desk::WorkstationDocument document;
    document.extrinsics.roll = 75.0;
    document.extrinsics.pitch = -180.0;
    document.extrinsics.yaw = 90.0;
    document.extrinsics.x = document.extrinsics.y = 0.0;
    document.extrinsics.z = 600.0;
    document.activeIndex = 1;
    hazard_desk::FreeBoxZones zones;
    zones.danger = {300.0, 1500.0, -700.0, 700.0, 50.0, 1800.0};
    zones.warning = {1500.0, 2500.0, -700.0, 700.0, 50.0, 1800.0};
    zones.notify = {2500.0, 3500.0, -700.0, 700.0, 50.0, 1800.0};
    document.templates[1].body = zones;
    return document;
}

void BM_ScoreRecording(benchmark::State& state) {
    const RecordingScorer scorer(k7Configuration());
    std::size_t frames = 0;
    std::size_t stops = 0;
    for (auto _ : state) {
        RecordingReader reader;
        reader.open(k7().path);
        RecordingReader::Visitor visitor;
        visitor.pointsOnly = true;
        visitor.frame = [&](const RecordedFrame& frame) {
            stops += scorer.score(frame).verdict == Verdict::Stop ? 1 : 0;
            ++frames;
            return true;
        };
        reader.read(visitor);
    }
    budgetCounters(state, frames);
    state.counters["stopShare"] = static_cast<double>(stops) / static_cast<double>(std::max<std::size_t>(frames, 1));
}
BENCHMARK(BM_ScoreRecording)->Unit(benchmark::kMillisecond);

}  // namespace
