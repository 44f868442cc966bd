#include "SimLog.h"

#include <chrono>
#include <ctime>
#include <filesystem>

namespace zrsim {

SimLog& SimLog::instance() {
    // Never destroyed: camera threads may log while the process exits.
    static SimLog* log = new SimLog();
    return *log;
}

bool SimLog::configure(int level, const std::string& directory) {
    std::lock_guard<std::mutex> lock(mutex_);
    level_ = level;
    if (file_.is_open()) file_.close();
    if (directory.empty() || level >= static_cast<int>(LogLevel::Off)) return true;
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    file_.open((std::filesystem::path(directory) / "ZrCameraApi.log").string(), std::ios::app);
    return file_.is_open();
}

void SimLog::write(LogLevel level, const std::string& message) {
    static const char* const kNames[] = {"trace", "debug", "info", "warning", "error", "off"};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!file_.is_open() || static_cast<int>(level) < level_) return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm tm = localCalendar(seconds);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &tm);
    char millis[8];
    std::snprintf(millis, sizeof(millis), ".%03d", static_cast<int>(ms));
    file_ << '[' << stamp << millis << "] [" << kNames[static_cast<int>(level)] << "] " << message << '\n';
    file_.flush();
}

std::tm localCalendar(std::time_t seconds) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return local;
}

}  // namespace zrsim
