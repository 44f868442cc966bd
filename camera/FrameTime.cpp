#include "FrameTime.h"

#include <algorithm>
#include <chrono>

#include "ZrCameraTypes.h"

namespace algPlatform {

std::int64_t FrameTime::normaliseStamp(std::uint64_t stamp)
{
    if (stamp == 0) {
        return 0;
    }
    if (stamp > kNanosecondStampAbove) {
        return static_cast<std::int64_t>(stamp / 1000000ULL);
    }
    if (stamp <= kMillisecondStampUpTo) {
        return static_cast<std::int64_t>(stamp);
    }
    return static_cast<std::int64_t>(stamp / 1000ULL);
}

std::int64_t FrameTime::ofRecord(const ZrFrameData& frame)
{
    std::int64_t latest = 0;
    for (const ZrFrameBlock& block : frame.blocks) {
        if (block.data == nullptr) {
            continue;
        }
        const std::uint64_t stamp = block.receiveTimestamp != 0 ? block.receiveTimestamp : block.sensorTimestamp;
        latest = std::max(latest, normaliseStamp(stamp));
    }
    return latest;
}

std::int64_t FrameTime::nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::tm FrameTime::localCalendar(std::time_t seconds)
{
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return local;
}

}  // namespace algPlatform
