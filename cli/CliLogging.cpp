#include "CliLogging.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "CommandRegistry.h"
#include "ZrLogger.h"

namespace hazard_desk::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* kApplicationFolder = "hazard-desk";
constexpr const char* kLevelNames = "trace, debug, info, warn, error, off";

std::optional<spdlog::level::level_enum> levelNamed(const std::string& name)
{
    static const std::pair<const char*, spdlog::level::level_enum> kLevels[] = {
        {"trace", spdlog::level::trace}, {"debug", spdlog::level::debug}, {"info", spdlog::level::info},
        {"warn", spdlog::level::warn},   {"warning", spdlog::level::warn}, {"error", spdlog::level::err},
        {"off", spdlog::level::off},
    };
    for (const auto& entry : kLevels) {
        if (name == entry.first) {
            return entry.second;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> absoluteVariable(const CliLogging::Environment& environment, const char* name)
{
    const std::optional<std::string> value = environment(name);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    const fs::path path = fs::u8path(*value);
    // A relative value is invalid for these variables and is ignored.
    return path.is_absolute() ? std::optional<fs::path>(path) : std::nullopt;
}

}  // namespace

std::string CliLogging::logDirectory(const Environment& environment)
{
    fs::path base;
#ifdef _WIN32
    if (const auto local = absoluteVariable(environment, "LOCALAPPDATA")) {
        base = *local;
    }
#else
    if (const auto state = absoluteVariable(environment, "XDG_STATE_HOME")) {
        base = *state;
    } else if (const auto home = absoluteVariable(environment, "HOME")) {
        base = *home / ".local" / "state";
    }
#endif
    if (base.empty()) {
        std::error_code ignored;
        base = fs::temp_directory_path(ignored);
    }
    return (base / kApplicationFolder / "logs").u8string();
}

bool CliLogging::takeConsoleLevel(std::vector<std::string>& args, spdlog::level::level_enum& level,
                                  std::string& error)
{
    const std::string option(kOption);
    for (std::size_t i = 0; i < args.size();) {
        std::optional<std::string> value;
        std::size_t taken = 0;
        if (args[i] == option) {
            if (i + 1 >= args.size()) {
                error = option + " needs a level (" + kLevelNames + ")";
                return false;
            }
            value = args[i + 1];
            taken = 2;
        } else if (args[i].rfind(option + "=", 0) == 0) {
            value = args[i].substr(option.size() + 1);
            taken = 1;
        } else {
            ++i;
            continue;
        }
        const std::optional<spdlog::level::level_enum> named = levelNamed(*value);
        if (!named) {
            error = "unknown log level '" + *value + "' (" + kLevelNames + ")";
            return false;
        }
        level = *named;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i + taken));
    }
    return true;
}

CliLogging::Environment CliLogging::processEnvironment()
{
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
}

int CliLogging::apply(std::vector<std::string>& args, std::ostream& err)
{
    algPlatform::LogConfiguration configuration;
    configuration.consoleLevel = kDefaultConsoleLevel;
    std::string error;
    if (!takeConsoleLevel(args, configuration.consoleLevel, error)) {
        err << "hazard-desk-cli: " << error << '\n';
        return kExitUsage;
    }
    configuration.directory = logDirectory(processEnvironment());
    algPlatform::ZrLogger::configure(configuration);
    return kExitOk;
}

}  // namespace hazard_desk::cli
