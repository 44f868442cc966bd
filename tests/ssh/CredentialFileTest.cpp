#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "CredentialFile.h"

namespace hazard_desk {
namespace {

constexpr const char* kTarget = "VQ8.FleetUpdate.SSH.root";

QString target()
{
    return QString::fromLatin1(kTarget);
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

TEST(CredentialFile, StoresAndReadsPasswordsOfAnyText)
{
    const QString passwords[] = {
        QStringLiteral("plain"),      QStringLiteral("with:colon"),    QStringLiteral("back\\slash\\"),
        QStringLiteral(" spaces "),   QStringLiteral("#notacomment"),  QStringLiteral("密码-ü-ệ"),
        QStringLiteral("\\:\\:"),
    };
    QTemporaryDir folder;
    const CredentialFile file(folder.filePath(QStringLiteral("conf/ssh-credentials")));
    for (const QString& password : passwords) {
        QString error;
        ASSERT_TRUE(file.store(target(), password, &error)) << error.toStdString();
        EXPECT_EQ(modeOf(file.path()), 0600u);
        EXPECT_EQ(file.read(target(), &error), password);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

TEST(CredentialFile, KeepsOtherLinesAndRemovesTheFileWithItsLastCredential)
{
    QTemporaryDir folder;
    const CredentialFile file(folder.filePath(QStringLiteral("ssh-credentials")));
    QString error;
    bool removed = true;
    ASSERT_TRUE(file.clear(target(), &removed, &error));
    EXPECT_FALSE(removed) << "nothing stored yet";
    EXPECT_EQ(file.read(target(), &error), QString());
    EXPECT_TRUE(error.isEmpty()) << "a missing file is no error";

    ASSERT_TRUE(file.store(QStringLiteral("other.target"), QStringLiteral("kept"), &error));
    ASSERT_TRUE(file.store(target(), QStringLiteral("first"), &error));
    ASSERT_TRUE(file.store(target(), QStringLiteral("second"), &error));
    EXPECT_EQ(file.read(target(), &error), QStringLiteral("second"));

    ASSERT_TRUE(file.clear(target(), &removed, &error));
    EXPECT_TRUE(removed);
    EXPECT_EQ(file.read(target(), &error), QString());
    EXPECT_EQ(file.read(QStringLiteral("other.target"), &error), QStringLiteral("kept"));

    ASSERT_TRUE(file.clear(QStringLiteral("other.target"), &removed, &error));
    EXPECT_FALSE(QFileInfo::exists(file.path()));
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
        ASSERT_TRUE(file.store(target(), QStringLiteral("secret"), &error));
        ASSERT_EQ(::chmod(QFile::encodeName(file.path()).constData(), c.mode), 0);
        const QString password = file.read(target(), &error);
        EXPECT_EQ(password, c.used ? QStringLiteral("secret") : QString()) << std::oct << c.mode;
        EXPECT_EQ(error.isEmpty(), c.used) << std::oct << c.mode;
        if (!c.used) {
            EXPECT_TRUE(error.contains(QStringLiteral("可被其他用户访问"))) << error.toStdString();
            EXPECT_FALSE(error.contains(QStringLiteral("secret")));
            // Storing again repairs the mode.
            ASSERT_TRUE(file.store(target(), QStringLiteral("secret"), &error));
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
    ASSERT_TRUE(file.store(target(), QStringLiteral("secret"), &error));
    ASSERT_EQ(::chown(QFile::encodeName(file.path()).constData(), 65534, 65534), 0);
    EXPECT_EQ(file.read(target(), &error), QString());
    EXPECT_TRUE(error.contains(QStringLiteral("不属于当前用户"))) << error.toStdString();
}

}  // namespace
}  // namespace hazard_desk
