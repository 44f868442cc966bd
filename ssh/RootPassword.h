#pragma once
// The camera's root SSH password, stored under the credential target
// "VQ8.FleetUpdate.SSH.root": in the Windows Credential Manager on Windows,
// in the owner-only credential file (CredentialFile) elsewhere.
#include <QString>

namespace hazard_desk {

class RootPassword {
public:
    static constexpr const char* kCredentialTarget = "VQ8.FleetUpdate.SSH.root";

    // Where the password is kept, for messages.
    static QString location();

    static bool store(const QString& password, QString* error);
    static bool clear(bool* removed, QString* error);
};

// The stored password; empty without error when none is stored, empty with
// error set when the store cannot be read or is refused.
QString readRootPassword(QString* error);

}  // namespace hazard_desk
