// The files of the SSH export: the PuTTY tools written out of the program,
// the password file handed to them, and the password store of Linux
// workstations.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "CredentialFile.h"
#include "PuttyPasswordFile.h"
#include "SshToolExtraction.h"
#include "ToolFileWriter.h"

namespace hazard_desk {
namespace {

struct stat statOf(const QString& path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

mode_t modeOf(const QString& path)
{
    return statOf(path).st_mode & 0777;
}

void writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readRaw(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ToolFileWriter, LeavesAnIdenticalFileAloneAndReplacesADifferentOne)
{
    const QByteArray tool = QByteArray("\x7f" "ELF plink build 0.78", 21).repeated(70000);  // crosses 1 MiB
    const struct {
        const char* name;
        QByteArray existing;  // null: no file yet
        bool rewritten;
    } cases[] = {
        {"no file", QByteArray(), true},
        {"identical file", tool, false},
        {"older build, same size", QByteArray(tool).replace(0, 4, "OLD!"), true},
        {"older build, other size", tool.left(1000), true},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("plink-tag.exe"));
        const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
        ino_t inode = 0;
        if (!c.existing.isNull()) {
            writeRaw(path, c.existing);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.setFileTime(old, QFileDevice::FileModificationTime);
            inode = statOf(path).st_ino;
        }
        QString error;
        ASSERT_TRUE(ToolFileWriter::write(path, tool, &error)) << c.name << ": " << error.toStdString();
        EXPECT_EQ(readRaw(path), tool) << c.name;
        EXPECT_TRUE(QFileInfo(path).isExecutable()) << c.name;
        const bool untouched = inode == statOf(path).st_ino && QFileInfo(path).lastModified() == old;
        EXPECT_EQ(untouched, !c.rewritten) << c.name;
    }
}

TEST(SshToolExtraction, WritesBothToolsIntoTheFirstUsableBaseFolder)
{
    QTemporaryDir folder;
    const QString blocked = folder.filePath(QStringLiteral("blocked"));
    writeRaw(blocked, "a file where a folder should be");
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
    EXPECT_EQ(paths.plinkPath, tools + QStringLiteral("plink-%1.exe").arg(SshToolExtraction::tag(plink)));
    EXPECT_EQ(paths.pscpPath, tools + QStringLiteral("pscp-%1.exe").arg(SshToolExtraction::tag(pscp)));
    EXPECT_EQ(readRaw(paths.plinkPath), plink);
    EXPECT_EQ(readRaw(paths.pscpPath), pscp);
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
        EXPECT_TRUE(QRegularExpression(QStringLiteral("/VQ8/putty-ssh/credential-[^/]{6}\\.tmp$")).match(path).hasMatch())
            << path.toStdString();
        EXPECT_TRUE(path.startsWith(PuttyPasswordFile::baseFolder()));
        QFile content(path);
        ASSERT_TRUE(content.open(QIODevice::ReadOnly));
        EXPECT_EQ(content.readAll(), QStringLiteral("pä:ss word\n").toUtf8());
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

TEST(CredentialFile, IgnoresAFileOthersCanAccess)
{
    const struct {
        mode_t mode;
        bool used;
    } cases[] = {{0600, true}, {0400, true}, {0640, false}, {0604, false}, {0620, false}, {0666, false}};
    for (const auto& c : cases) {
        QTemporaryDir folder;
        const CredentialFile file(folder.filePath(QStringLiteral("ssh-credentials")));
        QString error;
        ASSERT_TRUE(file.store(kCredentialTarget, QStringLiteral("secret"), &error));
        ASSERT_EQ(::chmod(QFile::encodeName(file.path()).constData(), c.mode), 0);
        const QString password = file.read(kCredentialTarget, &error);
        EXPECT_EQ(password, c.used ? QStringLiteral("secret") : QString()) << std::oct << c.mode;
        EXPECT_EQ(error.isEmpty(), c.used) << std::oct << c.mode;
        if (!c.used) {
            EXPECT_TRUE(error.contains(QStringLiteral("可被其他用户访问"))) << error.toStdString();
            EXPECT_FALSE(error.contains(QStringLiteral("secret")));
            // Storing again repairs the mode.
            ASSERT_TRUE(file.store(kCredentialTarget, QStringLiteral("secret"), &error));
            EXPECT_EQ(modeOf(file.path()), 0600u);
        }
    }
}

TEST(CredentialFile, IgnoresAFileOfAnotherUser)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the file away";
    }
    QTemporaryDir folder;
    const CredentialFile file(folder.filePath(QStringLiteral("ssh-credentials")));
    QString error;
    ASSERT_TRUE(file.store(kCredentialTarget, QStringLiteral("secret"), &error));
    ASSERT_EQ(::chown(QFile::encodeName(file.path()).constData(), 65534, 65534), 0);
    EXPECT_EQ(file.read(kCredentialTarget, &error), QString());
    EXPECT_TRUE(error.contains(QStringLiteral("不属于当前用户"))) << error.toStdString();
}

}  // namespace
}  // namespace hazard_desk
