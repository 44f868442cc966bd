// "diff --ip IP FILE" and "diff FILE FILE": what an apply of a draft would
// change on the camera, or what differs between two workstation files, in
// the read-back comparison's field terms. Exit codes as diff(1): 0 equal,
// 1 different, 2 trouble.
#include <QString>

#include <nlohmann/json.hpp>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "ConfigurationDiff.h"
#include "IssueListFormatter.h"
#include "ModelCommandSupport.h"
#include "ParameterValidationError.h"
#include "WorkerCommandSupport.h"
#include "WorkstationJsonReader.h"

namespace hazard_desk::cli {
namespace {

constexpr int kExitDifferent = 1;
constexpr int kExitTrouble = 2;

// The workstation document in path; nothing (with the reason on ctx.err) when
// the file cannot be read or is not a valid document.
std::optional<WorkstationDocument> readDocument(const std::string& path, CommandContext& ctx)
{
    std::string text;
    if (!readTextFile("workstation JSON", path, text, ctx.err)) {
        return std::nullopt;
    }
    try {
        return parseWorkstationDocumentText(text);
    } catch (const ParameterValidationError& invalid) {
        ctx.err << "hazard-desk-cli diff: " << path << ":\n" << formatIssueList(invalid.issues()) << "\n";
        return std::nullopt;
    }
}

int printDifferences(const FieldDifferenceList& differences, CommandContext& ctx)
{
    for (const FieldDifference& difference : differences) {
        nlohmann::ordered_json line;
        line["path"] = difference.path;
        if (difference.actual) {
            line["before"] = *difference.actual;
        }
        if (difference.requested) {
            line["after"] = *difference.requested;
        }
        printLine(ctx, line);
    }
    nlohmann::ordered_json summary;
    summary["equal"] = differences.empty();
    summary["differences"] = differences.size();
    printLine(ctx, summary);
    return differences.empty() ? kExitOk : kExitDifferent;
}

int diffAgainstCamera(const std::string& ip, const std::string& path, CommandContext& ctx)
{
    std::optional<WorkstationDocument> draft = readDocument(path, ctx);
    if (!draft) {
        return kExitTrouble;
    }
    bool read = false;   // recorded on the worker's thread; outlives the session
    QString deviceJson;
    int mode = -1;
    QString reason;
    WorkerSession session(ctx);
    if (!session.connectCamera("diff", ip)) {
        return kExitTrouble;
    }
    session.connectDirect(&ObstacleCameraWorker::configurationRead, [&](QString, QString text, int runningMode) {
        read = true;
        deviceJson = text;
        mode = runningMode;
    });
    session.connectDirect(&ObstacleCameraWorker::logMessage, [&reason](int level, QString text) {
        if (level >= 1) {
            reason = text;
        }
    });
    session.call("readDeviceConfiguration", Q_ARG(int, 0));
    if (!read) {
        ctx.err << "hazard-desk-cli diff: " << reason.toStdString() << "\n";
        return kExitTrouble;
    }
    // The apply writes the draft as the generation the camera runs.
    draft->algorithmVersion = mode == 1 ? AlgorithmVersion::V1 : AlgorithmVersion::V2;
    const nlohmann::json running = nlohmann::json::parse(deviceJson.toStdString(), nullptr, false);
    try {
        return printDifferences(diffApplyAgainstCamera(*draft, running), ctx);
    } catch (const ParameterValidationError& invalid) {
        ctx.err << "hazard-desk-cli diff: " << formatIssueList(invalid.issues()) << "\n";
        return kExitTrouble;
    }
}

int runDiff(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip");
    if (!parser.parse(ctx.args)) {
        return usageError("diff", parser.error(), ctx.err);
    }
    const std::vector<std::string>& files = parser.positional();
    if (parser.value("--ip")) {
        if (files.size() != 1) {
            return usageError("diff", "with --ip give one FILE", ctx.err);
        }
        return diffAgainstCamera(*parser.value("--ip"), files.front(), ctx);
    }
    if (files.size() != 2) {
        return usageError("diff", "give --ip IP FILE or two FILEs", ctx.err);
    }
    const std::optional<WorkstationDocument> before = readDocument(files[0], ctx);
    const std::optional<WorkstationDocument> after = before ? readDocument(files[1], ctx) : std::nullopt;
    if (!before || !after) {
        return kExitTrouble;
    }
    return printDifferences(diffWorkstationDocuments(*before, *after), ctx);
}

const CommandRegistrar registrar{Command{
    "diff", "show what an apply would change on the camera, or what differs between two files",
    "Usage: hazard-desk-cli diff --ip IP FILE\n"
    "       hazard-desk-cli diff FILE1 FILE2\n"
    "\n"
    "With --ip: reads the configuration the camera runs (as the window's read-back does)\n"
    "and compares it with what an apply of the workstation JSON in FILE would leave on the\n"
    "camera: its active template, the mounting pose, the running template and the flags.\n"
    "With two files: compares the camera parameters each workstation file makes.\n"
    "Fields are compared as the apply's read-back compares them (same paths, same float\n"
    "tolerance). One JSON line per changed field, in document order: \"path\" (e.g.\n"
    "\"Zones.3.DangerZone\", \"R\", \"semantics\"), \"before\" (camera, or FILE1) and \"after\"\n"
    "(the draft as applied, or FILE2), a side that lacks the field leaving its key out;\n"
    "then one summary line: \"equal\", \"differences\".\n"
    "Exit 0 when equal, 1 when different, 2 on usage errors, unreadable or invalid files,\n"
    "or a camera that cannot be read.\n",
    runDiff}};

}  // namespace
}  // namespace hazard_desk::cli
