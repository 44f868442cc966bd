#pragma once

#include <cstdint>
#include <ctime>

struct ZrFrameData;

namespace algPlatform {

// Frame times in milliseconds since 1970 from the SDK's block stamps, which a
// camera may give in milliseconds, microseconds or nanoseconds.
class FrameTime {
public:
    static constexpr std::uint64_t kNanosecondStampAbove = 10000000000000000ULL;
    static constexpr std::uint64_t kMillisecondStampUpTo = 100000000000000ULL;

    // 0 stays 0; nanoseconds / 1e6; milliseconds kept; microseconds / 1000.
    static std::int64_t normaliseStamp(std::uint64_t stamp);

    // Largest normalised stamp (receive stamp, else sensor stamp) over the
    // blocks with data; 0 when no block has data.
    static std::int64_t ofRecord(const ZrFrameData& frame);

    // Wall-clock time in milliseconds since 1970.
    static std::int64_t nowMs();

    // The calendar time of seconds in the local time zone, thread-safe on
    // every platform (localtime_r is POSIX, localtime_s its Windows form).
    static std::tm localCalendar(std::time_t seconds);
};

}  // namespace algPlatform
