// "io --ip IP [--work N] [--hardware 0|1]": the worker's setIoModes, as the
// window's I/O settings queue it; one JSON line with the outcome.
#include <QString>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "ModelCommandSupport.h"
#include "WorkerCommandSupport.h"

namespace hazard_desk::cli {
namespace {

constexpr int kUnchanged = -1;
constexpr int kMaxWorkMode = 255;

int runIo(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--work").option("--hardware");
    int work = kUnchanged;
    int hardware = kUnchanged;
    const bool parsed = parser.parse(ctx.args) && parser.intValue("--work", kUnchanged, 0, kMaxWorkMode, work) &&
                        parser.intValue("--hardware", kUnchanged, 0, 1, hardware);
    if (!parsed || !parser.positional().empty() || !parser.value("--ip")) {
        return usageError("io", !parser.error().empty() ? parser.error() : "usage: io --ip IP [--work N] [--hardware 0|1]",
                          ctx.err);
    }
    if (work == kUnchanged && hardware == kUnchanged) {
        return usageError("io", "give --work, --hardware or both", ctx.err);
    }
    bool ok = false;   // recorded on the worker's thread; outlives the session
    QString message;
    bool hardwareRead = false;
    int hardwareMode = -1;
    WorkerSession session(ctx);
    session.connectCamera("io", *parser.value("--ip"));
    session.connectDirect(&ObstacleCameraWorker::ioHardwareModeRead, [&](int mode, QString) {
        hardwareRead = true;
        hardwareMode = mode;
    });
    session.connectDirect(&ObstacleCameraWorker::ioModesApplied, [&](bool success, QString text) {
        ok = success;
        message = text;
    });
    session.call("setIoModes", Q_ARG(int, work), Q_ARG(int, hardware));
    nlohmann::ordered_json line;
    line["ok"] = ok;
    line["message"] = message.toStdString();
    line["hardwareMode"] = hardwareRead ? nlohmann::ordered_json(hardwareMode) : nlohmann::ordered_json(nullptr);
    printLine(ctx, line);
    return ok ? kExitOk : kExitFailed;
}

const CommandRegistrar registrar{Command{
    "io", "set the camera's I/O work and hardware modes",
    "Usage: hazard-desk-cli io --ip IP [--work N] [--hardware 0|1]\n"
    "\n"
    "Runs the camera worker's I/O mode write, as the window does; a mode not given stays\n"
    "as it is. The hardware mode is read back and must equal the request; the work mode\n"
    "cannot be read back. Prints one JSON line: \"ok\", \"message\" and \"hardwareMode\"\n"
    "(the hardware mode read back, -1 when the read failed, null when none was set).\n"
    "Exit 0 only on a confirmed write.\n",
    runIo}};

}  // namespace
}  // namespace hazard_desk::cli
