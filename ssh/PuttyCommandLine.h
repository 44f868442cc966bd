#pragma once
// The argument lists of plink and pscp. The password travels only as the
// path of its file ("-pwfile"); the host is always an address, so it can
// never be read as an option.
#include <QString>
#include <QStringList>

#include "SshTarget.h"

namespace hazard_desk {

class PuttyCommandLine {
public:
    // "-ssh -batch -P port -l user -noagent -pwfile file [-hostkey key]".
    static QStringList common(const SshTarget& target, const QString& passwordFile);

    // plink: the common part, the host, then the remote script as one argument.
    static QStringList plink(const SshTarget& target, const QString& passwordFile, const QString& script);

    // pscp: "-r -scp", the common part, "host:remoteDir", localDir.
    static QStringList pscp(const SshTarget& target, const QString& passwordFile, const QString& remoteDir,
                            const QString& localDir);
};

}  // namespace hazard_desk
