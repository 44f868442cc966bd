// The export thread as the window drives it, against the loopback server.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "EventLoopWait.h"
#include "ImageExportRunner.h"
#include "LoopbackSshServer.h"
#include "RemoteImageScripts.h"

namespace hazard_desk {
namespace {

const QString kPassword = QStringLiteral("runner-pw");

class ImageExportRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_ = std::make_unique<test::LoopbackSshServer>(kPassword);
        QString reason;
        if (!server_->start(&reason)) {
            GTEST_SKIP() << "sshd cannot start, SSH export not tested: " << reason.toStdString();
        }
        qputenv(RemoteImageScripts::kTestDirectoryVariable, QFile::encodeName(server_->imageDir()));
    }

    ImageExportRequest request() const
    {
        ImageExportRequest request;
        request.target = {QStringLiteral("127.0.0.1"), server_->port(),
                          QString::fromLatin1(test::LoopbackSshServer::kAccount), kPassword, QString()};
        request.localDir = local_.path();
        return request;
    }

    void addImage(const QString& name, qint64 size)
    {
        QFile file(QDir(server_->imageDir()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
        file.close();
        server_->handOver(server_->imageDir());
    }

    std::unique_ptr<test::LoopbackSshServer> server_;
    QTemporaryDir local_;
};

TEST_F(ImageExportRunnerTest, ReportsOnItsOwnThreadAndRunsOneExportAtATime)
{
    addImage(QStringLiteral("obstacle-0001.png"), 1000);
    ImageExportRunner runner;
    std::vector<int> percents;
    bool offThread = false;
    std::vector<int> outcomes;
    QObject::connect(&runner, &ImageExportRunner::progressChanged, [&](int percent, const QString&, const QString&) {
        percents.push_back(percent);
        offThread = offThread || QThread::currentThread() != qApp->thread();
    });
    QObject::connect(&runner, &ImageExportRunner::finished, [&](int outcome, const QString& error, const QString& dir) {
        outcomes.push_back(outcome);
        offThread = offThread || QThread::currentThread() != qApp->thread();
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(dir, local_.path());
    });

    ASSERT_TRUE(runner.start(request()));
    EXPECT_TRUE(runner.running());
    EXPECT_FALSE(runner.start(request())) << "a second export is refused while one runs";
    ASSERT_TRUE(test::waitUntil([&] { return !outcomes.empty(); }, 60000));
    EXPECT_FALSE(runner.running());
    EXPECT_FALSE(percents.empty());

    ASSERT_TRUE(runner.start(request())) << "the next export starts once the first has finished";
    ASSERT_TRUE(test::waitUntil([&] { return outcomes.size() == 2; }, 60000));
    EXPECT_EQ(outcomes, (std::vector<int>{kImageExportSucceeded, kImageExportSucceeded}));
    EXPECT_FALSE(offThread);
}

TEST_F(ImageExportRunnerTest, GoingAwayCancelsTheExportAndWaitsForIt)
{
    addImage(QStringLiteral("recording.bin"), qint64(2) << 30);
    bool downloading = false;
    {
        ImageExportRunner runner;
        QObject::connect(&runner, &ImageExportRunner::progressChanged,
                         [&](int percent, const QString&, const QString&) { downloading = percent == 25; });
        ASSERT_TRUE(runner.start(request()));
        ASSERT_TRUE(test::waitUntil([&] { return downloading; }, 60000));
    }
    EXPECT_TRUE(QFile::exists(QDir(server_->imageDir()).filePath(QStringLiteral("recording.bin"))))
        << "a cancelled export clears nothing";
}

}  // namespace
}  // namespace hazard_desk
