// The SSH export's process runs and what it reads from them: how a run
// ended, the text a failure shows, the camera's ready line, and which camera
// folder an export may use.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <thread>

#include "ProcessResultText.h"
#include "RemoteImageScripts.h"
#include "SshProcessRunner.h"

namespace hazard_desk {
namespace {

TEST(SshProcessRunner, ReportsHowEachRunEnded)
{
    const struct {
        const char* name;
        const char* script;
        int timeoutMs;
        bool cancel;
        bool clean, timedOut, cancelled;
        int exitCode;
        const char* out;
        const char* err;
    } cases[] = {
        {"clean", "echo done", 5000, false, true, false, false, 0, "done\n", ""},
        {"separate channels and exit code", "echo out; echo err >&2; exit 3", 5000, false, false, false, false, 3,
         "out\n", "err\n"},
        {"input closed at once", "cat; echo eof", 5000, false, true, false, false, 0, "eof\n", ""},
        {"timed out", "echo partial; exec sleep 20", 300, false, false, true, false, -1, "partial\n", ""},
        {"cancelled", "exec sleep 20", 30000, true, false, false, true, -1, "", ""},
        {"cancelled, ignoring terminate", "trap '' TERM; exec sleep 20", 30000, true, false, false, true, -1, "", ""},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const QString pidFile = folder.filePath(QStringLiteral("pid"));
        std::atomic_bool cancelFlag{false};
        std::thread canceller;
        if (c.cancel) {
            canceller = std::thread([&] {
                while (!QFile::exists(pidFile)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                cancelFlag = true;
            });
        }
        const QString script = QStringLiteral("echo $$ > '%1'; %2").arg(pidFile, QString::fromLatin1(c.script));
        const ProcessResult result =
            runProcess(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, c.timeoutMs, cancelFlag);
        if (canceller.joinable()) {
            canceller.join();
        }
        EXPECT_TRUE(result.started) << c.name;
        EXPECT_EQ(result.isClean(), c.clean) << c.name;
        EXPECT_EQ(result.timedOut, c.timedOut) << c.name;
        EXPECT_EQ(result.cancelled, c.cancelled) << c.name;
        if (c.exitCode >= 0) {
            EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
            EXPECT_EQ(result.exitStatus, 0) << c.name;
            EXPECT_TRUE(result.errorText.isEmpty()) << c.name << ": " << result.errorText.toStdString();
        }
        EXPECT_EQ(result.standardOutput, QString::fromLatin1(c.out)) << c.name;
        EXPECT_EQ(result.standardError, QString::fromLatin1(c.err)) << c.name;
        QFile pid(pidFile);
        ASSERT_TRUE(pid.open(QIODevice::ReadOnly)) << c.name;
        EXPECT_NE(::kill(pid.readAll().trimmed().toInt(), 0), 0) << c.name << ": the process is gone";
    }
}

TEST(SshProcessRunner, ReportsAProgramThatDoesNotStart)
{
    const std::atomic_bool cancelFlag{false};
    const ProcessResult result = runProcess(QStringLiteral("/nonexistent/plink"), {}, 1000, cancelFlag);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.errorText.isEmpty());
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.exitStatus, 1);
}

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

TEST(RemoteImageScripts, ReadsTheCountOfTheFirstReadyLine)
{
    const struct {
        const char* output;
        bool ok;
        const char* countText;
        int count;
    } cases[] = {
        {"VQ8_IMAGES_READY:12\n", true, "12", 12},
        {"motd line\r\nVQ8_IMAGES_READY:  3 \r\nVQ8_IMAGES_READY:9\n", true, "3", 3},
        {"VQ8_IMAGES_READY:0", true, "0", 0},
        {"VQ8_IMAGES_READY:\n", false, "", 0},
        {"VQ8_IMAGES_READY:many\n", false, "many", 0},
        {"VQ8_IMAGES_READY:-1\n", false, "-1", 0},
        {" VQ8_IMAGES_READY:4\n", false, "", 0},
        {"nothing\n", false, "", 0},
    };
    for (const auto& c : cases) {
        QString countText;
        int count = -1;
        EXPECT_EQ(RemoteImageScripts::readyCount(QString::fromLatin1(c.output), countText, count), c.ok) << c.output;
        EXPECT_EQ(countText, QString::fromLatin1(c.countText)) << c.output;
        EXPECT_EQ(count, c.count) << c.output;
    }
}

TEST(RemoteImageScripts, TheTestFolderIsOnlyForLoopbackHosts)
{
    const QByteArray saved = qgetenv(RemoteImageScripts::kTestDirectoryVariable);
    const struct {
        const char* variable;
        const char* host;
        const char* expected;
    } cases[] = {
        {"/tmp/x/AvoidanceImage", "127.0.0.1", "/tmp/x/AvoidanceImage"},
        {"/tmp/x/AvoidanceImage", "127.3.2.1", "/tmp/x/AvoidanceImage"},
        {"/tmp/x/AvoidanceImage", "192.168.1.20", "/userdata/const/AvoidanceImage"},
        {"relative/dir", "127.0.0.1", "/userdata/const/AvoidanceImage"},
        {"/", "127.0.0.1", "/userdata/const/AvoidanceImage"},
        {"", "127.0.0.1", "/userdata/const/AvoidanceImage"},
    };
    for (const auto& c : cases) {
        qputenv(RemoteImageScripts::kTestDirectoryVariable, c.variable);
        EXPECT_EQ(RemoteImageScripts::imageDirectory(QString::fromLatin1(c.host)), QString::fromLatin1(c.expected))
            << c.variable << " " << c.host;
    }
    qputenv(RemoteImageScripts::kTestDirectoryVariable, saved);
}

}  // namespace
}  // namespace hazard_desk
