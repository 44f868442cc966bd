#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "DeviceJsonReader.h"
#include "ModelCommandSupport.h"
#include "WorkstationJsonReader.h"

#include <ostream>

namespace hazard_desk::cli {
namespace {

int runValidate(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.flag("--device").flag("--require-all").option("--algorithm");
    if (!parser.parse(ctx.args)) {
        return usageError("validate", parser.error(), ctx.err);
    }
    std::string problem;
    const auto file = singleFileArgument(parser, 0, problem);
    if (!file) {
        return usageError("validate", problem, ctx.err);
    }
    const bool device = parser.has("--device");
    std::optional<AlgorithmVersion> algorithm;
    if (device) {
        const auto value = parser.value("--algorithm");
        if (!value) {
            return usageError("validate", "--device needs --algorithm v1|v2", ctx.err);
        }
        algorithm = algorithmOption(*value);
        if (!algorithm) {
            return usageError("validate", "--algorithm must be v1 or v2, got '" + *value + "'", ctx.err);
        }
    } else if (parser.has("--algorithm") || parser.has("--require-all")) {
        return usageError("validate", "--algorithm and --require-all apply only with --device", ctx.err);
    }

    std::string text;
    if (!readTextFile(device ? "device JSON file" : "workstation JSON file", *file, text, ctx.err)) {
        return kExitUsage;
    }
    try {
        if (device) {
            parseDeviceDocumentText(text, *algorithm, parser.has("--require-all"));
        } else {
            parseWorkstationDocumentText(text);
        }
    } catch (const ParameterValidationError& error) {
        // The issue list is this command's result, so it goes to standard output.
        return reportIssues(error, ctx.out);
    }
    ctx.out << "OK\n";
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "validate", "check a workstation or camera parameter JSON file",
    "Usage: hazard-desk-cli validate FILE\n"
    "       hazard-desk-cli validate --device --algorithm v1|v2 [--require-all] FILE\n"
    "\n"
    "Parses and validates FILE and prints \"OK\", or the issues one per line as\n"
    "path：message (at most twelve, then the number of further issues), on\n"
    "standard output.\n"
    "\n"
    "Without --device FILE is workstation JSON. With --device FILE is the camera's\n"
    "algorithm-parameter JSON, read for the given algorithm generation:\n"
    "  --algorithm v1|v2   the camera's algorithm mode (v1 ignores the v2 option keys)\n"
    "  --require-all       every template key \"0\" to \"19\" must be present\n"
    "\n"
    "Exit codes: 0 valid, 1 invalid, 2 usage error or unreadable file.\n",
    runValidate}};

}  // namespace
}  // namespace hazard_desk::cli
