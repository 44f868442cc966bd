// Runs the workstation program itself, from a working directory of its own,
// with its settings in a temporary folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace {

struct WorkstationRun {
    bool finished = false;
    int exitCode = -1;
    QString errors;
};

WorkstationRun runWorkstation(const QString& workingDirectory, const QString& configHome,
                              const QStringList& arguments = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("HD_QUIT_AFTER_MS"), QStringLiteral("400"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(HD_WORKSTATION_EXECUTABLE), arguments);
    WorkstationRun run;
    if (!process.waitForStarted(5000)) {
        return run;
    }
    run.finished = process.waitForFinished(15000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    run.exitCode = process.exitCode();
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Where the camera SDK's log goes (under the working directory, never beside
// the program), and a language given on the command line holds for that run
// only: the stored choice is the user's, and closing the window keeps it.
TEST(HazardDeskProcess, SdkLogGoesUnderTheWorkingDirectoryAndTheLanguageHoldsForTheRunOnly) {
    const QString besideExecutable = QDir(QFileInfo(QStringLiteral(HD_WORKSTATION_EXECUTABLE)).absolutePath())
                                          .filePath(QStringLiteral("logs/zr_camera"));
    const bool besideBefore = QFileInfo::exists(besideExecutable);
    QTemporaryDir workingDirectory;
    QTemporaryDir configHome;
    const QString settingsPath = QDir(configHome.path()).filePath(QStringLiteral("Corvane/VQ8 Hazard Desk.conf"));
    QSettings(settingsPath, QSettings::IniFormat).setValue(QStringLiteral("ui/language"), QStringLiteral("vi-VN"));
    const WorkstationRun run = runWorkstation(workingDirectory.path(), configHome.path(),
                                              {QStringLiteral("--language"), QStringLiteral("ja")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(QFileInfo(QDir(workingDirectory.path()).filePath(QStringLiteral("logs/zr_camera"))).isDir());
    if (!besideBefore) {
        EXPECT_FALSE(QFileInfo::exists(besideExecutable)) << "the SDK log was placed beside the executable";
    }
    EXPECT_EQ(QSettings(settingsPath, QSettings::IniFormat).value(QStringLiteral("ui/language")).toString(),
              QStringLiteral("vi-VN"));
}

}  // namespace
