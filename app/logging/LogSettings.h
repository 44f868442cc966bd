#pragma once

#include <cstddef>
#include <string>

namespace algPlatform {

// Size and count of the rotated log files, read from the environment each time
// a file sink is created ("VQ8_LOG_MAX_MB", "VQ8_LOG_MAX_FILES").
class LogSettings {
public:
    static constexpr unsigned kDefaultMaxMegabytes = 5;
    static constexpr unsigned kUpperMaxMegabytes = 512;
    static constexpr unsigned kDefaultMaxFiles = 2;
    static constexpr unsigned kUpperMaxFiles = 50;
    static constexpr std::size_t kBytesPerMegabyte = 1048576;

    // Reads an unsigned decimal from the start of the text. Null, empty or a
    // text without leading digits gives the fallback; 0 becomes 1 and values
    // above the upper bound (overflow included) become the upper bound.
    static unsigned parseBounded(const char* text, unsigned fallback, unsigned upper);

    // Current settings from the environment.
    static std::size_t maxFileBytes();
    static std::size_t maxFiles();
};

}  // namespace algPlatform
