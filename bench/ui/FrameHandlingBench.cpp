// What one live frame costs the window's GUI thread: onFrameReady with a real
// 640x480 frame of the virtual K7 (colour, depth, amplitude and cloud, exactly
// as the camera worker prepares it), taken while its pallet stands in the
// danger zone, with the scene showing the K7's running zones (the cloud
// coloured, moved into the vehicle frame and tested against the zones, the
// depth image repainted); the same without zones as the baseline; and both
// plus the repaint of the four panes that they schedule. The CPU column is the
// GUI thread's own time. Needs a display (make bench starts Xvfb without one).
#include "FrameHeapPolicy.h"
#include "HazardDeskWindow.h"
#include "LiveCloudColorizer.h"
#include "ObstacleCameraWorker.h"
#include "WorkstationJsonWriter.h"
#include "ZoneContainment.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <string>

namespace {

using hazard_desk::HazardDeskWindow;
using hazard_desk::ObstacleCameraWorker;

constexpr const char* kVirtualK7 = "127.0.10.1";
constexpr int kFrameAttempts = 400;   // 20 s of frames: the pallet's drive takes 8 s
constexpr int kFrames = 40;  // per repetition
constexpr std::size_t kDangerPointsWanted = 20000;

struct LiveFrame {
    QImage rgb;
    QImage depth;
    QImage amplitude;
    corVane::ColorCloudPtr cloud;
    QVector<int> depthPixels;
    qlonglong timestamp = 0;
};

// The K7's commissioned configuration: its mount and template 1 with danger
// 300..1500 mm and warning to 2500 mm ahead.
hazard_desk::WorkstationDocument k7Configuration() {
    hazard_desk::WorkstationDocument document;
    document.extrinsics = {75.0, -180.0, 90.0, 0.0, 0.0, 600.0};
    document.activeIndex = 1;
    document.templates[1].body = hazard_desk::SquareZones{300, 1500, 2500, -700, 700, 50, 1800};
    return document;
}

std::size_t dangerPoints(const LiveFrame& frame) {
    hazard_desk::LiveCloudStyle style;
    style.extrinsics = k7Configuration().extrinsics;
    style.zones = zavov::highlightVolumes(hazard_desk::activeTemplate(k7Configuration()));
    return hazard_desk::LiveCloudColorizer::colorize(*frame.cloud, frame.depthPixels, frame.depth, style).dangerPoints;
}

// One frame from the virtual camera, through the worker's own frame pump,
// with the pallet well inside the danger zone.
bool grabLiveFrame(LiveFrame& frame) {
    ObstacleCameraWorker worker;
    bool received = false;
    QObject::connect(&worker, &ObstacleCameraWorker::frameReady,
                     [&](QImage rgb, QImage depth, QImage amplitude, corVane::ColorCloudPtr cloud,
                         QVector<int> depthPixels, qlonglong timestamp) {
                         frame = LiveFrame{rgb, depth, amplitude, cloud, depthPixels, timestamp};
                         received = cloud && !cloud->empty() && dangerPoints(frame) > kDangerPointsWanted;
                     });
    worker.connectDevice(QVariantMap{{QStringLiteral("ip"), QString::fromLatin1(kVirtualK7)}});
    worker.setStreaming(true);
    for (int attempt = 0; attempt < kFrameAttempts && !received; ++attempt) {
        worker.acknowledgeFrame();
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

// A shown window that believes it is connected to the K7 and streaming, and
// knows the configuration the camera runs when withZones.
std::unique_ptr<HazardDeskWindow> liveWindow(bool withZones) {
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
    if (withZones) {
        window->onActiveConfigurationUpdated(
            QString::fromStdString(hazard_desk::dumpWorkstationDocument(k7Configuration(), 2)), QString(), 4);
    }
    return window;
}

void deliver(HazardDeskWindow& window, const LiveFrame& frame, qlonglong timestamp) {
    window.onFrameReady(frame.rgb, frame.depth, frame.amplitude, frame.cloud, frame.depthPixels, timestamp);
}

void BM_OnFrameReady(benchmark::State& state, const LiveFrame* frame, bool withZones) {
    const auto window = liveWindow(withZones);
    qlonglong timestamp = frame->timestamp;
    for (auto _ : state) {
        deliver(*window, *frame, ++timestamp);
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["points"] = static_cast<double>(frame->cloud->size());
    state.counters["dangerPoints"] = withZones ? static_cast<double>(dangerPoints(*frame)) : 0.0;
}

// The slot and everything it leaves for the event loop: image panes, the
// status line and the 3D view's paint (its build thread works meanwhile).
void BM_OnFrameReadyWithRepaint(benchmark::State& state, const LiveFrame* frame, bool withZones) {
    const auto window = liveWindow(withZones);
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
    for (const bool withZones : {true, false}) {
        const std::string zones = withZones ? "/zones" : "/noZones";
        benchmark::RegisterBenchmark(("BM_OnFrameReady" + zones).c_str(), BM_OnFrameReady, &frame, withZones)
            ->Unit(benchmark::kMillisecond)->Iterations(kFrames)->Repetitions(5)->ReportAggregatesOnly(true);
    }
    for (const bool withZones : {true, false}) {
        const std::string zones = withZones ? "/zones" : "/noZones";
        benchmark::RegisterBenchmark(("BM_OnFrameReadyWithRepaint" + zones).c_str(), BM_OnFrameReadyWithRepaint,
                                     &frame, withZones)
            ->Unit(benchmark::kMillisecond)->Iterations(kFrames)->Repetitions(5)->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
