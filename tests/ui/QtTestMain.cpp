// Test entry point for the window tests: one QApplication for all tests, and
// the settings redirected into a temporary folder so no test touches the
// user's own workstation settings.
#include "LanguageManager.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    // Test discovery at build time runs without a display: fall back to the
    // offscreen platform there; under Xvfb the real X display is used.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("VQ8 Hazard Desk"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.19"));
    // The window would pick the system's language; the tests read the
    // Chinese source texts whatever the machine's locale (the process-wide
    // manager is set up once, so later windows keep this choice).
    hazard_desk::LanguageManager::instance().init(QStringLiteral("zh-CN"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
