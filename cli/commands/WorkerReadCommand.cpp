// "read --ip IP [--mode 1|4]": the configuration the camera runs, read by the
// worker's readDeviceConfiguration as the window reads it, as workstation JSON.
#include <QString>

#include "ArgumentParser.h"
#include "ModelCommandSupport.h"
#include "WorkerCommandSupport.h"

namespace hazard_desk::cli {
namespace {

int runRead(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--mode");
    if (!parser.parse(ctx.args) || !parser.positional().empty() || !parser.value("--ip")) {
        return usageError("read", !parser.error().empty() ? parser.error() : "usage: read --ip IP [--mode 1|4]",
                          ctx.err);
    }
    int mode = 0;
    if (!parseModeOption("read", parser.value("--mode"), ctx, mode)) {
        return kExitUsage;
    }
    bool read = false;   // recorded on the worker's thread; outlives the session
    QString workstationJson;
    QString reason;
    WorkerSession session(ctx);
    if (!session.connectCamera("read", *parser.value("--ip"))) {
        return kExitFailed;
    }
    session.connectDirect(&ObstacleCameraWorker::configurationRead, [&](QString document, QString, int) {
        read = true;
        workstationJson = document;
    });
    // The worker logs why a read gave nothing: a mode mismatch as a warning,
    // a failed read as an error.
    session.connectDirect(&ObstacleCameraWorker::logMessage, [&reason](int level, QString text) {
        if (level >= 1) {
            reason = text;
        }
    });
    session.call("readDeviceConfiguration", Q_ARG(int, mode));
    if (!read) {
        ctx.err << "hazard-desk-cli read: " << reason.toStdString() << "\n";
        return kExitFailed;
    }
    ctx.out << workstationJson.toStdString() << "\n";
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "read", "print the configuration the camera runs as workstation JSON",
    "Usage: hazard-desk-cli read --ip IP [--mode 1|4]\n"
    "\n"
    "Connects and runs the camera worker's read of the running configuration, as the\n"
    "window's read-back does: mode, template and parameters read consistently, printed as\n"
    "workstation JSON (indent 2). --mode names the algorithm expected (1 V1, 4 V2); a mode\n"
    "the camera does not offer, or none, means its recommended one. Exit 1 with the reason\n"
    "on standard error when the camera runs another algorithm or cannot be read (e.g.\n"
    "while it switches templates).\n",
    runRead}};

}  // namespace
}  // namespace hazard_desk::cli
