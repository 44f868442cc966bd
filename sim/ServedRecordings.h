#pragma once
// Recordings served as cameras by other processes on this machine
// ("hazard-desk-cli replay"): each serving process leaves an announcement
// (address, recording, its process id) in a folder every virtual camera
// library looks at when it discovers or opens cameras, and removes it when it
// ends. An announcement whose process is gone is ignored and removed. The
// frames are read from the recording by the library that plays it.
//
// The folder is ZR_SIM_SERVE_DIR, or "hazard-desk-replay-<user id>" in the
// system's temporary folder.
#include <string>
#include <vector>

namespace zrsim {

struct ServedRecording {
    std::string ip;
    std::string recording;
    long long pid = 0;
};

class ServedRecordings {
public:
    static std::string folder();
    /// The live announcements, ordered by address; stale ones are removed.
    static std::vector<ServedRecording> live();
    /// Announces this process serving recording at ip.
    static bool announce(const std::string& ip, const std::string& recording, std::string& error);
    /// Withdraws this process's announcement for ip.
    static void withdraw(const std::string& ip);
};

}  // namespace zrsim
