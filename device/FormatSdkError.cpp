#include "FormatSdkError.h"

#include "ZrCameraApi.h"

namespace hazard_desk {

QString formatSdkError(const QString& operation, std::int32_t status)
{
    const char* text = DcGetErrorString(status);
    const QString errorText = text != nullptr ? QString::fromLocal8Bit(text) : QStringLiteral("unknown");
    // One-pass substitution: an operation text containing "%2" stays as it is.
    return QStringLiteral("%1失败（SDK=%2，%3）").arg(operation, QString::number(status), errorText);
}

}  // namespace hazard_desk
