#pragma once

#include <memory>
#include <string>

#include <spdlog/logger.h>

namespace algPlatform {

// Text logs of the program over spdlog: one process-wide default logger "vq8"
// and any number of module loggers, each writing to a colour console (the
// standard error stream, so that standard output stays free for the results
// of command-line tools) and to a size-rotated file. Every sink is thread-safe, so any thread may log,
// including the camera SDK's callback thread. Logging never stops the
// program: when the file cannot be placed the logger stays console-only.
class ZrLogger {
public:
    // Creates (and registers under its name) a module logger; an empty module
    // name means "vq8", an empty file path "logs/<name>.log".
    ZrLogger(const std::string& moduleName, const std::string& filePath);
    virtual ~ZrLogger();

    ZrLogger(const ZrLogger&) = delete;
    ZrLogger& operator=(const ZrLogger&) = delete;

    const std::shared_ptr<spdlog::logger>& logger() const { return logger_; }

    // The process logger "vq8" (files under "logs", level info, own line
    // format). Created on the first call and kept.
    static std::shared_ptr<spdlog::logger> defaultLogger();

    // Creates a module logger, replacing any registered logger of that name.
    // Callers keep the result (e.g. in a function-local static).
    static std::shared_ptr<spdlog::logger> getLogger(const std::string& moduleName,
                                                     const std::string& filePath = std::string());

    static constexpr const char* kDefaultName = "vq8";
    static constexpr const char* kLogDirectory = "logs";
    static constexpr const char* kDefaultPattern = "[%Y-%m-%d %H:%M:%S.%e] [%l] [%n] %v";
    static constexpr const char* kConsoleOnly = "<console only>";
    static constexpr int kPeriodicFlushSeconds = 2;

private:
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace algPlatform
