#include "WorkerThreadStopper.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QThread>

namespace hazard_desk {
namespace {

// A worker whose "busy" slot blocks until the test releases it.
class BlockingWorker : public QObject {
    Q_OBJECT
public:
    explicit BlockingWorker(QSemaphore* release) : release_(release) {}
    bool shutdownRan = false;
public slots:
    void block() { release_->acquire(); }
    void shutdown() {
        shutdownRan = true;
        QThread::currentThread()->quit();
    }

private:
    QSemaphore* release_;
};

TEST(WorkerThreadStopper, StuckWorkerIsDetachedAfterTheWait) {
    QSemaphore release;
    QObject owner;
    auto* thread = new QThread(&owner);
    auto* worker = new BlockingWorker(&release);
    worker->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    thread->start();
    QMetaObject::invokeMethod(worker, "block", Qt::QueuedConnection);
    QThread* threadRef = thread;
    QObject* workerRef = worker;
    EXPECT_FALSE(WorkerThreadStopper::stop(threadRef, workerRef, 200));
    EXPECT_EQ(threadRef, nullptr);
    EXPECT_EQ(workerRef, nullptr);
    EXPECT_EQ(thread->parent(), nullptr) << "taken out of the owner's tree";
    EXPECT_TRUE(thread->isInterruptionRequested());
    // Once the stuck call returns, the queued shutdown ends the thread.
    release.release();
    EXPECT_TRUE(thread->wait(5000));
}

// The whole program: a window whose camera worker is stuck inside a long call
// must still end within about five seconds when it is closed.
TEST(WorkerThreadStopper, WindowWithAStuckWorkerEndsWithinEightSeconds) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(HD_STUCK_WORKER_WINDOW), QStringList{});
    ASSERT_TRUE(process.waitForStarted(5000));
    const bool finished = process.waitForFinished(8000);
    if (!finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    ASSERT_TRUE(finished) << "the window did not let the process end";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("worker-stuck"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("window-destroyed"))) << out.toStdString();
}

}  // namespace
}  // namespace hazard_desk

#include "WorkerThreadStopperTest.moc"
