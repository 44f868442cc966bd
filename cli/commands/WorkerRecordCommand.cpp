// "record --ip IP --seconds S FILE": the camera worker on its own thread,
// driven through its queued slots as the window drives it — connect, start
// the stream, start the recording, acknowledge every frame at once — with a
// progress line on stderr each second and one JSON summary line at the end.
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
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "ObstacleCameraWorker.h"

namespace hazard_desk::cli {
namespace {

constexpr int kMaxSeconds = 3600;
// Connection, stream start, closing the file and shutdown get this much on top of the run.
constexpr int kGraceMs = 30000;

struct RecordRun {
    bool connected = false;
    bool recording = false;
    bool finished = false;
    bool shutdownRequested = false;
    QString failure;
    QVariantMap summary;
    int framesShown = 0;
    qint64 recordStartMs = -1;
    qint64 recordEndMs = -1;
};

void printProgress(std::ostream& err, const QVariantMap& progress) {
    char line[256];
    std::snprintf(line, sizeof(line), "recording %.1f s, %llu frames, %llu dropped, %.1f MB\n",
                  progress.value(QStringLiteral("seconds")).toDouble(),
                  progress.value(QStringLiteral("frames")).toULongLong(),
                  progress.value(QStringLiteral("droppedFrames")).toULongLong(),
                  progress.value(QStringLiteral("bytes")).toDouble() / 1.0e6);
    err << line << std::flush;
}

int runRecord(CommandContext& ctx) {
    ArgumentParser parser;
    parser.option("--ip").option("--seconds");
    int seconds = 10;
    if (!parser.parse(ctx.args) || parser.positional().size() != 1 || !parser.value("--ip") ||
        !parser.value("--seconds") || !parser.intValue("--seconds", 10, 1, kMaxSeconds, seconds)) {
        ctx.err << "hazard-desk-cli record: "
                << (!parser.error().empty() ? parser.error()
                                            : std::string("usage: record --ip IP --seconds S FILE"))
                << "\n";
        return kExitUsage;
    }
    const QString path = QString::fromStdString(parser.positional().front());

    const std::unique_ptr<QCoreApplication> application = ensureCoreApplication();
    QThread thread;
    ObstacleCameraWorker* worker = createWorkerOn(thread);

    RecordRun run;
    QObject receiver;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer runTimer;
    runTimer.setSingleShot(true);
    QTimer guard;
    guard.setSingleShot(true);
    // Once only: the worker is gone soon after, while its last signals may still be queued here.
    auto shutdown = [&]() {
        if (!run.shutdownRequested) {
            run.shutdownRequested = true;
            QMetaObject::invokeMethod(worker, "shutdown", Qt::QueuedConnection);
        }
    };
    auto fail = [&](const QString& message) {
        if (run.failure.isEmpty()) {
            run.failure = message;
        }
        shutdown();
    };
    QObject::connect(&runTimer, &QTimer::timeout, &receiver, [&]() {
        run.recordEndMs = clock.elapsed();
        if (!run.shutdownRequested) {
            QMetaObject::invokeMethod(worker, "stopRecording", Qt::QueuedConnection);
        }
    });
    QObject::connect(&guard, &QTimer::timeout, &receiver, [&]() { fail(QStringLiteral("recording did not finish in time")); });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);

