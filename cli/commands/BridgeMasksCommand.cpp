// "masks --ip IP FILE --out DIR [--template N] [--reference]": the V1 zone
// masks of one template of a workstation JSON file, from the camera's own
// rays, written as the apply transaction writes them.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "ArgumentParser.h"
#include "BridgeCommandSupport.h"
#include "CameraRays.h"
#include "ModelCommandSupport.h"
#include "WorkstationJsonReader.h"
#include "ZoneMasks.h"

namespace hazard_desk::cli {
namespace {

namespace fs = std::filesystem;

const char* const kCommand = "masks";

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return static_cast<double>(static_cast<long long>(ms * 10.0 + 0.5)) / 10.0;
}

bool writeBytes(const fs::path& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// Every image is encoded and written under a temporary name first; only when
// all are on disk do they take their names, so a failed run leaves no
// partial mask set and no overwritten mask behind.
bool writeMaskSet(const fs::path& directory, const zavov::TemplateMasks& masks, int templateIndex, std::string& error)
{
    std::vector<std::pair<fs::path, fs::path>> written;
    const auto removeTemporaries = [&] {
        for (const auto& [temporary, target] : written) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
        }
    };
    for (const zavov::MaskImage& image : zavov::presentMaskImages(masks)) {
        const fs::path target = directory / zavov::maskFileName(image.kind, templateIndex);
        const fs::path temporary = fs::path(target.string() + ".part");
        std::vector<unsigned char> bytes;
        bool encoded = false;
        try {
            encoded = cv::imencode(".pgm", image.image, bytes);
        } catch (const cv::Exception&) {
            encoded = false;
        }
        if (!encoded || !writeBytes(temporary, bytes)) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            removeTemporaries();
            error = "cannot write mask file '" + target.string() + "'";
            return false;
        }
        written.emplace_back(temporary, target);
    }
    for (const auto& [temporary, target] : written) {
        std::error_code ec;
        fs::rename(temporary, target, ec);
        if (ec) {
            removeTemporaries();
            error = "cannot write mask file '" + target.string() + "': " + ec.message();
            return false;
        }
    }
    return true;
}

int runMasks(CommandContext& ctx)
{
    ArgumentParser parser;
    parser.option("--ip").option("--out").option("--template").flag("--reference");
    if (!parser.parse(ctx.args)) {
        return usageError(kCommand, parser.error(), ctx.err);
    }
    std::string problem;
    const std::optional<std::string> file = singleFileArgument(parser, 0, problem);
    if (!file) {
        return usageError(kCommand, problem, ctx.err);
    }
    if (!parser.value("--ip") || !parser.value("--out")) {
        return usageError(kCommand, "--ip and --out are required", ctx.err);
    }
    int templateOption = -1;
    if (parser.value("--template") && !parser.intValue("--template", -1, 0, 19, templateOption)) {
        return usageError(kCommand, parser.error(), ctx.err);
    }
    const fs::path directory(*parser.value("--out"));
    std::error_code ec;
    if (!fs::is_directory(directory, ec)) {
        return usageError(kCommand, "--out '" + directory.string() + "' is not a directory", ctx.err);
    }

    std::string text;
    if (!readTextFile("workstation JSON file", *file, text, ctx.err)) {
        return kExitUsage;
    }
    WorkstationDocument document;
    try {
        document = parseWorkstationDocumentText(text);
    } catch (const ParameterValidationError& error) {
        reportIssues(error, ctx.err);
        return kExitUsage;
    }
    const int templateIndex = templateOption >= 0 ? templateOption : document.activeIndex;
    const ZoneTemplate& zone = document.templates[static_cast<std::size_t>(templateIndex)];

    auto bridge = connectBridge(kCommand, *parser.value("--ip"), ctx);
    if (!bridge) {
        return kExitFailed;
    }
    const auto raysStart = std::chrono::steady_clock::now();
    const zavov::CameraRays rays = zavov::generateCameraRays(*bridge);
    const double raysMs = millisecondsSince(raysStart);
    bridge->closeCamera(nullptr);
    if (!rays.ok()) {
        ctx.err << "hazard-desk-cli " << kCommand << ": " << rays.error << "\n";
        return kExitFailed;
    }

    // The options of the apply transaction.
    zavov::MaskOptions options;
    options.sectorAngularStepDeg = 1.0;
    options.triangleEpsilon = 1e-5;
    options.singleSurfaceGuard = true;
    options.projection = parser.has("--reference") ? zavov::MaskProjection::Reference : zavov::MaskProjection::Fast;
    const auto masksStart = std::chrono::steady_clock::now();
    const zavov::TemplateMasks masks = zavov::generateTemplateMasks(rays.rays, document.extrinsics, zone, options);
    const double masksMs = millisecondsSince(masksStart);
    if (!masks.ok()) {
        ctx.err << "hazard-desk-cli " << kCommand << ": " << masks.error << "\n";
        return kExitFailed;
    }
    std::string writeError;
    if (!writeMaskSet(directory, masks, templateIndex, writeError)) {
        ctx.err << "hazard-desk-cli " << kCommand << ": " << writeError << "\n";
        return kExitFailed;
    }

    nlohmann::ordered_json levels = nlohmann::ordered_json::array();
    for (std::size_t level = 0; level < masks.levels.size(); ++level) {
        if (masks.levels[level]) {
            levels.push_back(zoneLevelWord(static_cast<ZoneLevel>(level)));
        }
    }
    nlohmann::ordered_json result;
    result["rays"] = {{"width", rays.rays.cols}, {"height", rays.rays.rows}, {"fisheye", rays.fisheye}};
    result["levels"] = levels;
    result["raysMs"] = raysMs;
    result["masksMs"] = masksMs;
    result["path"] = parser.has("--reference") ? "reference" : "fast";
    printLine(ctx, result);
    return kExitOk;
}

const CommandRegistrar registrar{Command{
    kCommand, "compute the V1 zone masks of a template from the camera's rays",
    "Usage: hazard-desk-cli masks --ip IP FILE --out DIR [--template N] [--reference]\n"
    "\n"
    "Reads the camera's viewing rays, computes the zone masks of template N\n"
    "(default: the document's active template) of the workstation JSON in FILE\n"
    "with the options of the apply transaction, and writes each mask as a 16-bit\n"
    "PGM (danger_far7.pgm, ...) into the existing folder DIR. --reference uses\n"
    "the plain loop over every triangle and pixel instead of the fast path; both\n"
    "give the same images. Prints one JSON object: \"rays\" {\"width\", \"height\",\n"
    "\"fisheye\"}, \"levels\", \"raysMs\", \"masksMs\", \"path\". Exit 1 when the camera,\n"
    "the rays, the masks or a file write fail; 2 for usage errors and a FILE\n"
    "that is not a valid workstation document.\n",
    runMasks}};

}  // namespace
}  // namespace hazard_desk::cli
