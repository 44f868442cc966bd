// "read --ip IP": the configuration the camera runs, as workstation JSON.
#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"

namespace hazard_desk::cli {
namespace {

int runRead(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip");
    if (!parser.parse(ctx.args) || !parser.positional().empty() || !parser.value("--ip")) {
        ctx.err << "hazard-desk-cli read: "
                << (!parser.error().empty() ? parser.error() : std::string("usage: read --ip IP")) << "\n";
        return kExitUsage;
    }
    auto bridge = connectBridge("read", *parser.value("--ip"), ctx);
    if (!bridge) {
        return kExitFailed;
    }
    ActiveConfiguration configuration;
    QString error;
    const bool ok = bridge->readActiveConfiguration(configuration, &error, ObstacleCameraBridge::kAnyMode);
    bridge->closeCamera(nullptr);
    if (!ok) {
        ctx.err << "hazard-desk-cli read: " << error.toStdString() << "\n";
        return kExitFailed;
    }
    ctx.out << configuration.workstationJson.toStdString() << "\n";
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "read", "print the configuration the camera runs as workstation JSON",
    "Usage: hazard-desk-cli read --ip IP\n"
    "\n"
    "Connects, reads the running mode, template and parameters consistently and prints\n"
    "the workstation JSON (indent 2). Any algorithm mode is accepted. Exit 1 with the\n"
    "reason on standard error when the camera cannot be read (e.g. while it switches\n"
    "templates, or when it runs no obstacle algorithm).\n",
    runRead}};

}  // namespace
}  // namespace hazard_desk::cli
