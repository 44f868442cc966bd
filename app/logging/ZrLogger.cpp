#include "ZrLogger.h"

#include "LogSettings.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <system_error>
#include <vector>

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

namespace algPlatform {

namespace fs = std::filesystem;

namespace {

// Serialises every logger creation in the process.
std::mutex& creationMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Guards the cached default logger.
std::mutex& defaultCacheMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The process's choice of log placement, the console sinks that follow its
// level, and the lines static initialisers left for the default logger.
struct ProcessLogState {
    static constexpr std::size_t kMaxStartupLines = 64;

    std::mutex mutex;  // guards everything below
    LogConfiguration configuration;
    std::vector<std::weak_ptr<spdlog::sinks::sink>> consoleSinks;
    std::vector<std::pair<spdlog::level::level_enum, std::string>> startupLines;
    std::shared_ptr<spdlog::logger> defaultLogger;
};

ProcessLogState& processState()
{
    // Never destroyed: loggers may still be used while the process exits.
    static ProcessLogState* state = new ProcessLogState;
    return *state;
}

LogConfiguration currentConfiguration()
{
    ProcessLogState& state = processState();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.configuration;
}

std::shared_ptr<spdlog::sinks::sink> makeConsoleSink()
{
    auto sink = std::make_shared<spdlog::sinks::stderr_color_sink_mt>(spdlog::color_mode::automatic);
    ProcessLogState& state = processState();
    std::lock_guard<std::mutex> lock(state.mutex);
    sink->set_level(state.configuration.consoleLevel);
    state.consoleSinks.erase(std::remove_if(state.consoleSinks.begin(), state.consoleSinks.end(),
                                            [](const std::weak_ptr<spdlog::sinks::sink>& s) { return s.expired(); }),
                             state.consoleSinks.end());
    state.consoleSinks.push_back(sink);
    return sink;
}

std::shared_ptr<spdlog::sinks::sink> makeFileSink(const std::string& path)
{
    return std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, LogSettings::maxFileBytes(),
                                                                 LogSettings::maxFiles());
}

void startPeriodicFlush()
{
    spdlog::flush_every(std::chrono::seconds(ZrLogger::kPeriodicFlushSeconds));
}

std::shared_ptr<spdlog::logger> createDefaultLogger()
{
    std::lock_guard<std::mutex> lock(creationMutex());
    if (auto existing = spdlog::get(ZrLogger::kDefaultName)) {
        spdlog::set_default_logger(existing);
        return existing;
    }

    std::vector<spdlog::sink_ptr> sinks{makeConsoleSink()};

    fs::path directory = fs::u8path(currentConfiguration().directory);
    std::error_code error;
    if (directory.is_relative()) {
        fs::path absolute = fs::absolute(directory, error);
        if (error) {
            std::cerr << "[VQ_LOG] failed to resolve log directory '" << directory.u8string()
                      << "': " << error.message() << std::endl;
        } else {
            directory = absolute;
        }
    }

    std::string filePath;
    error.clear();
    fs::create_directories(directory, error);
    if (error || !fs::is_directory(directory)) {
        const std::string message =
            error ? error.message() : std::make_error_code(std::errc::not_a_directory).message();
        std::cerr << "[VQ_LOG] failed to create log directory '" << directory.u8string()
                  << "': " << message << std::endl;
    } else {
        filePath = (directory / (std::string(ZrLogger::kDefaultName) + ".log")).u8string();
    }

    if (!filePath.empty()) {
        try {
            sinks.push_back(makeFileSink(filePath));
        } catch (const std::exception& ex) {
            std::cerr << "[VQ_LOG] failed to open default log file '" << filePath << "': " << ex.what()
                      << std::endl;
            filePath.clear();
        }
    }

    auto logger = std::make_shared<spdlog::logger>(ZrLogger::kDefaultName, sinks.begin(), sinks.end());
    logger->set_pattern(ZrLogger::kDefaultPattern);
    logger->set_level(spdlog::level::info);
    logger->flush_on(spdlog::level::info);
    spdlog::register_logger(logger);
    spdlog::set_default_logger(logger);
    startPeriodicFlush();
    logger->info("VQ_LOG default logger initialized file={}",
                 filePath.empty() ? std::string(ZrLogger::kConsoleOnly) : filePath);
    return logger;
}

// Makes the module file path absolute and creates its folder; empty on failure.
std::string placeModuleFile(const std::string& requested)
{
    std::error_code error;
    fs::path path = fs::u8path(requested);
    if (path.is_relative()) {
        path = fs::absolute(path, error);
        if (error) {
            return {};
        }
    }
    const fs::path parent = path.parent_path();
    if (!parent.empty()) {
        fs::create_directories(parent, error);
        if (error || !fs::is_directory(parent)) {
            return {};
        }
    }
    return path.u8string();
}

}  // namespace

