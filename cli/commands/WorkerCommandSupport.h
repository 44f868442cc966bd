#pragma once
// The camera worker as the configuration commands drive it: on its own
// thread, each request a queued call to one of its slots that returns once
// the slot has run, exactly the slot the window queues. Answers are recorded
// by handlers the command connects with connectDirect(); they run on the
// worker's thread while the command waits, and the command reads what they
// recorded after the call returned.
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <memory>
#include <optional>
#include <string>

#include "CommandRegistry.h"
#include "ObstacleCameraWorker.h"

namespace hazard_desk::cli {

// The application object the worker's answers need an event loop of; null
// when the process already has one (the tests run commands in-process).
std::unique_ptr<QCoreApplication> ensureCoreApplication();

// A camera worker moved to `thread` (named as the window names it), deleted
// when the thread finishes. The caller wires its signals, then starts the thread.
ObstacleCameraWorker* createWorkerOn(QThread& thread);

class WorkerSession {
public:
    explicit WorkerSession(CommandContext& ctx);
    ~WorkerSession();
    WorkerSession(const WorkerSession&) = delete;
    WorkerSession& operator=(const WorkerSession&) = delete;

    ObstacleCameraWorker& worker() { return *worker_; }

    // connectDevice; false with the worker's reason on ctx.err (prefixed
    // with the command) when the camera could not be connected.
    bool connectCamera(const std::string& command, const std::string& ip);

    // Starts the live stream and acknowledges every frame at once, as the
    // window does; false with the reason on ctx.err.
    bool startStream(const std::string& command);

    // Runs the slot on the worker's thread and waits until it has returned.
    template <typename... Args>
    void call(const char* slot, Args... args)
    {
        QMetaObject::invokeMethod(worker_, slot, Qt::BlockingQueuedConnection, args...);
    }

    // Connects a worker signal to a handler that runs on the worker's thread.
    template <typename Signal, typename Handler>
    void connectDirect(Signal signal, Handler handler)
    {
        QObject::connect(worker_, signal, worker_, handler, Qt::DirectConnection);
    }

private:
    CommandContext& ctx_;
    std::unique_ptr<QCoreApplication> application_;
    QThread thread_;
    ObstacleCameraWorker* worker_ = nullptr;
};

// Parses "--mode": absent gives 0 (the camera's recommended mode), else 1 or
// 4; false with a usage error on ctx.err.
bool parseModeOption(const std::string& command, const std::optional<std::string>& text, CommandContext& ctx,
                     int& mode);

}  // namespace hazard_desk::cli
