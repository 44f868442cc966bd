#include "ProcessResultText.h"

#include <QRegularExpression>

namespace hazard_desk {

QString describeProcessResult(const ProcessResult& result, const QString& password)
{
    QString text;
    if (!result.started) {
        text = QStringLiteral("无法启动 SSH 客户端：%1").arg(result.errorText);
    } else if (result.timedOut) {
        text = QStringLiteral("SSH 操作超时");
    } else if (result.exitStatus != 0) {
        text = QStringLiteral("SSH 客户端进程异常退出");
    } else {
        text = result.standardError.trimmed();
        if (text.isEmpty()) {
            text = result.errorText.trimmed();
        }
        if (text.isEmpty()) {
            text = QStringLiteral("SSH 返回错误码 %1").arg(result.exitCode);
        }
    }
    // An empty password would match between every character.
    if (!password.isEmpty()) {
        text.replace(password, QString::fromLatin1(ProcessResultText::kPasswordMask), Qt::CaseSensitive);
    }
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    text.replace(lineBreaks, QStringLiteral(" "));
    if (text.size() > ProcessResultText::kMaxLength) {
        text = text.left(ProcessResultText::kMaxLength) + QStringLiteral("…");
    }
    return text;
}

}  // namespace hazard_desk
