#pragma once
// The password handed to plink and pscp through "-pwfile", never on their
// command line: an owner-only temporary file "credential-XXXXXX.tmp" in
// "<application data>/VQ8/putty-ssh" (or "<temp>/VQ8FleetUpdate/VQ8/putty-ssh"
// without an application data folder), removed when the object goes away.
#include <QString>

#include <memory>

class QTemporaryFile;

namespace hazard_desk {

class PuttyPasswordFile {
public:
    PuttyPasswordFile();
    ~PuttyPasswordFile();

    PuttyPasswordFile(const PuttyPasswordFile&) = delete;
    PuttyPasswordFile& operator=(const PuttyPasswordFile&) = delete;

    // Writes password and a line feed; false with a Chinese error text.
    bool create(const QString& password, QString* error);

    QString path() const;

    // The folder the file is made in (created as needed).
    static QString baseFolder();

private:
    std::unique_ptr<QTemporaryFile> file_;
};

}  // namespace hazard_desk
