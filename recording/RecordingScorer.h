#pragma once
// Scores a workstation configuration against recorded frames: every recorded
// point is taken into the vehicle frame with the configuration's mounting
// pose and tested against the zone volumes of one template with the same
// inside tests the scene overlay colours by; a point counts once, at the most
// severe level whose volume holds it. A frame is "stop" when at least
// minPoints points lie in danger volumes, else "warning" when as many lie in
// warning volumes, else "safe" (the virtual camera's rule). Any thread.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "RecordingTypes.h"
#include "WorkstationDocument.h"
#include "ZoneVolumes.h"

namespace hazard_desk::recording {

enum class Verdict : int { Safe = 0, Warning = 1, Stop = 2 };
const char* verdictName(Verdict verdict);

struct FrameScore {
    std::uint64_t timeNs = 0;
    std::uint32_t sequence = 0;
    Verdict verdict = Verdict::Safe;
    std::array<std::uint32_t, 3> points{0, 0, 0};  // danger, warning, notify
};

// A run of consecutive stop frames.
struct StopEpisode {
    std::size_t firstFrame = 0;     // index in the scored frames
    std::size_t frames = 0;
    std::uint64_t startNs = 0;
    std::uint64_t endNs = 0;        // time of its last frame
};

struct ScoreSummary {
    std::size_t frames = 0;
    std::array<std::size_t, 3> perVerdict{0, 0, 0};  // safe, warning, stop
    std::optional<StopEpisode> firstStop;
    std::optional<StopEpisode> longestStop;          // the first of equally long ones
    std::size_t stopEpisodes = 0;
};

class RecordingScorer {
public:
    // The camera's own threshold of the virtual camera: points of a level needed for it to count.
    static constexpr std::uint32_t kDefaultMinPoints = 20;

    // templateIndex -1: the document's active template. Throws
    // std::out_of_range for an index outside 0..19.
    RecordingScorer(const WorkstationDocument& document, int templateIndex = -1,
                    std::uint32_t minPoints = kDefaultMinPoints);

    FrameScore score(const RecordedFrame& frame) const;
    static ScoreSummary summarize(const std::vector<FrameScore>& scores);

    int templateIndex() const { return templateIndex_; }

private:
    struct Volume {
        zavov::ZoneVolume volume;
        int level = 0;
        double bounds[6];           // a box around it: rejects most points at once
    };
    int templateIndex_ = 0;
    std::uint32_t minPoints_ = kDefaultMinPoints;
    double rotation_[9];
    double translation_[3];
    std::vector<Volume> volumes_;   // most severe level first
};

}  // namespace hazard_desk::recording
