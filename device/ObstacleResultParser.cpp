#include "ObstacleResultParser.h"

#include <algorithm>
#include <cstring>

namespace hazard_desk {

namespace {

constexpr int kModeV1 = 1;
constexpr int kModeV2 = 4;
constexpr std::int32_t kHighestChannel = 31;

template <typename T>
T readAt(const unsigned char* base, std::size_t offset)
{
    T value{};
    std::memcpy(&value, base + offset, sizeof(T));
    return value;
}

QString readName(const unsigned char* entry)
{
    const std::int32_t length = readAt<std::int32_t>(entry, ObstacleResultParser::kNameLengthOffset);
    if (length < 1) {
        return QString();
    }
    // The length field says how long the name is; only the field's size bounds it.
    const std::size_t clamped = std::min(static_cast<std::size_t>(length), ObstacleResultParser::kMaxNameBytes);
    const char* name = reinterpret_cast<const char*>(entry + ObstacleResultParser::kNameOffset);
    return QString::fromUtf8(name, static_cast<int>(clamped));
}

}  // namespace

bool ObstacleResultParser::parse(const void* output, int mode, ObstacleRuntime& runtime)
{
    runtime.boxes.clear();
    runtime.resultError.clear();
    runtime.resultAvailable = false;
    if (output == nullptr || (mode != kModeV1 && mode != kModeV2)) {
        runtime.resultError = QString::fromUtf8(kNoResultMessage);
        return false;
    }
    const auto* record = static_cast<const unsigned char*>(output);
    const std::int32_t count = readAt<std::int32_t>(record, kBoxCountOffset);
    const void* array = readAt<const void*>(record, kBoxArrayOffset);
    if (count > kMaxBoxCount || (count > 0 && array == nullptr)) {
        runtime.resultError = QString::fromUtf8(kInvalidBoxesMessage);
        return false;
    }
    runtime.algorithmState = readAt<std::int32_t>(record, kStateOffset);
    const std::size_t stride = mode == kModeV1 ? kV1BoxStride : kV2BoxStride;
    const auto* entries = static_cast<const unsigned char*>(array);
    const int boxCount = std::max(count, 0);
    runtime.boxes.reserve(static_cast<std::size_t>(boxCount));
    for (int i = 0; i < boxCount; ++i) {
        const unsigned char* entry = entries + static_cast<std::size_t>(i) * stride;
        ObstacleBox box;
        box.width = readAt<float>(entry, kWidthOffset);
        box.height = readAt<float>(entry, kHeightOffset);
        box.depth = readAt<float>(entry, kDepthOffset);
        box.x = readAt<float>(entry, kXOffset);
        box.y = readAt<float>(entry, kYOffset);
        box.z = readAt<float>(entry, kZOffset);
        box.typeIndex = readAt<std::int32_t>(entry, kTypeIndexOffset);
        if (mode == kModeV2) {
            box.typeName = readName(entry);
        }
        runtime.boxes.push_back(std::move(box));
    }
    runtime.resultAvailable = true;
    return true;
}

quint32 ObstacleResultParser::channelMask(std::int32_t minimum, std::int32_t maximum)
{
    const std::int32_t low = std::max(minimum, 1);
    const std::int32_t high = std::min(maximum, kHighestChannel);
    quint32 mask = 0;
    for (std::int32_t channel = low; channel <= high; ++channel) {
        mask |= 1U << static_cast<unsigned>(channel - 1);
    }
    return mask;
}

}  // namespace hazard_desk