    const auto queued = Qt::QueuedConnection;
    QObject::connect(worker, &ObstacleCameraWorker::connectionChanged, &receiver,
                     [&](bool connected, QVariantMap, QString message) {
                         if (connected && !run.shutdownRequested) {
                             run.connected = true;
                             QMetaObject::invokeMethod(worker, "setStreaming", Qt::QueuedConnection, Q_ARG(bool, true));
                         } else if (!run.finished) {
                             fail(message);
                         }
                     },
                     queued);
    QObject::connect(worker, &ObstacleCameraWorker::streamStateChanged, &receiver,
                     [&](bool streaming, QString message) {
                         if (streaming && !run.recording && run.recordStartMs < 0 && !run.shutdownRequested) {
                             QMetaObject::invokeMethod(worker, "startRecording", Qt::QueuedConnection,
                                                       Q_ARG(QString, path));
                         } else if (!streaming && !run.finished) {
                             fail(message);
                         }
                     },
                     queued);
    QObject::connect(worker, &ObstacleCameraWorker::recordingStateChanged, &receiver,
                     [&](bool recording, QString, QString message, QVariantMap summary) {
                         if (recording) {
                             run.recording = true;
                             run.recordStartMs = clock.elapsed();
                             runTimer.start(seconds * 1000);
                             return;
                         }
                         run.summary = summary;
                         run.finished = run.recording;
                         if (!run.recording || summary.contains(QStringLiteral("error"))) {
                             fail(message);
                         } else {
                             shutdown();
                         }
                     },
                     queued);
    QObject::connect(worker, &ObstacleCameraWorker::recordingProgress, &receiver,
                     [&](QVariantMap progress) { printProgress(ctx.err, progress); }, queued);
    QObject::connect(worker, &ObstacleCameraWorker::frameReady, &receiver,
                     [&](QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong) {
                         if (run.recordStartMs >= 0 && run.recordEndMs < 0) {
                             ++run.framesShown;
                         }
                         if (!run.shutdownRequested) {
                             QMetaObject::invokeMethod(worker, "acknowledgeFrame", Qt::QueuedConnection);
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

    if (!run.finished || !run.failure.isEmpty()) {
        ctx.err << "hazard-desk-cli record: " << run.failure.toStdString() << "\n";
        return kExitFailed;
    }
    const QVariantMap& s = run.summary;
    const double frames = s.value(QStringLiteral("frames")).toDouble();
    const double recordedSeconds = s.value(QStringLiteral("seconds")).toDouble();
    const double wallSeconds = std::max<qint64>(run.recordEndMs - run.recordStartMs, 1) / 1000.0;
    nlohmann::ordered_json line;
    line["path"] = path.toStdString();
    line["frames"] = s.value(QStringLiteral("frames")).toULongLong();
    line["droppedFrames"] = s.value(QStringLiteral("droppedFrames")).toULongLong();
    line["runtimeSamples"] = s.value(QStringLiteral("runtimeSamples")).toULongLong();
    line["bytes"] = s.value(QStringLiteral("bytes")).toULongLong();
    line["seconds"] = recordedSeconds;
    line["liveFps"] = run.framesShown / wallSeconds;
    line["bytesPerFrame"] = frames > 0 ? s.value(QStringLiteral("bytes")).toDouble() / frames : 0.0;
    line["bytesPerMinute"] =
        recordedSeconds > 0 ? s.value(QStringLiteral("bytes")).toDouble() * 60.0 / recordedSeconds : 0.0;
    line["writerCpuMsPerFrame"] = frames > 0 ? s.value(QStringLiteral("writerCpuMs")).toDouble() / frames : 0.0;
    ctx.out << line.dump() << "\n";
    return frames > 0 ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "record", "record the camera's live stream into an MCAP file",
    "Usage: hazard-desk-cli record --ip IP --seconds S FILE\n"
    "\n"
    "Runs the camera worker as the window does: connects to IP, starts the stream and\n"
    "records it for S seconds (1 to 3600) into FILE (MCAP; channels in docs/recording.md),\n"
    "acknowledging every frame at once. A progress line goes to stderr each second. Prints\n"
    "one JSON line: \"path\", \"frames\", \"droppedFrames\" (frames the writer could not take\n"
    "in time), \"runtimeSamples\", \"bytes\", \"seconds\" (camera time recorded), \"liveFps\"\n"
    "(frames the window side received while recording), \"bytesPerFrame\", \"bytesPerMinute\"\n"
    "(per minute of camera time) and\n"
    "\"writerCpuMsPerFrame\" (CPU time of the writer thread per frame).\n"
    "Exit 1 when the camera cannot be connected or streamed, the file cannot be written, or\n"
    "no frame was recorded; 2 on usage errors.\n",
    runRecord}};

}  // namespace
}  // namespace hazard_desk::cli
