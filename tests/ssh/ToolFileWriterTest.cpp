#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "SshToolExtraction.h"
#include "ToolFileWriter.h"

namespace hazard_desk {
namespace {

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
            struct stat info {};
            ::stat(QFile::encodeName(path).constData(), &info);
            inode = info.st_ino;
        }
        QString error;
        ASSERT_TRUE(ToolFileWriter::write(path, tool, &error)) << c.name << ": " << error.toStdString();
        EXPECT_EQ(readRaw(path), tool) << c.name;
        EXPECT_TRUE(QFileInfo(path).isExecutable()) << c.name;
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        const bool untouched = inode == info.st_ino && QFileInfo(path).lastModified() == old;
        EXPECT_EQ(untouched, !c.rewritten) << c.name;
    }
}

TEST(ToolFileWriter, ReportsAFolderItCannotWriteAndLeavesNoFile)
{
    QTemporaryDir folder;
    writeRaw(folder.filePath(QStringLiteral("notAFolder")), "x");
    const QString path = folder.filePath(QStringLiteral("notAFolder/plink.exe"));
    QString error;
    EXPECT_FALSE(ToolFileWriter::write(path, "tool", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
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
    EXPECT_EQ(SshToolExtraction::tag(plink).size(), 16);
    EXPECT_EQ(readRaw(paths.plinkPath), plink);
    EXPECT_EQ(readRaw(paths.pscpPath), pscp);
    EXPECT_EQ(QFileInfo(tools).permissions() & 0x0077, 0) << "the tool folder is closed to others";
    if (asRoot) {
        EXPECT_FALSE(QFileInfo::exists(foreign + QStringLiteral("/VQ8/putty-ssh/") + QFileInfo(paths.plinkPath).fileName()));
    }

    const SshToolPaths none = SshToolExtraction::extract(plink, pscp, {blocked});
    EXPECT_FALSE(none.complete());
    EXPECT_TRUE(none.error.startsWith(QStringLiteral("无法创建 "))) << none.error.toStdString();
    EXPECT_EQ(SshToolExtraction::extract(plink, pscp, {}).error, QStringLiteral("无法释放内嵌 PuTTY SSH 客户端"));
}

}  // namespace
}  // namespace hazard_desk
