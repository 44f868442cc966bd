// The export against a real OpenSSH server on loopback (LoopbackSshServer),
// with the PuTTY tools the program carries, run as the window runs it: on
// the runner's thread, its reports queued back to this one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <map>
#include <thread>

#include "DeviceImageExport.h"
#include "EventLoopWait.h"
#include "ImageExportRunner.h"
#include "LoopbackSshServer.h"
#include "PuttyPasswordFile.h"
#include "RemoteImageScripts.h"
#include "SshToolExtraction.h"

namespace hazard_desk {
namespace {

const QString kPassword = QStringLiteral("Hz-t3st pa:ss#7");

using Tree = std::map<QString, QByteArray>;

Tree readTree(const QString& root)
{
    Tree tree;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        tree[QDir(root).relativeFilePath(file.fileName())] = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
    }
    return tree;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Every file the run left in the sandbox (logs, PuTTY's files, tools) that holds text.
QStringList filesContaining(const QByteArray& text)
{
    QStringList found;
    for (const auto& [path, content] : readTree(QDir::currentPath())) {
        if (content.contains(text)) {
            found << path;
        }
    }
    return found;
}

// The processes on the machine that match.
QStringList processesWhere(const std::function<bool(const QString& pid)>& matches)
{
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (matches(pid)) {
            found << pid;
        }
    }
    return found;
}

bool toolRunning(const QString& toolPath)
{
    return !processesWhere([&](const QString& pid) {
                return QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)) == toolPath;
            }).isEmpty();
}

class DeviceImageExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_ = std::make_unique<test::LoopbackSshServer>(kPassword);
        QString reason;
        if (!server_->start(&reason)) {
            GTEST_SKIP() << "sshd cannot start, SSH export not tested: " << reason.toStdString();
        }
        qputenv(RemoteImageScripts::kTestDirectoryVariable, QFile::encodeName(server_->imageDir()));
        QFile::remove(QDir::home().filePath(QStringLiteral(".putty/sshhostkeys")));
    }

    void TearDown() override
    {
        const QString passwordFolder = PuttyPasswordFile::baseFolder() + QStringLiteral("/VQ8/putty-ssh");
        EXPECT_TRUE(entries(passwordFolder).filter(QStringLiteral("credential-")).isEmpty())
            << "the password file is removed after every outcome";
    }

    void addImage(const QString& relativePath, const QByteArray& bytes)
    {
        const QString path = QDir(server_->imageDir()).filePath(relativePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray randomBytes(int size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
        return bytes;
    }

    ImageExportRequest request() const
    {
        ImageExportRequest request;
        request.target.host = QStringLiteral("127.0.0.1");
        request.target.port = server_->port();
        request.target.user = QString::fromLatin1(test::LoopbackSshServer::kAccount);
        request.target.password = kPassword;
        request.localDir = local_.filePath(QStringLiteral("export/today"));
        return request;
    }

    QString downloaded() const { return local_.filePath(QStringLiteral("export/today/AvoidanceImage")); }

    // One export through the runner, to its end; every report must reach
    // this thread, and a second export is refused while this one runs.
    int runExport(const ImageExportRequest& request, QString& error)
    {
        percents_.clear();
        int outcome = -1;
        QObject context;
        QObject::connect(&runner_, &ImageExportRunner::progressChanged, &context,
                         [&](int percent, const QString&, const QString& detail) {
                             EXPECT_EQ(QThread::currentThread(), qApp->thread());
                             percents_.push_back(percent);
                             lastDetail_ = detail;
                         });
        QObject::connect(&runner_, &ImageExportRunner::finished, &context,
                         [&](int result, const QString& text, const QString& localDir) {
                             EXPECT_EQ(QThread::currentThread(), qApp->thread());
                             EXPECT_EQ(localDir, request.localDir);
                             outcome = result;
                             error = text;
                         });
        EXPECT_TRUE(runner_.start(request));
        EXPECT_FALSE(runner_.start(request)) << "one export at a time";
        EXPECT_TRUE(test::waitUntil([&] { return outcome != -1; }, 120000));
        EXPECT_FALSE(runner_.running());
        return outcome;
    }

    std::unique_ptr<test::LoopbackSshServer> server_;
    QTemporaryDir local_;
    ImageExportRunner runner_;  // ends its export before the folders and the server go
    std::vector<int> percents_;
    QString lastDetail_;
};

TEST_F(DeviceImageExportTest, FirstContactDownloadsEveryFileAndEmptiesTheCameraFolder)
{
    addImage(QStringLiteral("obstacle-0001.png"), randomBytes(300 * 1024));
    addImage(QStringLiteral("2024-05-01/run 2/obstacle-0002.png"), randomBytes(4096));
    addImage(QStringLiteral(".index"), "hidden\n");
    addImage(QStringLiteral("2024-05-01/.meta"), "nested hidden\n");
    addImage(QStringLiteral("..odd"), "double-dot name\n");
    addImage(QStringLiteral("empty.png"), QByteArray());
    server_->handOver(server_->imageDir());
    const Tree camera = readTree(server_->imageDir());

    QString error;
    ASSERT_EQ(runExport(request(), error), kImageExportSucceeded) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(readTree(downloaded()), camera);
    EXPECT_TRUE(QFileInfo(server_->imageDir()).isDir()) << "the folder itself stays";
    EXPECT_TRUE(entries(server_->imageDir()).isEmpty()) << entries(server_->imageDir()).join(' ').toStdString();
    EXPECT_EQ(percents_, (std::vector<int>{5, 25, 80, 100}));
    EXPECT_EQ(lastDetail_, QStringLiteral("已导出 6 个文件，设备目录已清空"));
    // The key was learned for this export only, never stored in PuTTY's cache.
    EXPECT_FALSE(QFile::exists(QDir::home().filePath(QStringLiteral(".putty/sshhostkeys"))));
}

TEST_F(DeviceImageExportTest, AChangedHostKeyIsRefusedAndNothingIsCleared)
{
    // The engineer once accepted the camera's key in PuTTY; then the key changes.
    PuttyPasswordFile passwordFile;
    QString error;
    ASSERT_TRUE(passwordFile.create(kPassword, &error));
    QProcess plink;
    plink.start(sshToolPaths().plinkPath,
                {QStringLiteral("-ssh"), QStringLiteral("-P"), QString::number(server_->port()), QStringLiteral("-l"),
                 QString::fromLatin1(test::LoopbackSshServer::kAccount), QStringLiteral("-pwfile"),
                 passwordFile.path(), QStringLiteral("127.0.0.1"), QStringLiteral("true")});
    plink.write("y\n");
    ASSERT_TRUE(plink.waitForFinished(30000));
    ASSERT_TRUE(QFile::exists(QDir::home().filePath(QStringLiteral(".putty/sshhostkeys"))));
    addImage(QStringLiteral("obstacle-0001.png"), randomBytes(1024));
    server_->handOver(server_->imageDir());
    QString reason;
    ASSERT_TRUE(server_->restartWithNewHostKey(&reason)) << reason.toStdString();

    ASSERT_EQ(runExport(request(), error), kImageExportFailed);
    EXPECT_TRUE(error.contains(QStringLiteral("POTENTIAL SECURITY BREACH"))) << error.toStdString();
    EXPECT_EQ(entries(server_->imageDir()), QStringList{QStringLiteral("obstacle-0001.png")});
    EXPECT_FALSE(QFileInfo::exists(downloaded()));
    EXPECT_EQ(percents_, std::vector<int>{5});
}

TEST_F(DeviceImageExportTest, FailuresClearNothingAndNeverShowThePassword)
{
    // A file the login cannot read, named like the password: the copy fails
    // and the camera's message names it.
    addImage(QStringLiteral("obstacle-0001.png"), randomBytes(1024));
    server_->handOver(server_->imageDir());
    addImage(kPassword, "unreadable");
    QFile::setPermissions(QDir(server_->imageDir()).filePath(kPassword), QFileDevice::Permissions());

    QString error;
    ASSERT_EQ(runExport(request(), error), kImageExportFailed);
    EXPECT_TRUE(error.startsWith(QStringLiteral("设备存图下载失败："))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("******"))) << error.toStdString();
    EXPECT_EQ(entries(server_->imageDir()).size(), 2) << "nothing cleared";

    ImageExportRequest wrongPassword = request();
    wrongPassword.target.password = kPassword + QStringLiteral("-old");
    ASSERT_EQ(runExport(wrongPassword, error), kImageExportFailed);
    EXPECT_FALSE(error.isEmpty());
    for (const QString& text : {kPassword, wrongPassword.target.password}) {
        EXPECT_FALSE(error.contains(text));
        EXPECT_EQ(filesContaining(text.toUtf8()), QStringList());
    }

    ASSERT_TRUE(QDir(server_->imageDir()).removeRecursively());
    ASSERT_EQ(runExport(request(), error), kImageExportFailed);
    EXPECT_TRUE(error.contains(QStringLiteral("VQ8_IMAGE_DIR_MISSING"))) << error.toStdString();
}

