#pragma once
// The PuTTY executables the program carries. On Windows they are raw-data
// resources (RT_RCDATA) of the executable; elsewhere Qt resources compiled in
// from the system's putty-tools at build time. The resource names are the
// same on every platform.
#include <QByteArray>

namespace hazard_desk {

class EmbeddedToolResource {
public:
    static constexpr const char* kPlinkResource = "VQ8_PUTTY_PLINK";
    static constexpr const char* kPscpResource = "VQ8_PUTTY_PSCP";

    enum class Status { Loaded, Missing, Unreadable };

    // Copies the resource's bytes; Unreadable also covers an empty resource.
    static Status load(const char* name, QByteArray& bytes);
};

}  // namespace hazard_desk
