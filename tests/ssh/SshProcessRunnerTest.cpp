#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <thread>

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

}  // namespace
}  // namespace hazard_desk
