#include "WorkerCommandSupport.h"

#include <QEvent>
#include <QString>
#include <QVariantMap>

namespace hazard_desk::cli {

namespace {

int applicationArgc = 1;
char applicationName[] = "hazard-desk-cli";
char* applicationArgv[] = {applicationName, nullptr};

}  // namespace

std::unique_ptr<QCoreApplication> ensureCoreApplication()
{
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    return std::make_unique<QCoreApplication>(applicationArgc, applicationArgv);
}

ObstacleCameraWorker* createWorkerOn(QThread& thread)
{
    ObstacleCameraWorker::registerMetaTypes();
    auto* worker = new ObstacleCameraWorker;
    worker->moveToThread(&thread);
    thread.setObjectName(QString::fromLatin1(ObstacleCameraWorker::kThreadName));
    QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    return worker;
}

WorkerSession::WorkerSession(CommandContext& ctx) : ctx_(ctx), application_(ensureCoreApplication())
{
    worker_ = createWorkerOn(thread_);
    thread_.start();
}

WorkerSession::~WorkerSession()
{
    // shutdown disconnects the camera and quits the thread's loop.
    QMetaObject::invokeMethod(worker_, "shutdown", Qt::QueuedConnection);
    thread_.wait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool WorkerSession::connectCamera(const std::string& command, const std::string& ip)
{
    bool connected = false;
    QString message;
    const QMetaObject::Connection connection = QObject::connect(
        worker_, &ObstacleCameraWorker::connectionChanged, worker_,
        [&](bool up, QVariantMap, QString text) {
            connected = up;
            message = text;
        },
        Qt::DirectConnection);
    call("connectDevice", Q_ARG(QVariantMap, (QVariantMap{{QStringLiteral("ip"), QString::fromStdString(ip)}})));
    QObject::disconnect(connection);
    if (!connected) {
        ctx_.err << "hazard-desk-cli " << command << ": " << message.toStdString() << "\n";
    }
    return connected;
}

bool WorkerSession::startStream(const std::string& command)
{
    bool streaming = false;
    QString message;
    const QMetaObject::Connection state = QObject::connect(
        worker_, &ObstacleCameraWorker::streamStateChanged, worker_,
        [&](bool on, QString text) {
            streaming = on;
            message = text;
        },
        Qt::DirectConnection);
    // The window takes each frame and acknowledges it; here that is at once.
    ObstacleCameraWorker* worker = worker_;
    QObject::connect(
        worker_, &ObstacleCameraWorker::frameReady, worker_,
        [worker](QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong) { worker->acknowledgeFrame(); },
        Qt::DirectConnection);
    call("setStreaming", Q_ARG(bool, true));
    QObject::disconnect(state);
    if (!streaming) {
        ctx_.err << "hazard-desk-cli " << command << ": " << message.toStdString() << "\n";
    }
    return streaming;
}

bool parseModeOption(const std::string& command, const std::optional<std::string>& text, CommandContext& ctx,
                     int& mode)
{
    mode = 0;
    if (!text) {
        return true;
    }
    if (*text == "1" || *text == "4") {
        mode = std::stoi(*text);
        return true;
    }
    ctx.err << "hazard-desk-cli " << command << ": --mode must be 1 or 4, got '" << *text << "'\n";
    return false;
}

}  // namespace hazard_desk::cli
