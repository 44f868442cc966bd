#pragma once
// The camera worker on a thread of its own, as the window runs it, against
// the virtual camera's small test scene. Requests go in as queued calls that
// block until the worker has handled them; the worker's signals are recorded
// on its thread and read there, so no list is touched from two threads.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "../bridge/BridgeSimFixture.h"
#include "ObstacleCameraWorker.h"
#include "ZrCameraParams.h"
#include "ZrSimControl.h"

class WorkerSimTest : public BridgeSimTest {
protected:
    static constexpr const char* kR8 = "127.0.10.9";   // a camera without an obstacle algorithm

    void SetUp() override {
        BridgeSimTest::SetUp();
        hazard_desk::ObstacleCameraWorker::registerMetaTypes();
        worker_ = new hazard_desk::ObstacleCameraWorker;
        // A clock the test steps by hand: status samples come when it says.
        worker_->setClock([now = now_]() { return now->load(); });
        // Transactions wait on a clock their sleeps advance: the camera's
        // stability windows and 6-second bounds pass at once.
        worker_->setWriteTiming([now = writeNow_]() { return now->load(); },
                                [now = writeNow_](int ms) { now->fetch_add(ms); });
        worker_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
        thread_.start();
    }

    void TearDown() override {
        if (thread_.isRunning()) {
            QMetaObject::invokeMethod(worker_, "shutdown", Qt::QueuedConnection);
            EXPECT_TRUE(thread_.wait(5000));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs f on the worker's thread and waits for it.
    void onWorker(const std::function<void()>& f) {
        ASSERT_TRUE(QMetaObject::invokeMethod(worker_, f, Qt::BlockingQueuedConnection));
    }

    template <typename... Args>
    void request(const char* slot, Args... args) {
        ASSERT_TRUE(QMetaObject::invokeMethod(worker_, slot, Qt::BlockingQueuedConnection, args...)) << slot;
    }

    std::unique_ptr<QSignalSpy> spy(const char* signal) {
        std::unique_ptr<QSignalSpy> result;
        onWorker([&] { result = std::make_unique<QSignalSpy>(worker_, signal); });
        return result;
    }

    // The value f computes on the worker's thread.
    template <typename F>
    auto onWorkerValue(F f) {
        decltype(f()) value{};
        onWorker([&] { value = f(); });
        return value;
    }

    int count(QSignalSpy& s) { return onWorkerValue([&] { return s.count(); }); }
    QList<QVariant> at(QSignalSpy& s, int i) { return onWorkerValue([&] { return s.at(i); }); }

    QList<QVariant> last(QSignalSpy& s) {
        const int n = count(s);
        EXPECT_GT(n, 0);
        return n > 0 ? at(s, n - 1) : QList<QVariant>{};
    }

    // A fresh worker and scene for the next case of a table.
    void restart() {
        TearDown();
        SetUp();
    }

    std::unique_ptr<QSignalSpy> frameSpy() {
        return spy(SIGNAL(frameReady(QImage, QImage, QImage, corVane::ColorCloudPtr, QVector<int>, qlonglong)));
    }

    bool capturing() { return onWorkerValue([&] { return captureTimer()->isActive(); }); }
    bool polling() { return onWorkerValue([&] { return pollTimer()->isActive(); }); }

    // Connects, starts the stream and takes the capture timer out of the
    // loop so each tick is the test's own.
    static QVariantMap ipMap(const char* ip) { return QVariantMap{{QStringLiteral("ip"), QString::fromUtf8(ip)}}; }

    void connectAndStream(const char* ip = kK7) {
        request("connectDevice", Q_ARG(QVariantMap, ipMap(ip)));
        request("setStreaming", Q_ARG(bool, true));
        onWorker([&] {
            captureTimer()->stop();
            pollTimer()->stop();
        });
    }

    void tick() { request("captureTick"); }

    // Ticks until the worker emits a frame: a busy virtual camera may let a
    // grab time out now and then, which the worker treats as any failure.
    bool tickUntilFrame(QSignalSpy& frames, int maxTicks = 50) {
        const int before = count(frames);
        for (int i = 0; i < maxTicks; ++i) {
            tick();
            if (count(frames) > before) {
                return true;
            }
        }
        return false;
    }
    void acknowledge() { request("acknowledgeFrame"); }

    QTimer* captureTimer() { return worker_->findChild<QTimer*>(QStringLiteral("captureTimer")); }
    QTimer* pollTimer() { return worker_->findChild<QTimer*>(QStringLiteral("activeRegionPollTimer")); }
    int captureInterval() { return onWorkerValue([&] { return captureTimer()->interval(); }); }

    void advanceClock(qint64 ms) { now_->fetch_add(ms); }

    static std::int64_t frameCommands() { return ZrSim_CallCount("DcSetCmd", ZR_CMD_GET_NEW_FRAME); }

    QThread thread_;
    hazard_desk::ObstacleCameraWorker* worker_ = nullptr;
    std::shared_ptr<std::atomic<qint64>> now_ = std::make_shared<std::atomic<qint64>>(1000);
    std::shared_ptr<std::atomic<qint64>> writeNow_ = std::make_shared<std::atomic<qint64>>(0);
};
