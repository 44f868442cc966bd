#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hazard_desk {

// Which device algorithm generation a configuration targets.
enum class AlgorithmVersion : int {
    V1 = 0,
    V2 = 1,
};

// Shape of a zone template; the numbers are the body's variant index.
enum class TemplateType : int {
    Square = 0,
    SquareFree = 1,
    Sector = 2,
};

// Zone level, used by the V1 mask generator's texts.
enum class ZoneLevel : int {
    Danger = 0,
    Warn = 1,
    Notify = 2,
};

// Words written to both JSON forms; any value outside the enumeration prints "unknown".
const char* templateTypeWord(TemplateType type);      // "square", "squareFree", "sector"
const char* zoneLevelWord(ZoneLevel level);           // "danger", "warn", "notify"
const char* algorithmVersionWord(AlgorithmVersion v); // "v1", "v2"

// Reads a template type word including the accepted aliases ("box", "fan",
// "freeBox", "square_free", the Chinese names). Exact, case-sensitive.
std::optional<TemplateType> templateTypeFromWord(std::string_view word);

// "v1", "V1", "1", "1.0" and "v2", "V2", "2", "2.0"; exact, byte for byte.
std::optional<AlgorithmVersion> algorithmVersionFromWord(std::string_view word);

}  // namespace hazard_desk
