#include "SshProcessRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include "SshLog.h"

namespace hazard_desk {

namespace {

QString workingFolder()
{
    return QCoreApplication::instance() != nullptr ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

}  // namespace

ProcessResult runProcess(const QString& program, const QStringList& arguments, int timeoutMs,
                         const std::atomic_bool& cancelFlag)
{
    ProcessResult result;
    const std::string tool = QFileInfo(program).fileName().toStdString();
    QProcess process;
    process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    process.setWorkingDirectory(workingFolder());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(SshProcessRunner::kStartTimeoutMs)) {
        result.errorText = process.errorString();
        process.kill();
        process.waitForFinished(SshProcessRunner::kKillWaitMs);
        sshLog()->error("{} did not start: {}", tool, result.errorText.toStdString());
        return result;
    }
    result.started = true;
    process.closeWriteChannel();

    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(SshProcessRunner::kPollStepMs)) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        if (cancelFlag.load()) {
            result.cancelled = true;
            sshLog()->warn("{} cancelled after {} ms", tool, clock.elapsed());
            process.terminate();
            if (!process.waitForFinished(SshProcessRunner::kTerminateGraceMs)) {
                process.kill();
                process.waitForFinished(SshProcessRunner::kKillWaitMs);
            }
            break;
        }
        if (clock.elapsed() >= timeoutMs) {
            result.timedOut = true;
            sshLog()->error("{} timed out after {} ms", tool, timeoutMs);
            process.kill();
            process.waitForFinished(SshProcessRunner::kKillWaitMs);
            break;
        }
    }

    result.standardOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.standardError = QString::fromLocal8Bit(process.readAllStandardError());
    if (process.state() == QProcess::NotRunning) {
        result.exitCode = process.exitCode();
        result.exitStatus = process.exitStatus() == QProcess::NormalExit ? 0 : 1;
    }
    // QProcess reports "Unknown error" when nothing went wrong; keep only real errors.
    if (process.error() != QProcess::UnknownError) {
        result.errorText = process.errorString();
    }
    return result;
}

}  // namespace hazard_desk
