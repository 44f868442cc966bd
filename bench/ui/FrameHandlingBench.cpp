// What one live frame costs the window's GUI thread: onFrameReady with a real
// 640x480 frame of the virtual K7 (colour, depth, amplitude and cloud, exactly
// as the camera worker prepares it), and the same plus the repaint of the four
// panes that it schedules. Needs a display (make bench starts Xvfb without one).
#include "FrameHeapPolicy.h"
#include "HazardDeskWindow.h"
#include "ObstacleCameraWorker.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

using hazard_desk::HazardDeskWindow;
using hazard_desk::ObstacleCameraWorker;

constexpr const char* kVirtualK7 = "127.0.10.1";
constexpr int kFrameAttempts = 100;
constexpr int kFrames = 40;  // per repetition

struct LiveFrame {
    QImage rgb;
    QImage depth;
    QImage amplitude;
    corVane::ColorCloudPtr cloud;
    QVector<int> depthPixels;
    qlonglong timestamp = 0;
};

// One frame from the virtual camera, through the worker's own frame pump.
bool grabLiveFrame(LiveFrame& frame) {
    ObstacleCameraWorker worker;
    bool received = false;
    QObject::connect(&worker, &ObstacleCameraWorker::frameReady,
                     [&](QImage rgb, QImage depth, QImage amplitude, corVane::ColorCloudPtr cloud,
                         QVector<int> depthPixels, qlonglong timestamp) {
                         frame = LiveFrame{rgb, depth, amplitude, cloud, depthPixels, timestamp};
                         received = true;
                     });
    worker.connectDevice(QVariantMap{{QStringLiteral("ip"), QString::fromLatin1(kVirtualK7)}});
    worker.setStreaming(true);
    for (int attempt = 0; attempt < kFrameAttempts && !received; ++attempt) {
        QMetaObject::invokeMethod(&worker, "captureTick", Qt::DirectConnection);
        if (!received) {
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < 20) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
        }
    }
    worker.disconnectDevice();
    return received && frame.cloud && !frame.cloud->empty();
}

// A shown window that believes it is connected to the K7 and streaming.
std::unique_ptr<HazardDeskWindow> liveWindow() {
    QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
    auto window = std::make_unique<HazardDeskWindow>();
    window->show();
    const QVariantMap k7{{QStringLiteral("ip"), QString::fromLatin1(kVirtualK7)},
                         {QStringLiteral("model"), QStringLiteral("K7")},
                         {QStringLiteral("sdkDeviceType"), 1005},
                         {QStringLiteral("maxDepthMm"), 7000}};
    window->onConnectionChanged(true, k7, QStringLiteral("已通过 baseCamera 连接 127.0.10.1"));
    // The window's own worker has no camera and answers its start-up requests.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    window->onStreamStateChanged(true, QStringLiteral("实时数据流已启动"));
    return window;
}

void deliver(HazardDeskWindow& window, const LiveFrame& frame, qlonglong timestamp) {
    window.onFrameReady(frame.rgb, frame.depth, frame.amplitude, frame.cloud, frame.depthPixels, timestamp);
}

void BM_OnFrameReady(benchmark::State& state, const LiveFrame* frame) {
    const auto window = liveWindow();
    qlonglong timestamp = frame->timestamp;
    for (auto _ : state) {
        deliver(*window, *frame, ++timestamp);
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["points"] = static_cast<double>(frame->cloud->size());
}

// The slot and everything it leaves for the event loop: image panes, the
// status line and the 3D view's paint (its build thread works meanwhile).
void BM_OnFrameReadyWithRepaint(benchmark::State& state, const LiveFrame* frame) {
    const auto window = liveWindow();
    qlonglong timestamp = frame->timestamp;
    for (auto _ : state) {
        deliver(*window, *frame, ++timestamp);
        QCoreApplication::processEvents();
    }
}

}  // namespace

int main(int argc, char** argv) {
    hazard_desk::FrameHeapPolicy::apply();  // as the workstation runs
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("VQ8 Hazard Desk bench"));
    ObstacleCameraWorker::registerMetaTypes();

    static LiveFrame frame;
    if (!grabLiveFrame(frame)) {
        std::fprintf(stderr, "bench_ui: no frame from the virtual camera at %s\n", kVirtualK7);
        return 1;
    }
    // Fixed iteration counts: a repaint in software OpenGL takes long enough
    // that the library's own search for a count would run for minutes.
    benchmark::RegisterBenchmark("BM_OnFrameReady", BM_OnFrameReady, &frame)
        ->Unit(benchmark::kMillisecond)->Iterations(kFrames)->Repetitions(5)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("BM_OnFrameReadyWithRepaint", BM_OnFrameReadyWithRepaint, &frame)
        ->Unit(benchmark::kMillisecond)->Iterations(kFrames)->Repetitions(5)->ReportAggregatesOnly(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
