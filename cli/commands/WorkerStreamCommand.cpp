// "stream --ip IP [--seconds S]": the camera worker on its own thread, driven
// through its queued slots exactly as the window drives it — connect, start
// the stream, acknowledge every frame at once, collect the runtime samples —
// and one JSON summary line at the end.
#include "ArgumentParser.h"
#include "CameraCommandSupport.h"
#include "CommandRegistry.h"
#include "WorkerCommandSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

#include <algorithm>
#include <ctime>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "ObstacleCameraWorker.h"

namespace hazard_desk::cli {
namespace {

constexpr int kDefaultSeconds = 10;
constexpr int kMaxSeconds = 3600;
// Connection, stream start and shutdown get this much on top of the run.
constexpr int kGraceMs = 30000;

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

template <typename T>
double percentile(std::vector<T> values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return static_cast<double>(values[std::min(index, values.size() - 1)]);
}

struct StreamSummary {
    bool connected = false;
    QString connectError;
    int frames = 0;
    qint64 streamStartMs = -1;
    qint64 streamEndMs = -1;
    std::vector<int> latencies;
    int runtimeSamples = 0;
    int ioStatus = -1;
    int algorithmMode = -1;
    QStringList errors;
    std::mutex cpuMutex;
    std::vector<double> frameCpuMs;   // worker thread CPU clock at each frame
};

int runStream(CommandContext& ctx) {
    ArgumentParser parser;
    parser.option("--ip").option("--seconds");
    int seconds = kDefaultSeconds;
    if (!parser.parse(ctx.args) || !parser.positional().empty() || !parser.value("--ip") ||
        !parser.intValue("--seconds", kDefaultSeconds, 1, kMaxSeconds, seconds)) {
        ctx.err << "hazard-desk-cli stream: "
                << (!parser.error().empty() ? parser.error() : std::string("usage: stream --ip IP [--seconds S]"))
                << "\n";
        return kExitUsage;
    }
    // The worker needs an event loop on this thread for its answers.
    const std::unique_ptr<QCoreApplication> application = ensureCoreApplication();
    QThread thread;
    ObstacleCameraWorker* worker = createWorkerOn(thread);
    QObject::connect(&thread, &QThread::started, worker, &ObstacleCameraWorker::publishSdkVersion);

    StreamSummary summary;
    QObject receiver;   // lives on this thread: the window's side of the wiring
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer runTimer;
    runTimer.setSingleShot(true);
    QTimer guard;
    guard.setSingleShot(true);

    auto stop = [&]() {
        if (summary.streamStartMs >= 0 && summary.streamEndMs < 0) {
            summary.streamEndMs = clock.elapsed();
        }
        QMetaObject::invokeMethod(worker, "shutdown", Qt::QueuedConnection);
    };
    QObject::connect(&runTimer, &QTimer::timeout, &receiver, stop);
    QObject::connect(&guard, &QTimer::timeout, &receiver, [&]() {
        summary.errors << QStringLiteral("stream did not finish in time");
        stop();
    });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);

