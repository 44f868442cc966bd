#include "StartupOptions.h"

#include <QRegularExpression>

namespace hazard_desk {
namespace {

constexpr const char* kConnectOption = "--connect";
constexpr const char* kLanguageOption = "--language";

}  // namespace

bool StartupOptionsParser::isIpv4Address(const QString& text) {
    const QStringList fields = text.split(QLatin1Char('.'));
    if (fields.size() != 4) {
        return false;
    }
    for (const QString& field : fields) {
        if (field.isEmpty() || field.size() > 3 || (field.size() > 1 && field.startsWith(QLatin1Char('0')))) {
            return false;
        }
        for (const QChar c : field) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return false;
            }
        }
        if (field.toInt() > 255) {
            return false;
        }
    }
    return true;
}

bool StartupOptionsParser::isLanguageCode(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z]{2,3}([-_][A-Za-z0-9]{2,8})*$"));
    return pattern.match(text).hasMatch();
}

QString StartupOptionsParser::usage(const QString& programName) {
    return QStringLiteral("Usage: %1 [--connect IP] [--language CODE]\n"
                          "  --connect IP      connect to the camera at IP once the window is up\n"
                          "  --language CODE   preferred interface language, e.g. zh-CN or en\n"
                          "  --version         print the version and exit\n")
        .arg(programName);
}

StartupOptionsResult StartupOptionsParser::parse(const QStringList& arguments) {
    StartupOptionsResult result;
    bool connectSeen = false;
    bool languageSeen = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            result.options.helpRequested = true;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            result.options.versionRequested = true;
            continue;
        }
        QString name = argument;
        QString value;
        bool hasValue = false;
        const int equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
            hasValue = true;
        }
        const bool isConnect = name == QLatin1String(kConnectOption);
        const bool isLanguage = name == QLatin1String(kLanguageOption);
        if (!isConnect && !isLanguage) {
            result.error = QStringLiteral("unknown option '%1'").arg(argument);
            return result;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                result.error = QStringLiteral("option '%1' needs a value").arg(name);
                return result;
            }
            value = arguments.at(++i);
        }
        value = value.trimmed();
        bool& seen = isConnect ? connectSeen : languageSeen;
        if (seen) {
            result.error = QStringLiteral("option '%1' is given more than once").arg(name);
            return result;
        }
        seen = true;
        if (isConnect) {
            if (!isIpv4Address(value)) {
                result.error = QStringLiteral("option '--connect' needs an IPv4 address, got '%1'").arg(value);
                return result;
            }
            result.options.connectAddress = value;
        } else {
            if (!isLanguageCode(value)) {
                result.error = QStringLiteral("option '--language' needs a language code such as zh-CN, got '%1'").arg(value);
                return result;
            }
            result.options.language = value;
        }
    }
    return result;
}

}  // namespace hazard_desk
