#pragma once
// Where the embedded PuTTY tools were written for this process, or why they
// could not be.
#include <QString>

namespace hazard_desk {

struct SshToolPaths {
    QString plinkPath;   // empty on failure
    QString pscpPath;    // empty on failure
    QString error;

    bool complete() const { return !plinkPath.isEmpty() && !pscpPath.isEmpty(); }
};

}  // namespace hazard_desk
