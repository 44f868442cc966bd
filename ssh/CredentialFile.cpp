#include "CredentialFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ErrorOut.h"

namespace hazard_desk {

namespace {

constexpr const char* kConfigFolder = "Corvane/VQ8 Hazard Desk";

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Splits the file into lines without their line ends.
QList<QByteArray> fileLines(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return lines;
}

bool isComment(const QByteArray& line)
{
    return line.trimmed().isEmpty() || line.trimmed().startsWith('#');
}

// The file's content as it is, whoever owns it; false only on a read error.
bool readRaw(const QString& path, QByteArray& content, QString* error)
{
    QFile file(path);
    if (!file.exists()) {
        content.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("无法读取凭据文件 %1：%2").arg(nativePath(path), file.errorString()));
        return false;
    }
    content = file.readAll();
    return true;
}

}  // namespace

QString CredentialFile::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QString::fromLatin1(kConfigFolder) + QLatin1Char('/') + QString::fromLatin1(kFileName));
}

CredentialFile::CredentialFile(QString path) : path_(std::move(path)) {}

QString CredentialFile::escape(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(':')) {
            escaped += QLatin1Char('\\');
        }
        escaped += c;
    }
    return escaped;
}

bool CredentialFile::parseLine(const QString& line, QString& target, QString& password)
{
    target.clear();
    password.clear();
    QString* field = &target;
    bool separated = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            *field += line.at(++i);
        } else if (c == QLatin1Char(':') && !separated) {
            separated = true;
            field = &password;
        } else {
            *field += c;
        }
    }
    return separated;
}

bool CredentialFile::readAll(QByteArray& content, QString* error) const
{
    content.clear();
    const QByteArray native = QFile::encodeName(path_);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return true;
        }
        setError(error, QStringLiteral("无法读取凭据文件 %1：%2")
                            .arg(nativePath(path_), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    // The checks look at the file that was opened, not at a name that could
    // have been swapped since.
    struct stat info {};
    QString refusal;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        refusal = QStringLiteral("凭据文件 %1 不是普通文件，已忽略");
    } else if (info.st_uid != ::geteuid()) {
        refusal = QStringLiteral("凭据文件 %1 不属于当前用户，已忽略");
    } else if ((info.st_mode & 077) != 0) {
        refusal = QStringLiteral("凭据文件 %1 可被其他用户访问，已忽略；请将权限设为 0600（chmod 600）");
    }
    if (!refusal.isEmpty()) {
        ::close(fd);
        setError(error, refusal.arg(nativePath(path_)));
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        setError(error, QStringLiteral("无法读取凭据文件 %1：%2").arg(nativePath(path_), file.errorString()));
        return false;
    }
    content = file.readAll();
    return true;
}

bool CredentialFile::replaceAll(const QByteArray& content, QString* error) const
{
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) {
        setError(error, QStringLiteral("无法创建 %1").arg(nativePath(info.absolutePath())));
        return false;
    }
    // A temporary file is created owner-only; it replaces the old file whole.
    QTemporaryFile file(info.absoluteFilePath() + QStringLiteral("-XXXXXX"));
    if (!file.open()) {
        setError(error, QStringLiteral("无法写入凭据文件 %1：%2").arg(nativePath(path_), file.errorString()));
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(content) != content.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        setError(error, QStringLiteral("无法写入凭据文件 %1：%2").arg(nativePath(path_), file.errorString()));
        return false;
    }
    file.close();
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path_).constData()) != 0) {
        setError(error, QStringLiteral("无法写入凭据文件 %1：%2")
                            .arg(nativePath(path_), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

QString CredentialFile::read(const QString& target, QString* error) const
{
    QByteArray content;
    if (!readAll(content, error)) {
        return {};
    }
    QString password;
    for (const QByteArray& line : fileLines(content)) {
        QString lineTarget;
        QString linePassword;
        if (!isComment(line) && parseLine(QString::fromUtf8(line), lineTarget, linePassword) &&
            lineTarget == target) {
            password = linePassword;
            break;
        }
    }
    content.fill('\0');
    return password;
}

bool CredentialFile::store(const QString& target, const QString& password, QString* error) const
{
    QByteArray content;
    if (!readRaw(path_, content, error)) {
        return false;
    }
    QByteArray updated;
    for (const QByteArray& line : fileLines(content)) {
        QString lineTarget;
        QString linePassword;
        const bool sameTarget = !isComment(line) && parseLine(QString::fromUtf8(line), lineTarget, linePassword) &&
                                lineTarget == target;
        if (!sameTarget && !line.isEmpty()) {
            updated += line + '\n';
        }
    }
    updated += (escape(target) + QLatin1Char(':') + escape(password)).toUtf8() + '\n';
    const bool written = replaceAll(updated, error);
    content.fill('\0');
    updated.fill('\0');
    return written;
}

bool CredentialFile::clear(const QString& target, bool* removed, QString* error) const
{
    *removed = false;
    QByteArray content;
    if (!readRaw(path_, content, error)) {
        return false;
    }
    QByteArray kept;
    bool keepsCredential = false;
    for (const QByteArray& line : fileLines(content)) {
        QString lineTarget;
        QString linePassword;
        const bool parsed = !isComment(line) && parseLine(QString::fromUtf8(line), lineTarget, linePassword);
        if (parsed && lineTarget == target) {
            *removed = true;
            continue;
        }
        keepsCredential = keepsCredential || parsed;
        if (!line.isEmpty()) {
            kept += line + '\n';
        }
    }
    content.fill('\0');
    if (!*removed) {
        return true;
    }
    if (!keepsCredential) {
        QFile file(path_);
        if (!file.remove()) {
            setError(error, QStringLiteral("无法删除凭据文件 %1：%2").arg(nativePath(path_), file.errorString()));
            return false;
        }
        return true;
    }
    const bool written = replaceAll(kept, error);
    kept.fill('\0');
    return written;
}

}  // namespace hazard_desk
