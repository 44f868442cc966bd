#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "ModelCommandSupport.h"
#include "WorkstationDocument.h"
#include "WorkstationJsonWriter.h"

#include <ostream>

namespace hazard_desk::cli {
namespace {

int runDefault(CommandContext& ctx)
{
    ArgumentParser parser;
    if (!parser.parse(ctx.args)) {
        return usageError("default", parser.error(), ctx.err);
    }
    if (!parser.positional().empty()) {
        return usageError("default", "unexpected argument '" + parser.positional().front() + "'", ctx.err);
    }
    ctx.out << dumpWorkstationDocument(WorkstationDocument{}, 2) << '\n';
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "default", "print the default workstation parameter document",
    "Usage: hazard-desk-cli default\n"
    "\n"
    "Prints the default workstation parameter document (algorithm v2, the default\n"
    "mounting pose, active template 1, twenty square templates) as workstation JSON\n"
    "with an indent of 2.\n"
    "\n"
    "Exit codes: 0 success, 2 usage error.\n",
    runDefault}};

}  // namespace
}  // namespace hazard_desk::cli
