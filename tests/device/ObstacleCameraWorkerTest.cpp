#include "ObstacleCameraWorker.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>

#include <functional>

namespace hazard_desk {
namespace {

const QString kConnectFirst = QStringLiteral("请先连接相机");

struct NoCameraCase {
    const char* name;
    std::function<void(ObstacleCameraWorker&)> call;
    const char* signal;
    int messageArgument;
    QString expectedMessage;
};

// The window waits for each request's outcome signal: without a camera every
// request must still answer, or the window's buttons stay disabled.
TEST(ObstacleCameraWorker, EveryRequestWithoutACameraAnswersWithItsOutcomeSignal) {
    const std::vector<NoCameraCase> cases = {
        {"setStreaming", [](ObstacleCameraWorker& w) { w.setStreaming(true); },
         SIGNAL(streamStateChanged(bool, QString)), 1, kConnectFirst},
        {"setAlgorithmEnabled", [](ObstacleCameraWorker& w) { w.setAlgorithmEnabled(true, 4); },
         SIGNAL(algorithmChangeFinished(bool, QString)), 1, kConnectFirst},
        {"switchActiveTemplate", [](ObstacleCameraWorker& w) { w.switchActiveTemplate(3); },
         SIGNAL(templateSwitchFinished(bool, int, QString)), 2, kConnectFirst},
        {"setIoModes", [](ObstacleCameraWorker& w) { w.setIoModes(-1, 1); },
         SIGNAL(ioModesApplied(bool, QString)), 1, kConnectFirst},
        {"applyConfiguration", [](ObstacleCameraWorker& w) { w.applyConfiguration(QStringLiteral("{}"), 4); },
         SIGNAL(configurationApplied(bool, QString, QString, QString, QString)), 2, kConnectFirst},
        {"calibrateGround", [](ObstacleCameraWorker& w) { w.calibrateGround(QVariantMap{}); },
         SIGNAL(groundCalibrated(bool, QVariantMap, QString)), 2, QStringLiteral("没有可用于标定的实时点云")},
        {"connectDevice empty ip", [](ObstacleCameraWorker& w) { w.connectDevice(QVariantMap{{QStringLiteral("ip"), QStringLiteral("  ")}}); },
         SIGNAL(connectionChanged(bool, QVariantMap, QString)), 2, QStringLiteral("相机 IP 不能为空")},
    };
    for (const NoCameraCase& c : cases) {
        SCOPED_TRACE(c.name);
        ObstacleCameraWorker worker;
        QSignalSpy spy(&worker, c.signal);
        c.call(worker);
        ASSERT_EQ(spy.count(), 1);
        EXPECT_FALSE(spy.at(0).at(0).toBool());
        EXPECT_EQ(spy.at(0).at(c.messageArgument).toString(), c.expectedMessage);
    }

    ObstacleCameraWorker worker;
    QSignalSpy finished(&worker, &ObstacleCameraWorker::configurationReadFinished);
    QSignalSpy read(&worker, &ObstacleCameraWorker::configurationRead);
    worker.readDeviceConfiguration(4);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(read.count(), 0);
}

TEST(ObstacleCameraWorker, ApplyWithoutCameraFailsAtTheConnectionCheckAndKeepsTheDraft) {
    ObstacleCameraWorker worker;
    QSignalSpy applied(&worker, &ObstacleCameraWorker::configurationApplied);
    QSignalSpy log(&worker, &ObstacleCameraWorker::logMessage);
    worker.applyConfiguration(QStringLiteral("{\"activeIndex\":2}"), 4);
    ASSERT_EQ(applied.count(), 1);
    EXPECT_EQ(applied.at(0).at(1).toString(), QStringLiteral("连接检查"));
    EXPECT_EQ(applied.at(0).at(3).toString(), QStringLiteral("{\"activeIndex\":2}"));
    EXPECT_TRUE(applied.at(0).at(4).toString().isEmpty());
    ASSERT_EQ(log.count(), 1);
    EXPECT_EQ(log.at(0).at(0).toInt(), 2);
    EXPECT_EQ(log.at(0).at(1).toString(), QStringLiteral("连接检查：请先连接相机"));
}

TEST(ObstacleCameraWorker, ShutdownOnItsThreadEndsTheThreadsLoop) {
    QThread thread;
    auto* worker = new ObstacleCameraWorker;
    worker->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
    QSignalSpy destroyed(worker, &QObject::destroyed);
    thread.start();
    ASSERT_TRUE(QMetaObject::invokeMethod(worker, "shutdown", Qt::QueuedConnection));
    EXPECT_TRUE(thread.wait(5000));
    // The deferred deletion runs on the receiving thread's next event pass.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(destroyed.count() == 1 || destroyed.wait(1000));
}

}  // namespace
}  // namespace hazard_desk