ZrLogger::ZrLogger(const std::string& moduleName, const std::string& filePath)
{
    const std::string name = moduleName.empty() ? std::string(kDefaultName) : moduleName;
    std::lock_guard<std::mutex> lock(creationMutex());
    spdlog::drop(name);

    std::vector<spdlog::sink_ptr> sinks{makeConsoleSink()};
    std::string placed = placeModuleFile(
        filePath.empty() ? (fs::u8path(currentConfiguration().directory) / (name + ".log")).u8string() : filePath);
    if (!placed.empty()) {
        try {
            sinks.push_back(makeFileSink(placed));
        } catch (const std::exception&) {
            placed.clear();
        }
    }

    logger_ = std::make_shared<spdlog::logger>(name, sinks.begin(), sinks.end());
    logger_->set_level(spdlog::level::trace);
    logger_->flush_on(spdlog::level::info);
    startPeriodicFlush();
    spdlog::register_logger(logger_);
    logger_->info("VQ_LOG initialized module={} file={}", name,
                  placed.empty() ? std::string(kConsoleOnly) : placed);
}

ZrLogger::~ZrLogger() = default;

std::shared_ptr<spdlog::logger> ZrLogger::defaultLogger()
{
    std::lock_guard<std::mutex> lock(defaultCacheMutex());
    static std::shared_ptr<spdlog::logger> cached;
    if (!cached) {
        cached = createDefaultLogger();
        std::vector<std::pair<spdlog::level::level_enum, std::string>> held;
        {
            ProcessLogState& state = processState();
            std::lock_guard<std::mutex> stateLock(state.mutex);
            state.defaultLogger = cached;
            held.swap(state.startupLines);
        }
        for (const auto& line : held) {
            cached->log(line.first, line.second);
        }
    }
    return cached;
}

std::shared_ptr<spdlog::logger> ZrLogger::getLogger(const std::string& moduleName, const std::string& filePath)
{
    ZrLogger created(moduleName, filePath);
    return created.logger();
}

void ZrLogger::configure(const LogConfiguration& configuration)
{
    ProcessLogState& state = processState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.configuration = configuration;
    for (const std::weak_ptr<spdlog::sinks::sink>& weak : state.consoleSinks) {
        if (const auto sink = weak.lock()) {
            sink->set_level(configuration.consoleLevel);
        }
    }
}

LogConfiguration ZrLogger::configuration()
{
    return currentConfiguration();
}

void ZrLogger::logAtStartup(spdlog::level::level_enum level, const std::string& message)
{
    std::shared_ptr<spdlog::logger> logger;
    {
        ProcessLogState& state = processState();
        std::lock_guard<std::mutex> lock(state.mutex);
        logger = state.defaultLogger;
        if (!logger) {
            if (state.startupLines.size() < ProcessLogState::kMaxStartupLines) {
                state.startupLines.emplace_back(level, message);
            }
            return;
        }
    }
    logger->log(level, message);
}

}  // namespace algPlatform
