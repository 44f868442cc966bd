// Test entry point for the SSH export: a Qt Core application whose home,
// standard folders and working folder (where "logs" goes) are a fresh
// temporary folder, so PuTTY's host-key cache, the extracted tools, the
// credential file and the logs of a run never touch the user's own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    QTemporaryDir sandbox(QDir::tempPath() + QStringLiteral("/hd-ssh-test-XXXXXX"));
    if (!sandbox.isValid()) {
        return 1;
    }
    qputenv("HOME", QFile::encodeName(sandbox.path()));
    // Without a .putty folder in $HOME, plink keeps its host keys in the
    // .putty folder of the account's own home when that one exists.
    QDir(sandbox.path()).mkdir(QStringLiteral(".putty"));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    QDir::setCurrent(sandbox.path());
    QStandardPaths::setTestModeEnabled(true);

    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("VQ8 Hazard Desk"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
