#pragma once
// Names the calling thread for the operating system (top -H, ps -L,
// /proc/<pid>/task/*/comm, debuggers), so that per-thread CPU time can be
// measured from outside. Threads started through QThread get their object
// name from Qt; plain std::threads name themselves with this helper.
#include <string>

namespace hazard_desk {

class ThreadName {
public:
    // The operating system keeps at most this many bytes of a name.
    static constexpr std::size_t kMaxBytes = 15;

    // Longer names are cut to kMaxBytes. Does nothing where threads have no names.
    static void setCurrent(const std::string& name);
    // The calling thread's name, empty where it cannot be read.
    static std::string current();
};

}  // namespace hazard_desk
