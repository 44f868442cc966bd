// "algorithm --ip IP on|off": the worker's setAlgorithmEnabled, as the
// window's algorithm switch queues it; one JSON line with the outcome.
#include <QString>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "ModelCommandSupport.h"
#include "WorkerCommandSupport.h"

namespace hazard_desk::cli {
namespace {

int runAlgorithm(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip");
    const bool parsed = parser.parse(ctx.args);
    if (!parsed || parser.positional().size() != 1 || !parser.value("--ip")) {
        return usageError("algorithm", parsed ? "usage: algorithm --ip IP on|off" : parser.error(), ctx.err);
    }
    const std::string& word = parser.positional().front();
    if (word != "on" && word != "off") {
        return usageError("algorithm", "expected on or off, got '" + word + "'", ctx.err);
    }
    bool ok = false;   // recorded on the worker's thread; outlives the session
    QString message;
    int mode = -1;
    WorkerSession session(ctx);
    session.connectDirect(&ObstacleCameraWorker::algorithmStateChanged,
                          [&mode](bool, int reported, QString) { mode = reported; });
    session.connectDirect(&ObstacleCameraWorker::algorithmChangeFinished, [&](bool success, QString text) {
        ok = success;
        message = text;
    });
    // Without a camera the worker still answers, with its "connect first" text.
    session.connectCamera("algorithm", *parser.value("--ip"));
    session.call("setAlgorithmEnabled", Q_ARG(bool, word == "on"), Q_ARG(int, 0));
    nlohmann::ordered_json line;
    line["ok"] = ok;
    line["message"] = message.toStdString();
    line["mode"] = mode;
    printLine(ctx, line);
    return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "algorithm", "turn the camera's obstacle algorithm on or off and confirm it",
    "Usage: hazard-desk-cli algorithm --ip IP on|off\n"
    "\n"
    "Runs the camera worker's algorithm switch: \"on\" sets the model's own algorithm mode\n"
    "(V1 or V2), \"off\" mode 0; the camera must report the new mode within five reads.\n"
    "Prints one JSON line: \"ok\", \"message\" and \"mode\" (the algorithm mode the camera\n"
    "reported last, -1 when unknown). Exit 0 only on a confirmed switch.\n",
    runAlgorithm}};

}  // namespace
}  // namespace hazard_desk::cli
