#include "PuttyPasswordFile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "PrivateFolder.h"
#include "SshToolExtraction.h"
#include "ErrorOut.h"

namespace hazard_desk {

PuttyPasswordFile::PuttyPasswordFile() = default;

PuttyPasswordFile::~PuttyPasswordFile() = default;

QString PuttyPasswordFile::baseFolder()
{
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return appData.isEmpty() ? QDir::tempPath() + QStringLiteral("/VQ8FleetUpdate") : appData;
}

bool PuttyPasswordFile::create(const QString& password, QString* error)
{
    file_.reset();
    QString reason;
    const QString folder =
        PrivateFolder::ensure(baseFolder(), QString::fromLatin1(SshToolExtraction::kToolFolder), &reason);
    if (folder.isEmpty()) {
        setError(error, QStringLiteral("无法创建 PuTTY 临时凭据：%1").arg(reason));
        return false;
    }
    // QTemporaryFile opens exclusively and owner-only; the explicit
    // permissions keep it so on every platform.
    auto file = std::make_unique<QTemporaryFile>(QDir(folder).filePath(QStringLiteral("credential-XXXXXX.tmp")));
    if (!file->open()) {
        setError(error, QStringLiteral("无法创建 PuTTY 临时凭据：%1").arg(file->errorString()));
        return false;
    }
    file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray bytes = password.toUtf8();
    bytes.append('\n');
    const bool written = file->write(bytes) == bytes.size() && file->flush();
    bytes.fill('\0');
    if (!written) {
        setError(error, QStringLiteral("无法写入 PuTTY 临时凭据：%1").arg(file->errorString()));
        return false;
    }
    file->close();
    file_ = std::move(file);
    return true;
}

QString PuttyPasswordFile::path() const
{
    return file_ ? file_->fileName() : QString();
}

}  // namespace hazard_desk
