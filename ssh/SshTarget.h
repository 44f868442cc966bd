#pragma once
// Where and as whom the image export logs in. A plain value; the export
// thread works on its own copy.
#include <QString>
#include <QtGlobal>

namespace hazard_desk {

struct SshTarget {
    QString host;            // the camera's IPv4 address text
    quint16 port = 22;
    QString user = QStringLiteral("root");
    QString password;
    QString hostKey;         // "SHA256:..." fingerprint, empty until learned
};

}  // namespace hazard_desk
