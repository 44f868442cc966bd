#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <spdlog/common.h>

namespace hazard_desk::cli {

// Where the command-line tool logs: its files go to the user's state folder,
// not into whatever folder it was started from, and the console shows only
// warnings and errors unless "--log-level" asks for more (or less). The
// window keeps its own placement.
class CliLogging {
public:
    // Reads one environment variable; nothing when unset.
    using Environment = std::function<std::optional<std::string>(const char* name)>;

    static constexpr spdlog::level::level_enum kDefaultConsoleLevel = spdlog::level::warn;
    static constexpr const char* kOption = "--log-level";

    // $XDG_STATE_HOME/hazard-desk/logs when that variable holds an absolute
    // path, else $HOME/.local/state/hazard-desk/logs (on Windows
    // %LOCALAPPDATA%\hazard-desk\logs); the temporary folder's
    // hazard-desk/logs when neither is known.
    static std::string logDirectory(const Environment& environment);

    // Takes every "--log-level LEVEL" / "--log-level=LEVEL" out of args (the
    // last one wins). False with an error text for a missing or unknown level.
    static bool takeConsoleLevel(std::vector<std::string>& args, spdlog::level::level_enum& level,
                                 std::string& error);

    // Both of the above for this process, then configures the loggers.
    // Returns 0, or the usage exit code after writing the error to err.
    static int apply(std::vector<std::string>& args, std::ostream& err);

    static Environment processEnvironment();
};

}  // namespace hazard_desk::cli
