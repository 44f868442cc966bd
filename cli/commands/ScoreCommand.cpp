// "score --recording FILE CONFIG.json [--template N] [--min-points N] [--plot FILE.png]":
// evaluates a workstation configuration on every frame of a recording with
// the zone inside tests of the scene overlay; one JSON line per frame, then a
// summary line, and optionally a timeline image.
#include "ArgumentParser.h"
#include "CommandRegistry.h"
#include "ModelCommandSupport.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <chrono>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "ParameterValidationError.h"
#include "RecordingReader.h"
#include "RecordingScorer.h"
#include "ScoreTimelinePlot.h"
#include "WorkstationJsonReader.h"

namespace hazard_desk::cli {
namespace {

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1.0e9;
}

nlohmann::ordered_json episodeJson(const std::optional<recording::StopEpisode>& episode, std::uint64_t startNs) {
    if (!episode) {
        return nullptr;
    }
    nlohmann::ordered_json j;
    j["startS"] = static_cast<double>(episode->startNs - startNs) / 1.0e9;
    j["endS"] = static_cast<double>(episode->endNs - startNs) / 1.0e9;
    j["frames"] = episode->frames;
    j["firstFrame"] = episode->firstFrame;
    return j;
}

// Text on the plot needs a GUI application; without a display the offscreen one does.
std::unique_ptr<QGuiApplication> guiApplicationForPlot() {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "hazard-desk-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

int runScore(CommandContext& ctx) {
    ArgumentParser parser;
    parser.option("--recording").option("--template").option("--plot").option("--min-points");
    int templateIndex = -1;
    int minPoints = static_cast<int>(recording::RecordingScorer::kDefaultMinPoints);
    if (!parser.parse(ctx.args) || parser.positional().size() != 1 || !parser.value("--recording") ||
        !parser.intValue("--template", -1, 0, 19, templateIndex) ||
        !parser.intValue("--min-points", minPoints, 1, 1000000, minPoints)) {
        ctx.err << "hazard-desk-cli score: "
                << (!parser.error().empty()
                        ? parser.error()
                        : std::string("usage: score --recording FILE CONFIG.json [--template N] [--plot FILE.png]"))
                << "\n";
        return kExitUsage;
    }
    std::string text;
    if (!readTextFile("configuration", parser.positional().front(), text, ctx.err)) {
        return kExitUsage;
    }
    WorkstationDocument document;
    try {
        document = parseWorkstationDocumentText(text);
    } catch (const ParameterValidationError& e) {
        ctx.err << "hazard-desk-cli score: " << parser.positional().front() << " is not a valid configuration\n";
        return reportIssues(e, ctx.err);
    }
    recording::RecordingReader reader;
    if (!reader.open(*parser.value("--recording"))) {
        ctx.err << "hazard-desk-cli score: " << reader.error() << "\n";
        return kExitUsage;
    }
    const recording::RecordingScorer scorer(document, templateIndex, static_cast<std::uint32_t>(minPoints));

    std::vector<recording::FrameScore> scores;
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    std::uint64_t startNs = 0;
    recording::RecordingReader::Visitor visitor;
    visitor.pointsOnly = true;
    visitor.frame = [&](const recording::RecordedFrame& frame) {
        const recording::FrameScore s = scorer.score(frame);
        if (scores.empty()) {
            startNs = s.timeNs;
        }
        scores.push_back(s);
        nlohmann::ordered_json line;
        line["timeS"] = static_cast<double>(s.timeNs - startNs) / 1.0e9;
        line["timeNs"] = s.timeNs;
        line["sequence"] = s.sequence;
        line["verdict"] = recording::verdictName(s.verdict);
        line["points"] = {{"danger", s.points[0]}, {"warning", s.points[1]}, {"notify", s.points[2]}};
        ctx.out << line.dump() << "\n";
        return true;
    };
    const bool readOk = reader.read(visitor);
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = cpuSeconds() - cpuStart;
    const recording::ScoreSummary summary = recording::RecordingScorer::summarize(scores);
    const double recordedSeconds =
        scores.size() > 1 ? static_cast<double>(scores.back().timeNs - scores.front().timeNs) / 1.0e9 : 0.0;

    nlohmann::ordered_json s;
    s["frames"] = summary.frames;
    s["template"] = scorer.templateIndex();
    s["safe"] = summary.perVerdict[0];
    s["warning"] = summary.perVerdict[1];
    s["stop"] = summary.perVerdict[2];
    s["stopEpisodes"] = summary.stopEpisodes;
    s["firstStop"] = episodeJson(summary.firstStop, startNs);
    s["longestStop"] = episodeJson(summary.longestStop, startNs);
    s["recordedSeconds"] = recordedSeconds;
    s["complete"] = reader.complete();
    s["framesPerSecond"] = wallSeconds > 0 ? static_cast<double>(scores.size()) / wallSeconds : 0.0;
    s["cpuFramesPerSecond"] = cpu > 0 ? static_cast<double>(scores.size()) / cpu : 0.0;
    s["realTimeFactor"] = wallSeconds > 0 ? recordedSeconds / wallSeconds : 0.0;
    ctx.out << nlohmann::ordered_json{{"summary", s}}.dump() << "\n";
    if (!readOk) {
        ctx.err << "hazard-desk-cli score: " << reader.error() << "\n";
        return kExitFailed;
    }
    if (const auto plot = parser.value("--plot")) {
        const auto application = guiApplicationForPlot();
        QString error;
        const QString title = QStringLiteral("%1 · template %2 · %3 frames, %4 stop")
                                  .arg(QString::fromStdString(*parser.value("--recording")))
                                  .arg(scorer.templateIndex())
                                  .arg(summary.frames)
                                  .arg(summary.perVerdict[2]);
        if (!recording::ScoreTimelinePlot::save(scores, title, QString::fromStdString(*plot), error)) {
            ctx.err << "hazard-desk-cli score: " << error.toStdString() << "\n";
            return kExitFailed;
        }
    }
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    "score", "score a workstation configuration against a recording",
    "Usage: hazard-desk-cli score --recording FILE CONFIG.json [--template N] [--min-points N]\n"
    "                             [--plot FILE.png]\n"
    "\n"
    "Takes every recorded point into the vehicle frame with the mounting pose of the\n"
    "workstation configuration CONFIG.json and tests it against the zone volumes of template N\n"
    "(default: the document's active template) with the overlay's inside tests. A frame is\n"
    "\"stop\" with at least N points (default 20) in danger volumes, else \"warning\" with as\n"
    "many in warning volumes, else \"safe\". Prints one JSON line per frame (\"timeS\" from the\n"
    "first frame, \"timeNs\", \"sequence\", \"verdict\", \"points\" per level), then\n"
    "{\"summary\": ...} with the frames per verdict, \"stopEpisodes\", \"firstStop\" and\n"
    "\"longestStop\" (\"startS\", \"endS\", \"frames\", \"firstFrame\"; null without a stop),\n"
    "\"complete\" and the scoring speed (\"framesPerSecond\", \"cpuFramesPerSecond\",\n"
    "\"realTimeFactor\"). --plot draws the verdict and the points per level against time.\n"
    "Exit 1 for an invalid configuration or a damaged recording; 2 on usage errors or an\n"
    "unreadable file.\n",
    runScore}};

}  // namespace
}  // namespace hazard_desk::cli