TEST_F(DeviceImageExportTest, CancellingOrClosingMidDownloadEndsPscpAndClearsNothing)
{
    // A file long to copy that takes no room: 2 GiB, sparse.
    const QString big = QDir(server_->imageDir()).filePath(QStringLiteral("recording.bin"));
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(qint64(2) << 30));
    server_->handOver(server_->imageDir());
    QStringList leakedTo;
    bool sawDownload = false;
    std::thread watcher([&] {
        const QString partial = downloaded() + QStringLiteral("/recording.bin");
        for (int i = 0; i < 6000 && !sawDownload; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            sawDownload = QFileInfo(partial).size() > 0;
        }
        leakedTo = processesWhere([](const QString& pid) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
            return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(kPassword.toUtf8());
        });
        runner_.cancel();
    });
    QString error;
    const int outcome = runExport(request(), error);
    watcher.join();

    EXPECT_EQ(outcome, kImageExportCancelled) << error.toStdString();
    EXPECT_TRUE(sawDownload) << "cancelled while pscp was copying";
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(leakedTo, QStringList()) << "no command line carries the password";
    EXPECT_FALSE(toolRunning(sshToolPaths().pscpPath));
    EXPECT_TRUE(QFileInfo::exists(big)) << "nothing cleared";
    EXPECT_EQ(percents_, (std::vector<int>{5, 25}));

    // The window closes during a download: its runner cancels and waits.
    bool downloading = false;
    {
        ImageExportRunner closing;
        QObject::connect(&closing, &ImageExportRunner::progressChanged,
                         [&](int percent, const QString&, const QString&) { downloading = percent == 25; });
        ASSERT_TRUE(closing.start(request()));
        ASSERT_TRUE(test::waitUntil([&] { return downloading; }, 60000));
    }
    EXPECT_FALSE(toolRunning(sshToolPaths().pscpPath));
    EXPECT_TRUE(QFileInfo::exists(big)) << "nothing cleared";
}

TEST(DeviceImageExportRequest, RefusesIncompleteRequestsBeforeAnyConnection)
{
    QTemporaryDir local;
    QFile blocker(local.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const QString out = local.filePath(QStringLiteral("out"));
    const QString belowFile = blocker.fileName() + QStringLiteral("/x");
    const QString invalid = QStringLiteral("SSH 导出参数无效");
    const struct {
        const char* host;
        const char* password;
        QString localDir;
        bool cancelled;
        int outcome;
        QString error;
    } cases[] = {
        {"", "pw", out, false, kImageExportFailed, invalid},
        {"-proxycmd", "pw", out, false, kImageExportFailed, invalid},
        {"127.0.0.1", "", out, false, kImageExportFailed, invalid},
        {"127.0.0.1", "pw", QString(), false, kImageExportFailed, invalid},
        {"127.0.0.1", "pw", belowFile, false, kImageExportFailed, QStringLiteral("无法创建本地导出目录：%1").arg(belowFile)},
        {"127.0.0.1", "pw", out, true, kImageExportCancelled, QString()},
    };
    for (const auto& c : cases) {
        ImageExportRequest request;
        request.target.host = QString::fromLatin1(c.host);
        request.target.port = 1;  // nobody listens there: never reached
        request.target.password = QString::fromLatin1(c.password);
        request.localDir = c.localDir;
        const std::atomic_bool cancelFlag{c.cancelled};
        int progressCalls = 0;
        QString error;
        const auto progress = [&](int, const QString&, const QString&) { ++progressCalls; };
        EXPECT_EQ(exportDeviceImages(request, cancelFlag, progress, &error), c.outcome) << c.host;
        EXPECT_EQ(error, c.error) << c.host;
        EXPECT_EQ(progressCalls, 0) << c.host;
    }
}

}  // namespace
}  // namespace hazard_desk
