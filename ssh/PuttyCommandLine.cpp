#include "PuttyCommandLine.h"

#include <QDir>

namespace hazard_desk {

QStringList PuttyCommandLine::common(const SshTarget& target, const QString& passwordFile)
{
    QStringList arguments{QStringLiteral("-ssh"),    QStringLiteral("-batch"), QStringLiteral("-P"),
                          QString::number(target.port), QStringLiteral("-l"), target.user,
                          QStringLiteral("-noagent"), QStringLiteral("-pwfile"), passwordFile};
    if (!target.hostKey.isEmpty()) {
        arguments << QStringLiteral("-hostkey") << target.hostKey;
    }
    return arguments;
}

QStringList PuttyCommandLine::plink(const SshTarget& target, const QString& passwordFile, const QString& script)
{
    return common(target, passwordFile) << target.host << script;
}

QStringList PuttyCommandLine::pscp(const SshTarget& target, const QString& passwordFile, const QString& remoteDir,
                                   const QString& localDir)
{
    return QStringList{QStringLiteral("-r"), QStringLiteral("-scp")}
           << common(target, passwordFile) << QStringLiteral("%1:%2").arg(target.host, remoteDir)
           << QDir::toNativeSeparators(localDir);
}

}  // namespace hazard_desk
