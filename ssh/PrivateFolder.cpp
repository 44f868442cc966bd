#include "PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "ErrorOut.h"

namespace hazard_desk {

namespace {

#ifndef Q_OS_WIN
// The folder must be a real folder of this user; it is then closed to others.
bool claimFolder(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        setError(error, QStringLiteral("无法创建 %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        setError(error, QStringLiteral("%1 不属于当前用户，拒绝使用").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0) {
        setError(error, QStringLiteral("无法限制 %1 的访问权限").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}
#endif

}  // namespace

QString PrivateFolder::ensure(const QString& base, const QString& relative, QString* error)
{
    const QString folder = QDir::cleanPath(base + QLatin1Char('/') + relative);
    if (!QDir().mkpath(folder)) {
        setError(error, QStringLiteral("无法创建 %1").arg(QDir::toNativeSeparators(folder)));
        return {};
    }
#ifndef Q_OS_WIN
    QString path = QDir::cleanPath(base);
    for (const QString& part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        if (!claimFolder(path, error)) {
            return {};
        }
    }
#endif
    return folder;
}

}  // namespace hazard_desk
