#include "RecordingScorer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "RotationConversion.h"
#include "ZoneContainment.h"

namespace hazard_desk::recording {

namespace {

int levelIndex(ZoneLevel level) {
    switch (level) {
    case ZoneLevel::Danger: return 0;
    case ZoneLevel::Warn: return 1;
    default: return 2;
    }
}

void boundsOf(const zavov::ZoneVolume& volume, double out[6]) {
    if (const auto* box = std::get_if<BoxZone>(&volume.shape)) {
        const double b[6] = {box->minX, box->maxX, box->minY, box->maxY, box->minZ, box->maxZ};
        std::copy(b, b + 6, out);
        return;
    }
    const auto& sector = std::get<SectorZone>(volume.shape);
    const double b[6] = {sector.centerX - sector.radius, sector.centerX + sector.radius,
                         sector.centerY - sector.radius, sector.centerY + sector.radius,
                         sector.minZ, sector.maxZ};
    std::copy(b, b + 6, out);
}

}  // namespace

const char* verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Stop: return "stop";
    case Verdict::Warning: return "warning";
    default: return "safe";
    }
}

RecordingScorer::RecordingScorer(const WorkstationDocument& document, int templateIndex, std::uint32_t minPoints)
    : minPoints_(minPoints) {
    templateIndex_ = templateIndex < 0 ? document.activeIndex : templateIndex;
    if (templateIndex_ < 0 || templateIndex_ >= static_cast<int>(document.templates.size())) {
        throw std::out_of_range("template index must be within 0..19");
    }
    const Extrinsics& e = document.extrinsics;
    const RotationMatrix r = rotationFromEulerDegrees(e.roll, e.pitch, e.yaw);
    std::copy(r.begin(), r.end(), rotation_);
    translation_[0] = e.x;
    translation_[1] = e.y;
    translation_[2] = e.z;
    for (const zavov::ZoneVolume& v : zavov::zoneVolumes(document.templates[static_cast<std::size_t>(templateIndex_)])) {
        Volume entry;
        entry.volume = v;
        entry.level = levelIndex(v.level);
        boundsOf(v, entry.bounds);
        volumes_.push_back(entry);
    }
    std::stable_sort(volumes_.begin(), volumes_.end(),
                     [](const Volume& a, const Volume& b) { return a.level < b.level; });
}

FrameScore RecordingScorer::score(const RecordedFrame& frame) const {
    FrameScore result;
    result.timeNs = frame.timeNs;
    result.sequence = frame.sequence;
    const std::size_t count = frame.xyz.size() / 3;
    const double* r = rotation_;
    for (std::size_t i = 0; i < count; ++i) {
        const double cx = frame.xyz[i * 3];
        const double cy = frame.xyz[i * 3 + 1];
        const double cz = frame.xyz[i * 3 + 2];
        if (cx == 0.0 && cy == 0.0 && cz == 0.0) {
            continue;  // the camera's "no return"
        }
        const double x = r[0] * cx + r[1] * cy + r[2] * cz + translation_[0];
        const double y = r[3] * cx + r[4] * cy + r[5] * cz + translation_[1];
        const double z = r[6] * cx + r[7] * cy + r[8] * cz + translation_[2];
        for (const Volume& v : volumes_) {
            const double* b = v.bounds;
            if (x < b[0] || x > b[1] || y < b[2] || y > b[3] || z < b[4] || z > b[5]) {
                continue;
            }
            if (zavov::volumeContainsPoint(v.volume, x, y, z)) {
                ++result.points[static_cast<std::size_t>(v.level)];
                break;
            }
        }
    }
    result.verdict = result.points[0] >= minPoints_   ? Verdict::Stop
                     : result.points[1] >= minPoints_ ? Verdict::Warning
                                                      : Verdict::Safe;
    return result;
}

ScoreSummary RecordingScorer::summarize(const std::vector<FrameScore>& scores) {
    ScoreSummary summary;
    summary.frames = scores.size();
    std::optional<StopEpisode> current;
    auto close = [&]() {
        if (!current) {
            return;
        }
        ++summary.stopEpisodes;
        if (!summary.firstStop) {
            summary.firstStop = current;
        }
        if (!summary.longestStop || current->frames > summary.longestStop->frames) {
            summary.longestStop = current;
        }
        current.reset();
    };
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const FrameScore& s = scores[i];
        ++summary.perVerdict[static_cast<std::size_t>(s.verdict)];
        if (s.verdict != Verdict::Stop) {
            close();
            continue;
        }
        if (!current) {
            current = StopEpisode{i, 0, s.timeNs, s.timeNs};
        }
        ++current->frames;
        current->endNs = s.timeNs;
    }
    close();
    return summary;
}

}  // namespace hazard_desk::recording
