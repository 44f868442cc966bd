#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "DeviceJsonReader.h"
#include "DeviceJsonWriter.h"
#include "ModelCommandSupport.h"
#include "WorkstationJsonReader.h"
#include "WorkstationJsonWriter.h"

#include <limits>
#include <ostream>

namespace hazard_desk::cli {
namespace {

using nlohmann::json;

int toWorkstation(ArgumentParser& parser, const std::string& file, CommandContext& ctx)
{
    if (parser.has("--base") || parser.has("--template") || parser.has("--all") || parser.has("--no-extrinsics")
        || parser.has("--no-flags")) {
        return usageError("convert", "to-workstation takes only --algorithm and --require-all", ctx.err);
    }
    const auto value = parser.value("--algorithm");
    if (!value) {
        return usageError("convert", "to-workstation needs --algorithm v1|v2", ctx.err);
    }
    const auto algorithm = algorithmOption(*value);
    if (!algorithm) {
        return usageError("convert", "--algorithm must be v1 or v2, got '" + *value + "'", ctx.err);
    }
    std::string text;
    if (!readTextFile("device JSON file", file, text, ctx.err)) {
        return kExitUsage;
    }
    try {
        const WorkstationDocument document = parseDeviceDocumentText(text, *algorithm, parser.has("--require-all"));
        ctx.out << dumpWorkstationDocument(document, 2) << '\n';
        return kExitOk;
    } catch (const ParameterValidationError& error) {
        return reportIssues(error, ctx.err);
    }
}

int toDevice(ArgumentParser& parser, const std::string& file, CommandContext& ctx)
{
    if (parser.has("--algorithm") || parser.has("--require-all")) {
        return usageError("convert", "to-device takes no --algorithm or --require-all; the document says it",
                          ctx.err);
    }
    const auto basePath = parser.value("--base");
    const bool mergeOptionGiven =
        parser.has("--template") || parser.has("--all") || parser.has("--no-extrinsics") || parser.has("--no-flags");
    if (!basePath && mergeOptionGiven) {
        return usageError("convert", "--template, --all, --no-extrinsics and --no-flags need --base", ctx.err);
    }
    if (parser.has("--template") && parser.has("--all")) {
        return usageError("convert", "--template and --all exclude each other", ctx.err);
    }
    DeviceMergeOptions options;
    if (parser.has("--template")) {
        int selected = 0;
        if (!parser.intValue("--template", 0, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                             selected)) {
            return usageError("convert", parser.error(), ctx.err);
        }
        options.selectedIndex = selected;
    }
    options.allTemplates = parser.has("--all");
    options.includeExtrinsics = !parser.has("--no-extrinsics");
    options.includeFlags = !parser.has("--no-flags");

    std::string text;
    if (!readTextFile("workstation JSON file", file, text, ctx.err)) {
        return kExitUsage;
    }
    std::string baseText;
    if (basePath && !readTextFile("base device JSON file", *basePath, baseText, ctx.err)) {
        return kExitUsage;
    }
    try {
        const WorkstationDocument document = parseWorkstationDocumentText(text);
        json result;
        if (basePath) {
            json base = json::parse(baseText, nullptr, /*allow_exceptions=*/false, /*ignore_comments=*/false);
            if (base.is_discarded()) {
                throwValidationIssue("$baseDeviceJson", "invalid JSON syntax");
            }
            result = mergeIntoDeviceDocument(document, base, options);
        } else {
            result = buildDeviceDocument(document, json::object());
        }
        ctx.out << result.dump(-1, ' ', /*ensure_ascii=*/false, json::error_handler_t::strict) << '\n';
        return kExitOk;
    } catch (const ParameterValidationError& error) {
        return reportIssues(error, ctx.err);
    } catch (const json::exception& error) {
        ctx.err << "hazard-desk-cli convert: cannot write the device JSON: " << error.what() << '\n';
        return kExitFailed;
    }
}

int runConvert(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--algorithm").option("--base").option("--template");
    parser.flag("--require-all").flag("--all").flag("--no-extrinsics").flag("--no-flags");
    if (!parser.parse(ctx.args)) {
        return usageError("convert", parser.error(), ctx.err);
    }
    if (parser.positional().empty()) {
        return usageError("convert", "missing direction: to-workstation or to-device", ctx.err);
    }
    const std::string direction = parser.positional().front();
    if (direction != "to-workstation" && direction != "to-device") {
        return usageError("convert", "unknown direction '" + direction + "' (to-workstation or to-device)",
                          ctx.err);
    }
    std::string problem;
    const auto file = singleFileArgument(parser, 1, problem);
    if (!file) {
        return usageError("convert", problem, ctx.err);
    }
    return direction == "to-workstation" ? toWorkstation(parser, *file, ctx) : toDevice(parser, *file, ctx);
}

const CommandRegistrar registrar{Command{
    "convert", "convert between workstation JSON and the camera's parameter JSON",
    "Usage: hazard-desk-cli convert to-workstation --algorithm v1|v2 [--require-all] FILE\n"
    "       hazard-desk-cli convert to-device [--base BASE] [--template N | --all]\n"
    "                                         [--no-extrinsics] [--no-flags] FILE\n"
    "\n"
    "to-workstation: FILE is the camera's algorithm-parameter JSON; prints the\n"
    "workstation JSON (indent 2).\n"
    "  --algorithm v1|v2   the camera's algorithm mode (v1 ignores the v2 option keys)\n"
    "  --require-all       every template key \"0\" to \"19\" must be present\n"
    "\n"
    "to-device: FILE is workstation JSON; prints the camera's parameter JSON on one\n"
    "line. Without --base the full camera JSON is built. With --base the generated\n"
    "content is merged into the camera JSON in BASE, keeping every field it does\n"
    "not own:\n"
    "  --template N        the template to write (default: the active template)\n"
    "  --all               write all twenty templates\n"
    "  --no-extrinsics     keep \"R\" and \"T\" of BASE\n"
    "  --no-flags          keep \"debug\" and the v2 option keys of BASE\n"
    "\n"
    "No file is written. On invalid input the issues are printed on standard error,\n"
    "one per line as path：message.\n"
    "\n"
    "Exit codes: 0 success, 1 invalid input, 2 usage error or unreadable file.\n",
    runConvert}};

}  // namespace
}  // namespace hazard_desk::cli
