#include "ZoneMasks.h"

#include "DocumentValidator.h"
#include "MaskProjection.h"
#include "MaskTriangle.h"
#include "WorkstationDocument.h"
#include "ZoneVolumeMesh.h"
#include "ZoneVolumes.h"

#include <opencv2/core.hpp>

#include <cmath>
#include <memory>
#include <stdexcept>

namespace zavov {

using hazard_desk::ZoneLevel;

namespace {

constexpr double kMaxSectorAngularStepDeg = 30.0;
constexpr std::uint32_t kMaxTemplateIndex = 19;
// Beyond this many arc steps a sector's mesh would take more memory than
// the workstation can spare; a step this fine changes no pixel anyway.
constexpr double kMaxSectorArcSteps = 100000.0;
constexpr int kGuardPixelsPerSide = 4;

const char* const kMaskKindWords[kMaskKindCount] = {"danger_far", "danger_near", "warn_far",
                                                     "warn_near",  "notify_far",  "notify_near"};

bool templateIndexValid(std::int32_t index)
{
    return static_cast<std::uint32_t>(index) <= kMaxTemplateIndex;
}

bool raysFinite(const cv::Mat& rays)
{
    for (int y = 0; y < rays.rows; ++y) {
        const auto* ray = rays.ptr<cv::Vec3f>(y);
        for (int x = 0; x < rays.cols; ++x) {
            if (!std::isfinite(ray[x][0]) || !std::isfinite(ray[x][1])) {
                return false;
            }
        }
    }
    return true;
}

// The first issue of the extrinsics or of the template, as "path: message".
std::string validationError(const hazard_desk::Extrinsics& extrinsics, const hazard_desk::ZoneTemplate& zoneTemplate)
{
    hazard_desk::WorkstationDocument document;
    document.extrinsics = extrinsics;
    document.templates[static_cast<std::size_t>(zoneTemplate.index)] = zoneTemplate;
    const std::string templatePath = "templates[" + std::to_string(zoneTemplate.index) + "]";
    for (const hazard_desk::ValidationIssue& issue : hazard_desk::validateWorkstationDocument(document)) {
        if (issue.path == "extrinsics" || issue.path.compare(0, templatePath.size(), templatePath) == 0) {
            return issue.path + ": " + issue.message;
        }
    }
    return {};
}

bool sectorNeedsTooManySteps(const ZoneVolume& volume, double angularStepDeg)
{
    const auto* sector = std::get_if<hazard_desk::SectorZone>(&volume.shape);
    return sector != nullptr && (sector->rightAngle - sector->leftAngle) / angularStepDeg > kMaxSectorArcSteps;
}

// Steps of one volume after its mesh: camera frame, projection, the camera-inside
// rule and the single-surface guard. Empty text on success.
std::string projectVolume(const ZoneVolume& volume, const cv::Mat& rays, const RayTiles* tiles,
                          const hazard_desk::Extrinsics& extrinsics, const MaskOptions& options, MaskPair& pair)
{
    if (sectorNeedsTooManySteps(volume, options.sectorAngularStepDeg)) {
        return "sector outline needs more than 100000 arc steps";
    }
    const std::vector<Point2> hull = convexHull(zoneOutline(volume, options.sectorAngularStepDeg));
    const std::vector<MaskTriangle> triangles =
        cameraFrameTriangles(extrudeHull(hull, volumeMinZ(volume), volumeMaxZ(volume)), extrinsics);
    if (triangles.empty()) {
        return kMaskNoTrianglesMessage;
    }
    const bool cameraInside = cameraInsideVolume(triangles);

    pair.farMask = cv::Mat(rays.size(), CV_16UC1, cv::Scalar(0));
    pair.nearMask = cv::Mat(rays.size(), CV_16UC1, cv::Scalar(kMaskRangeLimit));
    if (tiles != nullptr) {
        projectTrianglesFast(*tiles, triangles, options.triangleEpsilon, cameraInside, pair.farMask, pair.nearMask);
    } else {
        projectTrianglesReference(rays, triangles, options.triangleEpsilon, pair.farMask, pair.nearMask);
    }

    std::int64_t coincident = 0;
    for (int y = 0; y < rays.rows; ++y) {
        const auto* farRow = pair.farMask.ptr<std::uint16_t>(y);
        auto* nearRow = pair.nearMask.ptr<std::uint16_t>(y);
        for (int x = 0; x < rays.cols; ++x) {
            if (farRow[x] == 0) {
                continue;
            }
            if (cameraInside) {
                nearRow[x] = 0;
            }
            if (nearRow[x] == farRow[x]) {
                ++coincident;
            }
        }
    }
    if (options.singleSurfaceGuard &&
        coincident > static_cast<std::int64_t>(kGuardPixelsPerSide) * std::max(rays.rows, rays.cols)) {
        return kMaskSingleSurfaceMessage;
    }
    return {};
}

}  // namespace

const std::optional<MaskPair>& TemplateMasks::level(ZoneLevel zoneLevel) const
{
    return levels.at(static_cast<std::size_t>(zoneLevel));
}

TemplateMasks generateTemplateMasks(const cv::Mat& rays, const hazard_desk::Extrinsics& extrinsics,
                                    const hazard_desk::ZoneTemplate& zoneTemplate, const MaskOptions& options)
{
    TemplateMasks result;
    const auto fail = [](std::string text) {
        TemplateMasks failed;
        failed.error = std::move(text);
        return failed;
    };
    if (rays.empty()) {
        return fail("rays must not be empty");
    }
    if (rays.type() != CV_32FC3) {
        return fail("rays must have OpenCV type CV_32FC3");
    }
    const double step = options.sectorAngularStepDeg;
    if (!std::isfinite(step) || step <= 0.0 || step > kMaxSectorAngularStepDeg) {
        return fail("sectorAngularStepDeg must be finite and within (0, 30]");
    }
    if (!std::isfinite(options.triangleEpsilon) || options.triangleEpsilon < 0.0) {
        return fail("triangleEpsilon must be finite and non-negative");
    }
    if (!raysFinite(rays)) {
        return fail("rays contains a non-finite u/v value");
    }
    if (!templateIndexValid(zoneTemplate.index)) {
        return fail("template index must be within 0..19");
    }
    if (std::string issue = validationError(extrinsics, zoneTemplate); !issue.empty()) {
        return fail(std::move(issue));
    }

    std::unique_ptr<RayTiles> tiles;
    if (options.projection == MaskProjection::Fast) {
        tiles = std::make_unique<RayTiles>(rays);
    }
    for (const ZoneVolume& volume : zoneVolumes(zoneTemplate)) {
        MaskPair pair;
        const std::string reason = projectVolume(volume, rays, tiles.get(), extrinsics, options, pair);
        if (!reason.empty()) {
            return fail(std::string(hazard_desk::zoneLevelWord(volume.level)) + " mask: " + reason);
        }
        result.levels[static_cast<std::size_t>(volume.level)] = std::move(pair);
    }
    return result;
}

int maskKind(ZoneLevel level, bool nearMask)
{
    return 2 * static_cast<int>(level) + (nearMask ? 1 : 0);
}

std::string maskFileName(int kind, int templateIndex)
{
    if (!templateIndexValid(templateIndex)) {
        throw std::out_of_range("template index must be within 0..19");
    }
    const bool known = kind >= 0 && kind < kMaskKindCount;
    return std::string(known ? kMaskKindWords[kind] : "unknown") + std::to_string(templateIndex) + ".pgm";
}

std::vector<MaskImage> presentMaskImages(const TemplateMasks& masks)
{
    std::vector<MaskImage> images;
    for (std::size_t i = 0; i < masks.levels.size(); ++i) {
        if (masks.levels[i]) {
            const auto level = static_cast<ZoneLevel>(i);
            images.push_back({maskKind(level, false), masks.levels[i]->farMask});
            images.push_back({maskKind(level, true), masks.levels[i]->nearMask});
        }
    }
    return images;
}

}  // namespace zavov
