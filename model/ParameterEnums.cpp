#include "ParameterEnums.h"

namespace hazard_desk {

const char* templateTypeWord(TemplateType type)
{
    switch (type) {
    case TemplateType::Square: return "square";
    case TemplateType::SquareFree: return "squareFree";
    case TemplateType::Sector: return "sector";
    }
    return "unknown";
}

const char* zoneLevelWord(ZoneLevel level)
{
    switch (level) {
    case ZoneLevel::Danger: return "danger";
    case ZoneLevel::Warn: return "warn";
    case ZoneLevel::Notify: return "notify";
    }
    return "unknown";
}

const char* algorithmVersionWord(AlgorithmVersion v)
{
    switch (v) {
    case AlgorithmVersion::V1: return "v1";
    case AlgorithmVersion::V2: return "v2";
    }
    return "unknown";
}

std::optional<TemplateType> templateTypeFromWord(std::string_view word)
{
    if (word == "square" || word == "box" || word == "方形") {
        return TemplateType::Square;
    }
    if (word == "squareFree" || word == "square_free" || word == "freeBox" || word == "自由矩形") {
        return TemplateType::SquareFree;
    }
    if (word == "sector" || word == "fan" || word == "扇形") {
        return TemplateType::Sector;
    }
    return std::nullopt;
}

std::optional<AlgorithmVersion> algorithmVersionFromWord(std::string_view word)
{
    if (word == "v1" || word == "V1" || word == "1" || word == "1.0") {
        return AlgorithmVersion::V1;
    }
    if (word == "v2" || word == "V2" || word == "2" || word == "2.0") {
        return AlgorithmVersion::V2;
    }
    return std::nullopt;
}

}  // namespace hazard_desk
