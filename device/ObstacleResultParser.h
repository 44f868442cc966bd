#pragma once
// Reads the camera's algorithm output record (the SDK's layout, little-endian)
// into a runtime sample: state, boxes of the V1 or V2 entry layout, names.
// Every field is copied byte-wise, so misaligned camera buffers are fine.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "ObstacleRuntime.h"

namespace hazard_desk {

class ObstacleResultParser {
public:
    static constexpr int kMaxBoxCount = 4096;
    static constexpr std::size_t kMaxNameBytes = 512;

    // Offsets of the output record and of the box entries.
    static constexpr std::size_t kStateOffset = 0;
    static constexpr std::size_t kBoxCountOffset = 32;
    static constexpr std::size_t kBoxArrayOffset = 40;
    static constexpr std::size_t kV1BoxStride = 120;
    static constexpr std::size_t kV2BoxStride = 1688;
    static constexpr std::size_t kWidthOffset = 56;
    static constexpr std::size_t kHeightOffset = 60;
    static constexpr std::size_t kDepthOffset = 64;
    static constexpr std::size_t kXOffset = 68;
    static constexpr std::size_t kYOffset = 72;
    static constexpr std::size_t kZOffset = 76;
    static constexpr std::size_t kTypeIndexOffset = 80;
    static constexpr std::size_t kNameLengthOffset = 144;
    static constexpr std::size_t kNameOffset = 148;

    static constexpr const char* kNoResultMessage = "当前帧没有避障算法结果";
    static constexpr const char* kInvalidBoxesMessage = "障碍物结果中的框数量或指针无效";

    // Parses output for algorithm mode 1 (V1 entries) or 4 (V2 entries).
    // Clears boxes and resultError and sets resultAvailable false first; on
    // success fills algorithmState and the boxes and sets resultAvailable.
    // On failure resultError holds the reason and false is returned.
    static bool parse(const void* output, int mode, ObstacleRuntime& runtime);

    // Bits (low - 1) .. (high - 1) with low = max(minimum, 1) and
    // high = min(maximum, 31); no bit when low > high.
    static quint32 channelMask(std::int32_t minimum, std::int32_t maximum);
};

}  // namespace hazard_desk
