#pragma once

#include <memory>
#include <string>

#include <spdlog/logger.h>

namespace algPlatform {

// Where a program's text logs go. The window keeps the defaults (files under
// "logs" in the working directory, everything on the console); the
// command-line tool puts its files in the user's state folder and shows only
// warnings and errors.
struct LogConfiguration {
    std::string directory = "logs";   // relative paths are resolved against the working directory
    spdlog::level::level_enum consoleLevel = spdlog::level::trace;
};

// Text logs of the program over spdlog: one process-wide default logger "vq8"
// and any number of module loggers, each writing to a colour console (the
// standard error stream, so that standard output stays free for the results
// of command-line tools) and to a size-rotated file. Every sink is thread-safe, so any thread may log,
// including the camera SDK's callback thread. Logging never stops the
// program: when the file cannot be placed the logger stays console-only.
class ZrLogger {
public:
    // Creates (and registers under its name) a module logger; an empty module
    // name means "vq8", an empty file path "<log directory>/<name>.log".
    // Serialised with every other logger creation of the process.
    ZrLogger(const std::string& moduleName, const std::string& filePath);
    virtual ~ZrLogger();

    ZrLogger(const ZrLogger&) = delete;
    ZrLogger& operator=(const ZrLogger&) = delete;

    const std::shared_ptr<spdlog::logger>& logger() const { return logger_; }

    // The process logger "vq8" (files under the log directory, level info,
    // own line format). Created on the first call and kept.
    static std::shared_ptr<spdlog::logger> defaultLogger();

    // Chooses the log directory and the console level. Loggers created later
    // follow it; the console sinks of existing loggers take the new level.
    // A program calls it first thing in main.
    static void configure(const LogConfiguration& configuration);
    static LogConfiguration configuration();

    // For static initialisers: a line for the default logger that must not
    // create it, since main has not chosen where logs go yet. Written as soon
    // as the default logger exists (at once when it already does).
    static void logAtStartup(spdlog::level::level_enum level, const std::string& message);

    // Creates a module logger, replacing any registered logger of that name.
    // Callers keep the result (e.g. in a function-local static).
    static std::shared_ptr<spdlog::logger> getLogger(const std::string& moduleName,
                                                     const std::string& filePath = std::string());

    static constexpr const char* kDefaultName = "vq8";
    static constexpr const char* kDefaultPattern = "[%Y-%m-%d %H:%M:%S.%e] [%l] [%n] %v";
    static constexpr const char* kConsoleOnly = "<console only>";
    static constexpr int kPeriodicFlushSeconds = 2;

private:
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace algPlatform
