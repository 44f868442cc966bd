#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "ModelCommandSupport.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <ostream>

namespace hazard_desk::cli {
namespace {

int runNormalize(CommandContext& ctx)
{
    ArgumentParser parser;
    if (!parser.parse(ctx.args)) {
        return usageError("normalize", parser.error(), ctx.err);
    }
    std::string problem;
    const auto file = singleFileArgument(parser, 0, problem);
    if (!file) {
        return usageError("normalize", problem, ctx.err);
    }
    std::string text;
    if (!readTextFile("workstation JSON file", *file, text, ctx.err)) {
        return kExitUsage;
    }
    try {
        const WorkstationDocument document = parseWorkstationDocumentText(text);
        ctx.out << dumpWorkstationDocument(document, 2) << '\n';
        return kExitOk;
    } catch (const ParameterValidationError& error) {
        return reportIssues(error, ctx.err);
    }
}

const CommandRegistrar registrar{Command{
    "normalize", "rewrite a workstation JSON file in the current form",
    "Usage: hazard-desk-cli normalize FILE\n"
    "\n"
    "Parses and validates the workstation JSON in FILE, older forms included\n"
    "(\"posX\"/\"posY\"/\"posZ\", the older sector form, type aliases such as \"box\"\n"
    "or \"fan\"), and prints the document as the workstation writes it (indent 2).\n"
    "FILE is not changed.\n"
    "\n"
    "On invalid input the issues are printed on standard error, one per line as\n"
    "path：message.\n"
    "\n"
    "Exit codes: 0 success, 1 invalid document, 2 usage error or unreadable file.\n",
    runNormalize}};

}  // namespace
}  // namespace hazard_desk::cli
