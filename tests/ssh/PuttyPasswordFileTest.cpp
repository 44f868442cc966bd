#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/stat.h>

#include "PuttyPasswordFile.h"

namespace hazard_desk {
namespace {

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
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

}  // namespace
}  // namespace hazard_desk
