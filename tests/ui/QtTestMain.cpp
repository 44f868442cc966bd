// Test entry point for the window tests: one QApplication for all tests, and
// the settings redirected into a temporary folder so no test touches the
// user's own workstation settings. The language stored there is Chinese.
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
    // The window picks the system's language; the tests read the Chinese
    // source texts whatever the machine's locale.
    QSettings().setValue(QStringLiteral("ui/language"), QStringLiteral("zh-CN"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
