#include "ServedRecordings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "StateStore.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace zrsim {

namespace fs = std::filesystem;

namespace {

long long currentProcess() {
#ifdef _WIN32
    return static_cast<long long>(GetCurrentProcessId());
#else
    return static_cast<long long>(getpid());
#endif
}

bool processAlive(long long pid) {
    if (pid <= 0) return false;
#ifdef _WIN32
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process) return false;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return alive;
#else
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

std::string announcementPath(const std::string& ip) { return (fs::path(ServedRecordings::folder()) / (ip + ".json")).string(); }

}  // namespace

std::string ServedRecordings::folder() {
    const char* configured = std::getenv("ZR_SIM_SERVE_DIR");
    if (configured && *configured) return configured;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = ".";
#ifdef _WIN32
    return (base / "hazard-desk-replay").string();
#else
    return (base / ("hazard-desk-replay-" + std::to_string(getuid()))).string();
#endif
}

std::vector<ServedRecording> ServedRecordings::live() {
    std::vector<ServedRecording> result;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder(), ec)) {
        if (entry.path().extension() != ".json") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
        ServedRecording served;
        if (j.is_object() && j.value("ip", "").rfind("127.", 0) == 0 && j.contains("recording") &&
            j["recording"].is_string() && j.contains("pid") && j["pid"].is_number_integer()) {
            served.ip = j["ip"].get<std::string>();
            served.recording = j["recording"].get<std::string>();
            served.pid = j["pid"].get<long long>();
        }
        if (!processAlive(served.pid)) {
            fs::remove(entry.path(), ec);  // its server is gone (or the file is not ours)
            continue;
        }
        result.push_back(std::move(served));
    }
    std::sort(result.begin(), result.end(),
              [](const ServedRecording& a, const ServedRecording& b) { return a.ip < b.ip; });
    return result;
}

bool ServedRecordings::announce(const std::string& ip, const std::string& recording, std::string& error) {
    for (const ServedRecording& other : live()) {
        if (other.ip == ip && other.pid != currentProcess()) {
            error = "address " + ip + " is already served by process " + std::to_string(other.pid) + " (" +
                    other.recording + ")";
            return false;
        }
    }
    std::error_code ec;
    fs::create_directories(folder(), ec);
    if (ec) {
        error = "cannot create " + folder() + ": " + ec.message();
        return false;
    }
    const nlohmann::json j{{"ip", ip}, {"recording", fs::absolute(recording, ec).string()}, {"pid", currentProcess()}};
    return writeFileAtomically(announcementPath(ip), j.dump(2), error);
}

void ServedRecordings::withdraw(const std::string& ip) {
    std::error_code ec;
    fs::remove(announcementPath(ip), ec);
}

}  // namespace zrsim
