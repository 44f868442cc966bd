#pragma once
// Folders for the export's own files (the PuTTY tools, the password file).
// On POSIX every folder created below the base must belong to the user and is
// closed to everyone else: a folder in a shared place such as /tmp that
// another user made first could otherwise swap a tool between its check and
// its start. Windows relies on the per-user profile's permissions.
#include <QString>

namespace hazard_desk {

class PrivateFolder {
public:
    // Creates base/relative with every missing folder and returns its path;
    // empty with error set (Chinese, for the user) on failure.
    static QString ensure(const QString& base, const QString& relative, QString* error);
};

}  // namespace hazard_desk
