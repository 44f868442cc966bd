// The SSH export's parts on their own: its process runs and what it reads
// from them (how a run ended, the text a failure shows, the camera's ready
// line, which camera folder an export may use), the PuTTY tools written out
// of the program, the password file handed to them, and the password store
// of Linux workstations.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include "CredentialFile.h"
#include "ProcessResultText.h"
#include "PuttyPasswordFile.h"
#include "RemoteImageScripts.h"
#include "SshProcessRunner.h"
#include "SshToolExtraction.h"

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
    EXPECT_FALSE(result.isClean());
    EXPECT_FALSE(result.errorText.isEmpty());
}

ProcessResult exited(int code, const QString& error)
{
    ProcessResult result;
    result.started = true;
    result.exitStatus = 0;
    result.exitCode = code;
    result.standardError = error;
    return result;
}

TEST(ProcessResultText, DescribesEachKindOfFailureWithoutThePassword)
{
    ProcessResult notStarted;
    notStarted.errorText = QStringLiteral("No such file or directory");
    ProcessResult timedOut = exited(-1, QStringLiteral("ignored"));
    timedOut.timedOut = true;

    const QString longError(2000, QLatin1Char('x'));
    const struct {
        const char* name;
        ProcessResult result;
        QString password;
        QString expected;
    } cases[] = {
        {"not started", notStarted, QString(), QStringLiteral("无法启动 SSH 客户端：No such file or directory")},
        {"timed out", timedOut, QString(), QStringLiteral("SSH 操作超时")},
        {"standard error trimmed", exited(1, QStringLiteral("\n Access denied \r\n")), QString(),
         QStringLiteral("Access denied")},
        {"exit code when nothing else", exited(7, QString()), QString(), QStringLiteral("SSH 返回错误码 7")},
        {"password masked, case-sensitive", exited(1, QStringLiteral("pw=Se:cret se:cret Se:cretSe:cret")),
         QStringLiteral("Se:cret"), QStringLiteral("pw=****** se:cret ************")},
        {"empty password masks nothing", exited(1, QStringLiteral("abc")), QString(), QStringLiteral("abc")},
        {"long text cut to 800", exited(1, longError), QString(), QString(800, QLatin1Char('x')) + QStringLiteral("…")},
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
        {"/tmp/x/AvoidanceImage", "192.168.1.20", "/userdata/const/AvoidanceImage"},
        {"relative/dir", "127.0.0.1", "/userdata/const/AvoidanceImage"},
        {"/", "127.0.0.1", "/userdata/const/AvoidanceImage"},
    };
    for (const auto& c : cases) {
        qputenv(RemoteImageScripts::kTestDirectoryVariable, c.variable);
        EXPECT_EQ(RemoteImageScripts::imageDirectory(QString::fromLatin1(c.host)), QString::fromLatin1(c.expected))
            << c.variable << " " << c.host;
    }
    qputenv(RemoteImageScripts::kTestDirectoryVariable, saved);
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

QByteArray readRaw(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SshToolExtraction, WritesBothToolsIntoTheFirstUsableBaseFolder)
{
    QTemporaryDir folder;
    const QString blocked = folder.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(QFile(blocked).open(QIODevice::WriteOnly)) << "a file where a folder should be";
    const QString foreign = folder.filePath(QStringLiteral("foreign"));
    ASSERT_TRUE(QDir().mkpath(foreign + QStringLiteral("/VQ8")));
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        // Another user's folder in a shared place is never used.
        ASSERT_EQ(::chown(QFile::encodeName(foreign + QStringLiteral("/VQ8")).constData(), 65534, 65534), 0);
    }
    const QString usable = folder.filePath(QStringLiteral("usable"));
    const QByteArray plink("plink bytes");
    const QByteArray pscp("pscp bytes");

    const SshToolPaths paths = SshToolExtraction::extract(plink, pscp, {blocked, foreign, usable});
    ASSERT_TRUE(paths.complete()) << paths.error.toStdString();
    const QString tools = usable + QStringLiteral("/VQ8/putty-ssh/");
    EXPECT_EQ(readRaw(paths.plinkPath), plink);
    EXPECT_EQ(readRaw(paths.pscpPath), pscp);
    EXPECT_TRUE(paths.plinkPath.startsWith(tools)) << paths.plinkPath.toStdString();
    EXPECT_EQ(modeOf(tools) & 077, 0u) << "the tool folder is closed to others";
    if (asRoot) {
        EXPECT_FALSE(QFileInfo::exists(foreign + QStringLiteral("/VQ8/putty-ssh/") + QFileInfo(paths.plinkPath).fileName()));
    }

    const SshToolPaths none = SshToolExtraction::extract(plink, pscp, {blocked});
    EXPECT_FALSE(none.complete());
    EXPECT_TRUE(none.error.startsWith(QStringLiteral("无法创建 "))) << none.error.toStdString();
}

