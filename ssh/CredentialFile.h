#pragma once
// The root SSH password store of Linux workstations, in the manner of
// ~/.pgpass: a file "ssh-credentials" in the application's configuration
// folder with one "target:password" line per credential (":" and "\" in
// either part escaped with "\", "#" starts a comment line). Like ssh and
// libpq it is ignored when it belongs to another user or when anyone but its
// owner may access it. Not used on Windows, where the Credential Manager
// holds the password.
#include <QString>

namespace hazard_desk {

class CredentialFile {
public:
    static constexpr const char* kFileName = "ssh-credentials";

    // "<config folder>/Corvane/VQ8 Hazard Desk/ssh-credentials".
    static QString defaultPath();

    explicit CredentialFile(QString path = defaultPath());

    const QString& path() const { return path_; }

    // The password of target; empty when the file or the target is absent.
    // A file of the wrong owner or mode is ignored with error set.
    QString read(const QString& target, QString* error) const;

    // Sets target's password, keeping other lines, and leaves the file 0600.
    bool store(const QString& target, const QString& password, QString* error) const;

    // Removes target's line (the file when nothing else is left); removed
    // tells whether there was one.
    bool clear(const QString& target, bool* removed, QString* error) const;

private:
    // Escapes and splits one line.
    static QString escape(const QString& text);
    static bool parseLine(const QString& line, QString& target, QString& password);
    bool readAll(QByteArray& content, QString* error) const;
    bool replaceAll(const QByteArray& content, QString* error) const;

    QString path_;
};

}  // namespace hazard_desk
