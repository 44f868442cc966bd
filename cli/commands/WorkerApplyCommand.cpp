// "apply --ip IP FILE [--mode 1|4] [--stream]": the worker's apply
// transaction, queued as the window queues it; progress lines on standard
// error as they come, one JSON line with the outcome on standard output.
#include <QElapsedTimer>
#include <QString>

#include <iostream>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "ModelCommandSupport.h"
#include "WorkerCommandSupport.h"
#include "WorkerMessages.h"

namespace hazard_desk::cli {
namespace {

int runApply(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--mode").flag("--stream");
    if (!parser.parse(ctx.args)) {
        return usageError("apply", parser.error(), ctx.err);
    }
    std::string problem;
    const std::optional<std::string> file = singleFileArgument(parser, 0, problem);
    if (!parser.value("--ip") || !file) {
        return usageError("apply", !file ? problem : "--ip is required", ctx.err);
    }
    int mode = 0;
    if (!parseModeOption("apply", parser.value("--mode"), ctx, mode)) {
        return kExitUsage;
    }
    std::string text;
    if (!readTextFile("workstation JSON", *file, text, ctx.err)) {
        return kExitUsage;
    }

    // What the handlers record outlives the session, whose worker thread
    // may still run a poll until the session has ended.
    bool ok = false;
    QString stage;
    QString message;
    int templateIndex = -1;
    int confirmedTemplate = -1;
    WorkerSession session(ctx);
    // A camera that cannot be connected still gets the apply: the worker
    // answers it at its connection check, as it would the window.
    if (session.connectCamera("apply", *parser.value("--ip")) && parser.has("--stream")) {
        session.startStream("apply");
    }
    session.connectDirect(&ObstacleCameraWorker::deviceUpdateProgress, [&ctx](QString line) {
        ctx.err << line.toStdString() << std::endl;
    });
    session.connectDirect(&ObstacleCameraWorker::activeTemplateChanged,
                          [&confirmedTemplate](int index) { confirmedTemplate = index; });
    session.connectDirect(&ObstacleCameraWorker::configurationApplied,
                          [&](bool success, QString at, QString text, QString, QString) {
                              ok = success;
                              stage = at;
                              message = text;
                              templateIndex = success ? confirmedTemplate : -1;
                          });
    QElapsedTimer clock;
    clock.start();
    session.call("applyConfiguration", Q_ARG(QString, QString::fromStdString(text)), Q_ARG(int, mode));
    const qint64 durationMs = clock.elapsed();

    // A failure after the camera confirmed the JSON says so in its message.
    const QString savedPrefix = QString::fromUtf8(worker_messages::kSavedButIncomplete).arg(QString());
    nlohmann::ordered_json line;
    line["ok"] = ok;
    line["stage"] = stage.toStdString();
    line["message"] = message.toStdString();
    line["saved"] = ok || message.startsWith(savedPrefix);
    line["durationMs"] = durationMs;
    line["templateIndex"] = templateIndex;
    printLine(ctx, line);
    return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "apply", "write a workstation configuration to the camera and confirm it",
    "Usage: hazard-desk-cli apply --ip IP FILE [--mode 1|4] [--stream]\n"
    "\n"
    "Runs the camera worker's apply transaction with the workstation JSON in FILE, as the\n"
    "window's \"保存并下发\" does: the active template, the mounting pose and the camera-wide\n"
    "flags are merged into the camera's parameters (with V1 masks for mask cameras),\n"
    "written, read back until stable and compared. --mode asks for algorithm V1 (1) or\n"
    "V2 (4); a mode the camera does not offer, or none, means its recommended one.\n"
    "--stream starts the live stream first, so the write pauses and resumes it.\n"
    "Each progress line goes to standard error as it comes; standard output gets one\n"
    "JSON line: \"ok\", \"stage\", \"message\", \"saved\" (the camera confirmed the JSON),\n"
    "\"durationMs\" (the transaction's wall time) and \"templateIndex\" (the template the\n"
    "camera confirmed running, -1 on failure).\n"
    "Exit 0 only when the camera confirmed, 1 on a failed transaction, 2 on usage errors\n"
    "or an unreadable FILE.\n",
    runApply}};

}  // namespace
}  // namespace hazard_desk::cli
