#include "SshToolExtraction.h"

#include <QDir>
#include <QStandardPaths>

#include "EmbeddedToolResource.h"
#include "PrivateFolder.h"
#include "SshLog.h"
#include "ToolFileWriter.h"

namespace hazard_desk {

namespace {

constexpr int kTagLength = 16;

SshToolPaths loadAndExtract()
{
    SshToolPaths paths;
    QByteArray plink;
    QByteArray pscp;
    for (auto [name, bytes] : {std::pair{EmbeddedToolResource::kPlinkResource, &plink},
                               std::pair{EmbeddedToolResource::kPscpResource, &pscp}}) {
        switch (EmbeddedToolResource::load(name, *bytes)) {
        case EmbeddedToolResource::Status::Loaded:
            break;
        case EmbeddedToolResource::Status::Missing:
            paths.error = QStringLiteral("主程序缺少内嵌 SSH 资源");
            sshLog()->error("SSH tool resource {} is missing", name);
            return paths;
        case EmbeddedToolResource::Status::Unreadable:
            paths.error = QStringLiteral("无法读取内嵌 SSH 资源");
            sshLog()->error("SSH tool resource {} is unreadable or empty", name);
            return paths;
        }
    }
    return SshToolExtraction::extract(plink, pscp, SshToolExtraction::baseFolders());
}

}  // namespace

QString SshToolExtraction::tag(const QByteArray& bytes)
{
    return QString::fromLatin1(ToolFileWriter::sha256Hex(bytes).left(kTagLength));
}

QStringList SshToolExtraction::baseFolders()
{
    QStringList bases{QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation), QDir::tempPath(),
                      qEnvironmentVariable("ProgramData")};
    bases.removeAll(QString());
    return bases;
}

SshToolPaths SshToolExtraction::extract(const QByteArray& plink, const QByteArray& pscp, const QStringList& bases)
{
    SshToolPaths paths;
    const QString plinkName = QStringLiteral("plink-%1.exe").arg(tag(plink));
    const QString pscpName = QStringLiteral("pscp-%1.exe").arg(tag(pscp));
    QString lastError;
    for (const QString& base : bases) {
        QString error;
        const QString folder = PrivateFolder::ensure(base, QString::fromLatin1(kToolFolder), &error);
        if (folder.isEmpty()) {
            lastError = error;
            sshLog()->warn("SSH tool folder under '{}' unusable: {}", base.toStdString(), error.toStdString());
            continue;
        }
        const QString plinkPath = QDir(folder).filePath(plinkName);
        if (!ToolFileWriter::write(plinkPath, plink, &error)) {
            lastError = QStringLiteral("无法释放 plink：%1").arg(error);
            sshLog()->warn("cannot write '{}': {}", plinkPath.toStdString(), error.toStdString());
            continue;
        }
        const QString pscpPath = QDir(folder).filePath(pscpName);
        if (!ToolFileWriter::write(pscpPath, pscp, &error)) {
            lastError = QStringLiteral("无法释放 pscp：%1").arg(error);
            sshLog()->warn("cannot write '{}': {}", pscpPath.toStdString(), error.toStdString());
            continue;
        }
        paths.plinkPath = plinkPath;
        paths.pscpPath = pscpPath;
        sshLog()->info("SSH tools ready: plink='{}' pscp='{}'", plinkPath.toStdString(), pscpPath.toStdString());
        return paths;
    }
    paths.error = lastError.isEmpty() ? QStringLiteral("无法释放内嵌 PuTTY SSH 客户端") : lastError;
    return paths;
}

const SshToolPaths& sshToolPaths()
{
    static const SshToolPaths paths = loadAndExtract();
    return paths;
}

bool sshExportAvailable(QString* error)
{
    const SshToolPaths& paths = sshToolPaths();
    if (paths.complete()) {
        return true;
    }
    if (error != nullptr) {
        *error = paths.error;
    }
    return false;
}

}  // namespace hazard_desk
