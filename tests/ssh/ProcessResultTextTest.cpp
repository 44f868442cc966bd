#include <gtest/gtest.h>

#include "HostKeyLearning.h"
#include "ProcessResultText.h"

namespace hazard_desk {
namespace {

ProcessResult exited(int code, const QString& error, const QString& output = QString())
{
    ProcessResult result;
    result.started = true;
    result.exitStatus = 0;
    result.exitCode = code;
    result.standardError = error;
    result.standardOutput = output;
    return result;
}

TEST(ProcessResultText, DescribesEachKindOfFailureWithoutThePassword)
{
    ProcessResult notStarted;
    notStarted.errorText = QStringLiteral("No such file or directory");
    ProcessResult timedOut = exited(-1, QStringLiteral("ignored"));
    timedOut.timedOut = true;
    ProcessResult crashed = exited(0, QStringLiteral("ignored"));
    crashed.exitStatus = 1;
    ProcessResult processError = exited(1, QString());
    processError.errorText = QStringLiteral("  Process failed  ");

    const QString longError(2000, QLatin1Char('x'));
    const struct {
        const char* name;
        ProcessResult result;
        QString password;
        QString expected;
    } cases[] = {
        {"not started", notStarted, QString(), QStringLiteral("无法启动 SSH 客户端：No such file or directory")},
        {"timed out", timedOut, QString(), QStringLiteral("SSH 操作超时")},
        {"crashed", crashed, QString(), QStringLiteral("SSH 客户端进程异常退出")},
        {"standard error trimmed", exited(1, QStringLiteral("\n Access denied \r\n")), QString(),
         QStringLiteral("Access denied")},
        {"process error when stderr is empty", processError, QString(), QStringLiteral("Process failed")},
        {"exit code when nothing else", exited(7, QString()), QString(), QStringLiteral("SSH 返回错误码 7")},
        {"password masked, case-sensitive", exited(1, QStringLiteral("pw=Se:cret se:cret Se:cretSe:cret")),
         QStringLiteral("Se:cret"), QStringLiteral("pw=****** se:cret ************")},
        {"empty password masks nothing", exited(1, QStringLiteral("abc")), QString(), QStringLiteral("abc")},
        {"line break runs folded", exited(1, QStringLiteral("a\r\n\r\nb\nc\rd")), QString(),
         QStringLiteral("a b c d")},
        {"long text cut to 800", exited(1, longError), QString(), QString(800, QLatin1Char('x')) + QStringLiteral("…")},
        {"800 characters kept whole", exited(1, QString(800, QLatin1Char('y'))), QString(),
         QString(800, QLatin1Char('y'))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describeProcessResult(c.result, c.password), c.expected) << c.name;
    }
}

TEST(HostKeyLearning, LearnsOnlyAFirstContactKey)
{
    const QString notCached = QStringLiteral(
        "The host key is not cached for this server:\n  127.0.0.1 (port 2222)\n"
        "The server's ssh-ed25519 key fingerprint is:\n  ssh-ed25519 255 SHA256:qVj1Ayt6PvL/jHUs+z/qqVTHM7lJXfLbhjgBMR6kmU=\n"
        "FATAL ERROR: Cannot confirm a host key in batch mode\n");
    const QString changed = QStringLiteral(
        "WARNING - POTENTIAL SECURITY BREACH!\nThe host key does not match the one Plink has cached; "
        "the host key is not cached as this one\nSHA256:NlofKtQN69EOI+iSdaLk56EUwgh6o60Tj10BZ5LFH7Y\n");
    const struct {
        const char* name;
        ProcessResult result;
        QString expected;
    } cases[] = {
        {"first contact in stderr", exited(1, notCached),
         QStringLiteral("SHA256:qVj1Ayt6PvL/jHUs+z/qqVTHM7lJXfLbhjgBMR6kmU=")},
        {"first contact in stdout", exited(1, QString(), notCached),
         QStringLiteral("SHA256:qVj1Ayt6PvL/jHUs+z/qqVTHM7lJXfLbhjgBMR6kmU=")},
        {"changed key is never learned", exited(1, changed), QString()},
        {"no fingerprint printed", exited(1, QStringLiteral("Host key is NOT cached")), QString()},
        {"other failure", exited(1, QStringLiteral("Access denied SHA256:abc")), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(learnableHostKey(c.result), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace hazard_desk
