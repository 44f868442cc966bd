#include "HostKeyLearning.h"

#include <QRegularExpression>

namespace hazard_desk {

QString learnableHostKey(const ProcessResult& result)
{
    const QString text = result.standardError + QLatin1Char('\n') + result.standardOutput;
    const QString lower = text.toLower();
    if (!lower.contains(QLatin1String("host key is not cached")) ||
        lower.contains(QLatin1String("potential security breach"))) {
        return {};
    }
    static const QRegularExpression fingerprint(QStringLiteral("SHA256:[A-Za-z0-9+/]+={0,2}"));
    return fingerprint.match(text).captured(0);
}

}  // namespace hazard_desk