    const auto queued = Qt::QueuedConnection;
    QObject::connect(worker, &ObstacleCameraWorker::connectionChanged, &receiver,
                     [&](bool connected, QVariantMap, QString message) {
                         if (connected) {
                             summary.connected = true;
                             QMetaObject::invokeMethod(worker, "setStreaming", Qt::QueuedConnection, Q_ARG(bool, true));
                         } else if (!summary.connected) {
                             summary.connectError = message;
                             stop();
                         }
                     },
                     queued);
    QObject::connect(worker, &ObstacleCameraWorker::streamStateChanged, &receiver,
                     [&](bool streaming, QString message) {
                         if (streaming && summary.streamStartMs < 0) {
                             summary.streamStartMs = clock.elapsed();
                             runTimer.start(seconds * 1000);
                         } else if (!streaming && summary.streamStartMs < 0 && summary.connected) {
                             summary.connectError = message;
                             stop();
                         }
                     },
                     queued);
    QObject::connect(worker, &ObstacleCameraWorker::frameReady, &receiver,
                     [&](QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong) {
                         if (summary.streamEndMs < 0) {
                             ++summary.frames;
                         }
                         QMetaObject::invokeMethod(worker, "acknowledgeFrame", Qt::QueuedConnection);
                     },
                     queued);
    // Runs on the worker's thread at each frame: the worker's CPU clock.
    QObject::connect(worker, &ObstacleCameraWorker::frameReady, worker,
                     [&summary](QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong) {
                         const double cpu = threadCpuMs();
                         std::lock_guard<std::mutex> lock(summary.cpuMutex);
                         summary.frameCpuMs.push_back(cpu);
                     },
                     Qt::DirectConnection);
    QObject::connect(worker, &ObstacleCameraWorker::runtimeUpdated, &receiver,
                     [&](QVariantMap runtime) {
                         ++summary.runtimeSamples;
                         summary.latencies.push_back(runtime.value(QStringLiteral("latencyMs")).toInt());
                         summary.ioStatus = runtime.value(QStringLiteral("ioStatus")).toInt();
                     },
                     queued);
    QObject::connect(worker, &ObstacleCameraWorker::algorithmStateChanged, &receiver,
                     [&](bool, int mode, QString) { summary.algorithmMode = mode; }, queued);
    QObject::connect(worker, &ObstacleCameraWorker::logMessage, &receiver,
                     [&](int level, QString message) {
                         if (level == 2) {
                             summary.errors << message;
                         }
                     },
                     queued);

    thread.start();
    QMetaObject::invokeMethod(worker, "connectDevice", Qt::QueuedConnection,
                              Q_ARG(QVariantMap, (QVariantMap{{QStringLiteral("ip"),
                                                               QString::fromStdString(*parser.value("--ip"))}})));
    guard.start(seconds * 1000 + kGraceMs);
    loop.exec();
    thread.wait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    if (!summary.connected || summary.streamStartMs < 0) {
        ctx.err << "hazard-desk-cli stream: " << summary.connectError.toStdString() << "\n";
        return kExitFailed;
    }
    const qint64 streamedMs = std::max<qint64>(summary.streamEndMs - summary.streamStartMs, 1);
    std::vector<double> cpuPerFrame;
    for (std::size_t i = 1; i < summary.frameCpuMs.size(); ++i) {
        cpuPerFrame.push_back(summary.frameCpuMs[i] - summary.frameCpuMs[i - 1]);
    }
    nlohmann::ordered_json line;
    line["frames"] = summary.frames;
    line["measuredFps"] = summary.frames * 1000.0 / static_cast<double>(streamedMs);
    line["latencyMsMedian"] = percentile(summary.latencies, 0.5);
    line["latencyMsP95"] = percentile(summary.latencies, 0.95);
    line["runtimeSamples"] = summary.runtimeSamples;
    line["ioStatus"] = summary.ioStatus;
    line["algorithmMode"] = summary.algorithmMode;
    nlohmann::json errors = nlohmann::json::array();
    for (const QString& error : summary.errors) {
        errors.push_back(error.toStdString());
    }
    line["errors"] = errors;
    line["workerCpuMsPerFrameMedian"] = percentile(cpuPerFrame, 0.5);
    ctx.out << line.dump() << "\n";
    return summary.frames > 0 ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "stream", "run the camera worker's live stream and summarise it",
    "Usage: hazard-desk-cli stream --ip IP [--seconds S]\n"
    "\n"
    "Runs the camera worker on its own thread as the window does: connects to IP, starts\n"
    "the stream, acknowledges every frame at once and collects the runtime samples for S\n"
    "seconds (default 10, at most 3600), then disconnects. Prints one JSON line with\n"
    "\"frames\", \"measuredFps\" (frames per second over the run), \"latencyMsMedian\",\n"
    "\"latencyMsP95\" (from the samples' \"latencyMs\"), \"runtimeSamples\", \"ioStatus\"\n"
    "(last sample), \"algorithmMode\", \"errors\" (the worker's error log lines) and\n"
    "\"workerCpuMsPerFrameMedian\" (worker thread CPU time between frames).\n"
    "Exit 1 when the camera cannot be connected or streamed, or no frame arrived.\n",
    runStream}};

}  // namespace
}  // namespace hazard_desk::cli
