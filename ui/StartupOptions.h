#pragma once
// Command-line options of the workstation executable:
//   --connect IP      connect to the camera at IP once the window is up
//   --language CODE   preferred language of the interface
//   --version         print the version and exit
// Both also accept the "--option=value" form. Qt's own options have already
// been removed by QApplication when these are parsed.
#include <QString>
#include <QStringList>

namespace hazard_desk {

struct StartupOptions {
    QString connectAddress;   // empty: no automatic connection
    QString language;         // empty: keep the stored or default language
    bool helpRequested = false;
    bool versionRequested = false;
};

struct StartupOptionsResult {
    StartupOptions options;
    QString error;            // empty on success; names the option and the value

    bool ok() const { return error.isEmpty(); }
};

class StartupOptionsParser {
public:
    // arguments[0] is the program name.
    static StartupOptionsResult parse(const QStringList& arguments);
    static QString usage(const QString& programName);
    // Four decimal fields 0..255 separated by dots, no leading zeros.
    static bool isIpv4Address(const QString& text);
    // A language tag such as "zh-CN", "en" or "en_US".
    static bool isLanguageCode(const QString& text);
};

}  // namespace hazard_desk
