#pragma once
// The library's own log file (DcSetInfoOutput): "ZrCameraApi.log" in the
// directory the client names, lines at or above the chosen level. Thread-safe.

#include <ctime>
#include <fstream>
#include <mutex>
#include <string>

namespace zrsim {

enum class LogLevel : int { Trace = 0, Debug = 1, Info = 2, Warning = 3, Error = 4, Off = 5 };

class SimLog {
public:
    static SimLog& instance();

    /// Opens (appends to) the log file in directory; level as DcSetInfoOutput's print level.
    bool configure(int level, const std::string& directory);
    void write(LogLevel level, const std::string& message);

private:
    std::mutex mutex_;
    std::ofstream file_;
    int level_ = static_cast<int>(LogLevel::Off);
};

/// Local calendar time of seconds on every platform (localtime_r is POSIX).
std::tm localCalendar(std::time_t seconds);

inline void logInfo(const std::string& m) { SimLog::instance().write(LogLevel::Info, m); }
inline void logWarning(const std::string& m) { SimLog::instance().write(LogLevel::Warning, m); }
inline void logError(const std::string& m) { SimLog::instance().write(LogLevel::Error, m); }

}  // namespace zrsim
