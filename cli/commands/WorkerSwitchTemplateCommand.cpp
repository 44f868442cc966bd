// "switch-template --ip IP N [--stream]": the worker's switchActiveTemplate,
// as the window's template switch queues it; one JSON line with the outcome.
#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <iostream>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "ModelCommandSupport.h"
#include "WorkerCommandSupport.h"

namespace hazard_desk::cli {
namespace {

int runSwitchTemplate(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").flag("--stream");
    const bool parsed = parser.parse(ctx.args);
    if (!parsed || parser.positional().size() != 1 || !parser.value("--ip")) {
        return usageError("switch-template", parsed ? "usage: switch-template --ip IP N" : parser.error(), ctx.err);
    }
    // Any integer reaches the worker: it owns the range check and its message.
    const std::string& word = parser.positional().front();
    char* end = nullptr;
    errno = 0;
    const long index = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || index < INT_MIN || index > INT_MAX) {
        return usageError("switch-template", "template N must be an integer, got '" + word + "'", ctx.err);
    }
    bool ok = false;   // recorded on the worker's thread; outlives the session
    int reported = -1;
    QString message;
    WorkerSession session(ctx);
    if (session.connectCamera("switch-template", *parser.value("--ip")) && parser.has("--stream")) {
        session.startStream("switch-template");
    }
    session.connectDirect(&ObstacleCameraWorker::deviceUpdateProgress, [&ctx](QString line) {
        ctx.err << line.toStdString() << std::endl;
    });
    session.connectDirect(&ObstacleCameraWorker::templateSwitchFinished, [&](bool success, int at, QString text) {
        ok = success;
        reported = at;
        message = text;
    });
    QElapsedTimer clock;
    clock.start();
    session.call("switchActiveTemplate", Q_ARG(int, static_cast<int>(index)));
    const qint64 durationMs = clock.elapsed();
    nlohmann::ordered_json line;
    line["ok"] = ok;
    line["message"] = message.toStdString();
    line["templateIndex"] = reported;
    line["durationMs"] = durationMs;
    printLine(ctx, line);
    return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "switch-template", "switch the camera's running template and confirm it",
    "Usage: hazard-desk-cli switch-template --ip IP N [--stream]\n"
    "\n"
    "Runs the camera worker's template switch to template N (0..19), as the window does:\n"
    "nothing is written when the camera already runs N, mask cameras only select it,\n"
    "others get their own parameters back with the new running template; the camera\n"
    "must then read back N stable. --stream starts the live stream first, so the switch\n"
    "pauses and resumes it. Progress lines go to standard error; standard output gets one\n"
    "JSON line: \"ok\", \"message\", \"templateIndex\" (the template the camera read back,\n"
    "-1 when unknown) and \"durationMs\". Exit 0 only on a confirmed switch.\n",
    runSwitchTemplate}};

}  // namespace
}  // namespace hazard_desk::cli