TEST(PuttyPasswordFile, HoldsThePasswordForOwnerOnlyUntilItGoesAway)
{
    QString path;
    {
        PuttyPasswordFile file;
        QString error;
        ASSERT_TRUE(file.create(QStringLiteral("pä:ss word"), &error)) << error.toStdString();
        path = file.path();
        EXPECT_TRUE(path.startsWith(PuttyPasswordFile::baseFolder() + QStringLiteral("/VQ8/putty-ssh/")));
        EXPECT_EQ(readRaw(path), QStringLiteral("pä:ss word\n").toUtf8());
        EXPECT_EQ(modeOf(path), 0600u);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

const QString kCredentialTarget = QStringLiteral("VQ8.FleetUpdate.SSH.root");

TEST(CredentialFile, StoresPasswordsOfAnyTextBesideOtherTargets)
{
    QTemporaryDir folder;
    const CredentialFile file(folder.filePath(QStringLiteral("conf/ssh-credentials")));
    QString error;
    bool removed = true;
    ASSERT_TRUE(file.clear(kCredentialTarget, &removed, &error));
    EXPECT_FALSE(removed) << "nothing stored yet";
    EXPECT_EQ(file.read(kCredentialTarget, &error), QString());
    EXPECT_TRUE(error.isEmpty()) << "a missing file is no error";

    ASSERT_TRUE(file.store(QStringLiteral("other:target"), QStringLiteral("kept"), &error));
    for (const QString& password : {QStringLiteral("plain"), QStringLiteral("with:colon"), QStringLiteral("back\\slash\\"),
                                    QStringLiteral(" spaces "), QStringLiteral("#notacomment"),
                                    QStringLiteral("密码-ü-ệ"), QStringLiteral("\\:\\:")}) {
        ASSERT_TRUE(file.store(kCredentialTarget, password, &error)) << error.toStdString();
        EXPECT_EQ(modeOf(file.path()), 0600u);
        EXPECT_EQ(file.read(kCredentialTarget, &error), password);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }

    ASSERT_TRUE(file.clear(kCredentialTarget, &removed, &error));
    EXPECT_TRUE(removed);
    EXPECT_EQ(file.read(kCredentialTarget, &error), QString());
    EXPECT_EQ(file.read(QStringLiteral("other:target"), &error), QStringLiteral("kept"));
    ASSERT_TRUE(file.clear(QStringLiteral("other:target"), &removed, &error));
    EXPECT_FALSE(QFileInfo::exists(file.path())) << "removed with its last credential";
}

// A file others can read or write, or that belongs to another user, is
// never used; storing again repairs the mode.
TEST(CredentialFile, IgnoresAFileOthersCanAccess)
{
    const struct {
        mode_t mode;
        bool foreignOwner;
        const char* refusal;  // null: the file is used
    } cases[] = {
        {0600, false, nullptr},
        {0400, false, nullptr},
        {0640, false, "可被其他用户访问"},
        {0604, false, "可被其他用户访问"},
        {0620, false, "可被其他用户访问"},
        {0600, true, "不属于当前用户"},
    };
    for (const auto& c : cases) {
        if (c.foreignOwner && ::geteuid() != 0) {
            continue;  // giving the file away needs root
        }
        QTemporaryDir folder;
        const CredentialFile file(folder.filePath(QStringLiteral("ssh-credentials")));
        QString error;
        ASSERT_TRUE(file.store(kCredentialTarget, QStringLiteral("secret"), &error));
        ASSERT_EQ(::chmod(QFile::encodeName(file.path()).constData(), c.mode), 0);
        if (c.foreignOwner) {
            ASSERT_EQ(::chown(QFile::encodeName(file.path()).constData(), 65534, 65534), 0);
        }
        const QString password = file.read(kCredentialTarget, &error);
        EXPECT_EQ(password, c.refusal == nullptr ? QStringLiteral("secret") : QString()) << std::oct << c.mode;
        if (c.refusal == nullptr) {
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            continue;
        }
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.refusal))) << error.toStdString();
        EXPECT_FALSE(error.contains(QStringLiteral("secret")));
        if (!c.foreignOwner) {
            ASSERT_TRUE(file.store(kCredentialTarget, QStringLiteral("secret"), &error));
            EXPECT_EQ(modeOf(file.path()), 0600u);
        }
    }
}

}  // namespace
}  // namespace hazard_desk
