#include "LogSettings.h"

#include <cstdlib>

namespace algPlatform {

unsigned LogSettings::parseBounded(const char* text, unsigned fallback, unsigned upper)
{
    if (text == nullptr || *text < '0' || *text > '9') {
        return fallback;
    }
    // Accumulate while saturating, so a long digit string cannot overflow.
    unsigned long long value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > upper) {
            return upper;
        }
    }
    if (value == 0) {
        return 1;
    }
    return static_cast<unsigned>(value);
}

std::size_t LogSettings::maxFileBytes()
{
    const unsigned megabytes =
        parseBounded(std::getenv("VQ8_LOG_MAX_MB"), kDefaultMaxMegabytes, kUpperMaxMegabytes);
    return static_cast<std::size_t>(megabytes) * kBytesPerMegabyte;
}

std::size_t LogSettings::maxFiles()
{
    return parseBounded(std::getenv("VQ8_LOG_MAX_FILES"), kDefaultMaxFiles, kUpperMaxFiles);
}

}  // namespace algPlatform
