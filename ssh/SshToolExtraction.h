#pragma once
// Writes the embedded plink and pscp to the first usable folder, once per
// process, and keeps where they are.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "SshToolPaths.h"

namespace hazard_desk {

class SshToolExtraction {
public:
    static constexpr const char* kToolFolder = "VQ8/putty-ssh";

    // The tag of a tool: the first 16 characters of its lower-case hex SHA-256.
    static QString tag(const QByteArray& bytes);

    // Candidate base folders in order: the per-user application data folder,
    // the system temporary folder, then "ProgramData" when set.
    static QStringList baseFolders();

    // Writes both tools into the first base folder where both succeed.
    static SshToolPaths extract(const QByteArray& plink, const QByteArray& pscp, const QStringList& bases);
};

// The tools of this process: loaded and extracted on the first call (thread
// safe), then kept.
const SshToolPaths& sshToolPaths();

// True when both tools are usable; otherwise false with the stored error.
bool sshExportAvailable(QString* error);

}  // namespace hazard_desk
