#include "SdkParameterNames.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "ZrCameraParams.h"

namespace algPlatform {

namespace {

using AliasTable = std::map<std::string, std::string>;

AliasTable buildAliases(SdkValueKind kind)
{
    AliasTable table;
    auto prefixed = [&table](const char* prefix, std::initializer_list<const char*> aliases) {
        for (const char* alias : aliases) {
            std::string upper = alias;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            table[alias] = std::string(prefix) + upper;
        }
    };
    switch (kind) {
    case SdkValueKind::Boolean:
        table["enable_depth_stream"] = "ZR_BOOL_ENABLE_3D_DEPTH_STREAM";
        table["enable_3d_depth_stream"] = "ZR_BOOL_ENABLE_3D_DEPTH_STREAM";
        table["enable_amp_stream"] = "ZR_BOOL_ENABLE_3D_AMP_STREAM";
        table["enable_3d_amp_stream"] = "ZR_BOOL_ENABLE_3D_AMP_STREAM";
        table["enable_rgb_stream"] = "ZR_BOOL_ENABLE_2D_STREAM";
        table["enable_2d_stream"] = "ZR_BOOL_ENABLE_2D_STREAM";
        table["enable_depth_to_rgb"] = "ZR_BOOL_ENABLE_2D_STREAM";
        table["enable_sync_frame"] = "ZR_BOOL_ENABLE_SYNC_FRAME";
        table["enable_2d_to_depth"] = "ZR_BOOL_ENABLE_2D_TO_DEPTH";
        break;
    case SdkValueKind::Integer:
        prefixed("ZR_INT_", {"first_exposure", "second_exposure", "gain", "min_depth", "max_depth", "work_mode",
                             "trigger_mode", "rgbd_align_mode"});
        break;
    case SdkValueKind::Float:
        prefixed("ZR_FLOAT_", {"filter_level", "confidence", "light_intensity", "est_out_exposure"});
        break;
    case SdkValueKind::Text:
        prefixed("ZR_STRING_", {"custom_id", "algorithm_params", "filter_params", "import_params_from_file",
                                "export_params_to_file"});
        break;
    case SdkValueKind::Command:
        table["software_trigger"] = "ZR_CMD_SOFTWARE_TRIGGER";
        table["soft_trigger"] = "ZR_CMD_SOFTWARE_TRIGGER";
        table["trigger"] = "ZR_CMD_SOFTWARE_TRIGGER";
        table["get_new_frame"] = "ZR_CMD_GET_NEW_FRAME";
        table["get_new_frame_3d"] = "ZR_CMD_GET_NEW_FRAME_3D";
        table["get_new_frame_2d"] = "ZR_CMD_GET_NEW_FRAME_2D";
        break;
    case SdkValueKind::Pointer:
        break;
    }
    return table;
}

// Each kind's alias table is built once, on first use.
const AliasTable& aliases(SdkValueKind kind)
{
    static std::once_flag once[6];
    static AliasTable tables[6];
    const auto index = static_cast<std::size_t>(kind);
    std::call_once(once[index], [&] { tables[index] = buildAliases(kind); });
    return tables[index];
}

}  // namespace

bool SdkParameterNames::inRange(std::int64_t id, SdkValueKind kind)
{
    switch (kind) {
    case SdkValueKind::Integer:
        return id >= kZrIntIdFirst && id < kZrIntIdEnd;
    case SdkValueKind::Float:
        return id >= kZrFloatIdFirst && id < kZrFloatIdEnd;
    case SdkValueKind::Boolean:
        return id >= kZrBoolIdFirst && id < kZrBoolIdEnd;
    case SdkValueKind::Text:
        return id >= kZrStringIdFirst && id < kZrStringIdEnd;
    case SdkValueKind::Command:
        return id >= kZrCommandIdFirst && id < kZrCommandIdEnd;
    case SdkValueKind::Pointer:
        return id >= kZrPointerIdFirst && id <= INT32_MAX;
    }
    return false;
}

std::string SdkParameterNames::trim(const std::string& text)
{
    const char* whitespace = " \t\r\n";
    const std::size_t first = text.find_first_not_of(whitespace);
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(whitespace);
    return text.substr(first, last - first + 1);
}

std::string SdkParameterNames::toLower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::optional<long long> SdkParameterNames::parseInteger(const std::string& text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno == ERANGE || end == text.c_str() || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> SdkParameterNames::resolve(const std::string& rawName, SdkValueKind kind)
{
    std::string name = trim(rawName);
    const AliasTable& table = aliases(kind);
    const auto alias = table.find(toLower(name));
    if (alias != table.end()) {
        name = alias->second;
    }
    // ASCII case folding on both sides (strcasecmp is POSIX only).
    const std::string folded = toLower(name);
    for (const ZrNamedId& entry : kZrNamedIds) {
        if (toLower(entry.name) == folded) {
            if (inRange(entry.id, kind)) {
                return entry.id;
            }
            return std::nullopt;
        }
    }
    const std::optional<long long> number = parseInteger(name);
    if (number && inRange(*number, kind)) {
        return static_cast<std::int32_t>(*number);
    }
    return std::nullopt;
}

std::string SdkParameterNames::nameOf(std::int32_t id)
{
    for (const ZrNamedId& entry : kZrNamedIds) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return {};
}

}  // namespace algPlatform
