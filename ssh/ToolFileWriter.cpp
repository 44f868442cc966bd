#include "ToolFileWriter.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "ErrorOut.h"

namespace hazard_desk {

namespace {

constexpr QFileDevice::Permissions kToolPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

bool sameContent(const QString& path, const QByteArray& bytes, const QByteArray& hash)
{
    qint64 size = -1;
    const QByteArray fileHash = ToolFileWriter::fileSha256Hex(path, &size);
    return !fileHash.isEmpty() && size == bytes.size() && fileHash == hash;
}

}  // namespace

QByteArray ToolFileWriter::sha256Hex(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray ToolFileWriter::fileSha256Hex(const QString& path, qint64* size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 total = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kHashChunkBytes);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError) {
            return {};
        }
        hash.addData(chunk);
        total += chunk.size();
    }
    if (size != nullptr) {
        *size = total;
    }
    return hash.result().toHex();
}

bool ToolFileWriter::write(const QString& path, const QByteArray& bytes, QString* error)
{
    const QByteArray hash = sha256Hex(bytes);
    QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        if (existing.isFile() && !existing.isSymLink() && sameContent(path, bytes, hash)) {
            if ((existing.permissions() & kToolPermissions) != kToolPermissions) {
                QFile::setPermissions(path, kToolPermissions);
            }
            return true;
        }
        QFile stale(path);
        if (!stale.remove()) {
            setError(error, stale.errorString());
            return false;
        }
    }

    QSaveFile file(path);
    // Some folders refuse the rename of a temporary file; write in place there.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        setError(error, reason);
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    QFile::setPermissions(path, kToolPermissions);

    if (!sameContent(path, bytes, hash)) {
        QFile::remove(path);
        setError(error, QStringLiteral("文件落盘校验失败"));
        return false;
    }
    return true;
}

}  // namespace hazard_desk
